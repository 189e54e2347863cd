#pragma once

#include "cameras/asbuilt/AsBuiltCalibration.h"

#include <string>

// A text model: cameras.txt (CAMERA_ID MODEL WIDTH HEIGHT PARAMS, for
// PINHOLE, SIMPLE_PINHOLE, SIMPLE_RADIAL, RADIAL, OPENCV, OPENCV_FISHEYE and
// FULL_OPENCV) and images.txt, two lines an image: IMAGE_ID QW QX QY QZ TX
// TY TZ CAMERA_ID NAME (the quaternion scalar first), then its points, a
// line that may be empty. Every image is one camera of the rig, named NAME.
AsBuiltReadResult ReadColmapCalibration(const std::string& camerasPath, const std::string& imagesPath,
                                        double metresPerUnit);
