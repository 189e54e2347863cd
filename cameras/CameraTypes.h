#pragma once

#include <string>

// Camera models offered by the pixel calculator, in the order the dialog lists them.
struct CameraType {
    const char* name;
    int pixelsX;
    int pixelsY;
};

inline constexpr int kCameraTypeCount = 3;
inline constexpr CameraType kCameraTypes[kCameraTypeCount] = {
    {"T4 Camera", 1280, 1024},
    {"Q Camera", 659, 493},
    {"KX Camera", 659, 493},
};

// The camera type of a camera whose sensor pixels are entered by hand.
inline constexpr int kCustomCameraType = -1;

// "Invalid Camera" outside 0..2.
std::string CameraTypeName(int index);
// -1 outside 0..2.
int CameraTypePixelsX(int index);
int CameraTypePixelsY(int index);
