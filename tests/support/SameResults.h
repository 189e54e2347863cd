#pragma once

#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

// Bit-for-bit comparisons of computations and of what they read: NaN
// compares with NaN, and -0 differs from 0.

inline uint32_t Bits(float v)
{
    return std::bit_cast<uint32_t>(v);
}

inline uint64_t Bits(double v)
{
    return std::bit_cast<uint64_t>(v);
}

inline void ExpectSameBits(const Vec3d& a, const Vec3d& b, const char* what)
{
    EXPECT_EQ(Bits(a.x), Bits(b.x)) << what << ".x";
    EXPECT_EQ(Bits(a.y), Bits(b.y)) << what << ".y";
    EXPECT_EQ(Bits(a.z), Bits(b.z)) << what << ".z";
}

// Every value of every camera of two sets, the derived ones too.
inline void ExpectSameCameras(const CCameraSet& a, const CCameraSet& b)
{
    ASSERT_EQ(a.IsAllocated(), b.IsAllocated());
    ASSERT_EQ(a.GetCount(), b.GetCount());
    ExpectSameBits({a.GetUserOriginX(), a.GetUserOriginY(), a.GetUserOriginZ()},
                   {b.GetUserOriginX(), b.GetUserOriginY(), b.GetUserOriginZ()}, "user origin");
    for (int c = 0; c < static_cast<int>(a.GetCount()); ++c) {
        SCOPED_TRACE(testing::Message() << "camera " << c + 1);
        EXPECT_EQ(a.GetLabel(c), b.GetLabel(c));
        EXPECT_EQ(a.GetEnabled(c), b.GetEnabled(c));
        ExpectSameBits(a.GetPosition(c), b.GetPosition(c), "position");
        const float values[][2] = {{a.GetFocalLength(c), b.GetFocalLength(c)},
                                   {a.GetFNumber(c), b.GetFNumber(c)},
                                   {a.GetFrameWidth(c), b.GetFrameWidth(c)},
                                   {a.GetFrameHeight(c), b.GetFrameHeight(c)},
                                   {a.GetHFov(c), b.GetHFov(c)},
                                   {a.GetVFov(c), b.GetVFov(c)},
                                   {a.GetHTilt(c), b.GetHTilt(c)},
                                   {a.GetVTilt(c), b.GetVTilt(c)},
                                   {a.GetSpin(c), b.GetSpin(c)}};
        for (size_t v = 0; v < std::size(values); ++v)
            EXPECT_EQ(Bits(values[v][0]), Bits(values[v][1])) << "value " << v;
        ExpectSameBits(a.GetEdgeHPlus(c), b.GetEdgeHPlus(c), "edge h+");
        ExpectSameBits(a.GetEdgeHMinus(c), b.GetEdgeHMinus(c), "edge h-");
        ExpectSameBits(a.GetEdgeVPlus(c), b.GetEdgeVPlus(c), "edge v+");
        ExpectSameBits(a.GetEdgeVMinus(c), b.GetEdgeVMinus(c), "edge v-");
        EXPECT_EQ(a.GetCameraType(c), b.GetCameraType(c));
        EXPECT_EQ(a.GetSensorPixelsX(c), b.GetSensorPixelsX(c));
        EXPECT_EQ(a.GetSensorPixelsY(c), b.GetSensorPixelsY(c));
        EXPECT_EQ(a.GetCalibratedLens(c), b.GetCalibratedLens(c));
    }
}

// Every field of two inputs, floats and doubles by their bits.
inline void ExpectSameInput(const CoverageInput& a, const CoverageInput& b)
{
    EXPECT_EQ(Bits(a.roomLength), Bits(b.roomLength));
    EXPECT_EQ(Bits(a.roomWidth), Bits(b.roomWidth));
    EXPECT_EQ(Bits(a.roomHeight), Bits(b.roomHeight));
    EXPECT_EQ(Bits(a.voxelSizeCm), Bits(b.voxelSizeCm));
    EXPECT_EQ(a.cameraCount, b.cameraCount);
    EXPECT_EQ(a.firstCamera, b.firstCamera);
    EXPECT_EQ(a.endCamera, b.endCamera);
    EXPECT_EQ(a.filters.isoThreshold, b.filters.isoThreshold);
    EXPECT_EQ(a.filters.isoOperator, b.filters.isoOperator);
    EXPECT_EQ(a.filters.resOperator1, b.filters.resOperator1);
    EXPECT_EQ(Bits(a.filters.resBound1), Bits(b.filters.resBound1));
    EXPECT_EQ(a.filters.resOperator2, b.filters.resOperator2);
    EXPECT_EQ(Bits(a.filters.resBound2), Bits(b.filters.resBound2));
    EXPECT_EQ(Bits(a.filters.displayCeiling), Bits(b.filters.displayCeiling));
    const double planning[][2] = {
        {a.planning.markerDiameterMm, b.planning.markerDiameterMm}, {a.planning.minImagePx, b.planning.minImagePx},
        {a.planning.minAngleDeg, b.planning.minAngleDeg},           {a.planning.maxAngleDeg, b.planning.maxAngleDeg},
        {a.planning.pixelNoisePx, b.planning.pixelNoisePx},         {a.planning.sigmaBoundMm, b.planning.sigmaBoundMm}};
    for (size_t v = 0; v < std::size(planning); ++v)
        EXPECT_EQ(Bits(planning[v][0]), Bits(planning[v][1])) << "planning value " << v;
    EXPECT_EQ(a.obstacles, b.obstacles);
    ExpectSameCameras(a.cameras, b.cameras);
}

// Every count, every camera's resolution values, the iso list and the scale
// of two computed volumes.
inline void ExpectSameVolumes(const CCoverageVolume& a, const CCoverageVolume& b, int cameras)
{
    ASSERT_TRUE(a.HasResults());
    ASSERT_TRUE(b.HasResults());
    ASSERT_EQ(a.GetVoxelCount(), b.GetVoxelCount());
    const size_t n = a.GetVoxelCount();
    for (size_t t = 0; t < n; ++t)
        ASSERT_EQ(a.SeenCount(t), b.SeenCount(t)) << "voxel " << t;
    std::vector<float> va(n), vb(n);
    for (int c = 0; c < cameras; ++c) {
        a.FillResolution(c, 0, n, va.data());
        b.FillResolution(c, 0, n, vb.data());
        for (size_t t = 0; t < n; ++t)
            ASSERT_EQ(Bits(va[t]), Bits(vb[t])) << "camera " << c << " voxel " << t;
    }
    ASSERT_EQ(a.GetIsoCount(), b.GetIsoCount());
    for (uint32_t e = 0; e < a.GetIsoCount(); ++e)
        ASSERT_EQ(a.IsoIndex(e), b.IsoIndex(e)) << "entry " << e;
    EXPECT_EQ(a.GetResolutionCamera(), b.GetResolutionCamera());
    EXPECT_EQ(Bits(a.GetResolutionMax()), Bits(b.GetResolutionMax()));
    EXPECT_EQ(Bits(a.GetResolutionMin()), Bits(b.GetResolutionMin()));
    EXPECT_EQ(Bits(a.GetBandWidth()), Bits(b.GetBandWidth()));
}
