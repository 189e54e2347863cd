// The OpenCV pair as the export writes it: the text OpenCV's FileStorage
// wrote for the same numbers, byte for byte, so files written before and
// after read alike.
#include "cameras/asbuilt/CalibrationExport.h"

#include <gtest/gtest.h>

namespace
{

AsBuiltCamera Camera(double fx, double fy, double cx, double cy, int width, int height, std::vector<double> distortion)
{
    AsBuiltCamera c;
    c.fx = fx;
    c.fy = fy;
    c.cx = cx;
    c.cy = cy;
    c.width = width;
    c.height = height;
    c.distortion = std::move(distortion);
    return c;
}

TEST(OpenCvPairTextTest, ThePairIsTheTextOpenCvWrote)
{
    AsBuiltRig rig;
    rig.cameras.push_back(
        Camera(1599.9999766116562, 1600.0000058470862, 640, 512, 1280, 1024, {-0.21, 0.05, 0.001, -0.002, 0.0}));
    // Past an int, a tiny number, a negative zero, a wrap over four lines.
    rig.cameras.push_back(
        Camera(800, 800.25, 319.5, 239.5, 640, 480, {-0.21, 0.05, 0.001, -0.002, 1e-300, -0.0, 123456789012.0, 3e10}));
    EXPECT_EQ(OpenCvIntrinsicsText(rig), "%YAML:1.0\n"
                                         "---\n"
                                         "names:\n"
                                         "   - \"01\"\n"
                                         "   - \"02\"\n"
                                         "K_01: !!opencv-matrix\n"
                                         "   rows: 3\n"
                                         "   cols: 3\n"
                                         "   dt: d\n"
                                         "   data: [ 1.5999999766116562e+03, 0., 640., 0., 1.6000000058470862e+03,\n"
                                         "       512., 0., 0., 1. ]\n"
                                         "dist_01: !!opencv-matrix\n"
                                         "   rows: 1\n"
                                         "   cols: 5\n"
                                         "   dt: d\n"
                                         "   data: [ -2.0999999999999999e-01, 5.0000000000000003e-02,\n"
                                         "       1.0000000000000000e-03, -2.0000000000000000e-03, 0. ]\n"
                                         "H_01: 1024\n"
                                         "W_01: 1280\n"
                                         "K_02: !!opencv-matrix\n"
                                         "   rows: 3\n"
                                         "   cols: 3\n"
                                         "   dt: d\n"
                                         "   data: [ 800., 0., 3.1950000000000000e+02, 0., 8.0025000000000000e+02,\n"
                                         "       2.3950000000000000e+02, 0., 0., 1. ]\n"
                                         "dist_02: !!opencv-matrix\n"
                                         "   rows: 1\n"
                                         "   cols: 8\n"
                                         "   dt: d\n"
                                         "   data: [ -2.0999999999999999e-01, 5.0000000000000003e-02,\n"
                                         "       1.0000000000000000e-03, -2.0000000000000000e-03,\n"
                                         "       1.0000000000000000e-300, 0., 1.2345678901200000e+11,\n"
                                         "       3.0000000000000000e+10 ]\n"
                                         "H_02: 480\n"
                                         "W_02: 640\n");

    rig.cameras.resize(1);
    rig.cameras[0].translation = {0.5, -1.25e-7, 3.0};
    EXPECT_EQ(OpenCvExtrinsicsText(rig), "%YAML:1.0\n"
                                         "---\n"
                                         "names:\n"
                                         "   - \"01\"\n"
                                         "R_01: !!opencv-matrix\n"
                                         "   rows: 3\n"
                                         "   cols: 1\n"
                                         "   dt: d\n"
                                         "   data: [ 0., 0., 0. ]\n"
                                         "Rot_01: !!opencv-matrix\n"
                                         "   rows: 3\n"
                                         "   cols: 3\n"
                                         "   dt: d\n"
                                         "   data: [ 1., 0., 0., 0., 1., 0., 0., 0., 1. ]\n"
                                         "T_01: !!opencv-matrix\n"
                                         "   rows: 3\n"
                                         "   cols: 1\n"
                                         "   dt: d\n"
                                         "   data: [ 5.0000000000000000e-01, -1.2499999999999999e-07, 3. ]\n");
}

} // namespace
