#pragma once

#include "cameras/CameraSet.h"
#include "scene/Vec3d.h"

#include <cstdint>

// The four directions that bound a camera's field of view: the horizontal
// pair at plus and minus half the horizontal field from the optical axis,
// the vertical pair likewise. The start values are those a camera holds
// before any computation (CCameraSet::RecomputeFieldOfView resets to them).
struct FrustumEdges {
    Vec3d hPlus{0, -1, 0};
    Vec3d hMinus{0, -1, 0};
    Vec3d vPlus{1, 0, 0};
    Vec3d vMinus{1, 0, 0};
    friend bool operator==(const FrustumEdges&, const FrustumEdges&) = default;
};

// What the construction reads of a camera: its fields of view and its aim,
// in the program's degrees, as the camera set holds them.
struct CameraAngles {
    float hFov = 0.0f;
    float vFov = 0.0f;
    float hTilt = 0.0f;
    float vTilt = 0.0f;
    float spin = 0.0f;
};

// The edges of a camera aimed by its angles. Each edge turns the direction
// it starts from (the reset value, unless a computation already turned it)
// through four rotations in a single-precision matrix, then is normalised in
// double. The angles are formed in extended precision; only their cosines and
// sines are rounded to float.
FrustumEdges AimedFrustumEdges(const CameraAngles& angles, const FrustumEdges& start = FrustumEdges{});

// Test mode: the edges of calibration slot `slot` (0 .. kCalibrationSlots - 1)
// from its matrix and the camera's fields of view, with the slot's fixed sign
// flips into the scene frame.
FrustumEdges CalibrationFrustumEdges(float hFov, float vFov, const CalibrationMatrix& matrix, int slot);

// The optical axis: the bisector of the vertical pair, which is the aim of
// the tilts. The horizontal pair is turned through 90 program degrees, short
// of a right angle, so its bisector (and the mean of all four edges) lies
// 1.9e-4 rad aside. Zero when the pair points apart. The planning model, the
// report and every drawing take it from here.
Vec3d OpticalAxis(const FrustumEdges& edges);

// A computation's first step: the edges of cameras 0 .. count - 1 of a set,
// each turned by its angles from the edges it holds.
void DeriveAimedEdges(CCameraSet& cameras, uint32_t count);
// Test mode: the same from the calibration slots; a camera beyond them gets
// no edges, and the visibility pass lets it see nothing.
void DeriveCalibrationEdges(CCameraSet& cameras, uint32_t count);

// The angles of camera i of a set, and its edges as it holds them.
CameraAngles AnglesOf(const CCameraSet& cameras, int i);
FrustumEdges EdgesOf(const CCameraSet& cameras, int i);
void SetEdges(CCameraSet& cameras, int i, const FrustumEdges& edges);
