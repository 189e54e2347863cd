#pragma once

#include "render/FrameImage.h"
#include "scene/AtomicFile.h"

#include <string>

// Writes the frame as an 8-bit RGB PNG, top row first as PNG stores it. The
// alpha channel is dropped: a picture of the view has no transparency, and
// the frame's alpha is whatever the clear colour left there. The file is
// replaced only when the whole image was written, so a failure (an empty
// image, a full disk, a folder that does not exist) keeps any previous file
// and says why.
SaveResult WritePng(const std::string& path, const CFrameImage& image);
