#pragma once

#include "coverage/CoverageVolume.h"
#include "render/VolumeLists.h"

#include <GL/gl.h>

// The volume lists as they were compiled before shared faces were left out:
// every voxel one box of six quads drawn on its own. Kept as the reference
// the drawing and the benchmarks compare the compiled lists with.

// Compiles list n of a display into `name`, with the filters of the moment.
void CompileClassicList(const CCoverageVolume& volume, VolumeDisplay display, uint32_t n, GLuint name);
// Every list of a display under fresh names from the returned base (0 when
// there is nothing to compile); the caller deletes them.
GLuint CompileClassicLists(const CCoverageVolume& volume, VolumeDisplay display);
