#pragma once

#include "report/ReportFigures.h"

#include <string>
#include <vector>

class QImage;

// A bar chart of volumes: one labelled bar per entry, its voxels times
// `voxelM3` in cubic metres over the bar and a round scale of cubic metres up
// the left. Volumes are what a planner compares between rigs; a voxel count
// depends on the voxel size.
QImage DrawHistogram(const std::string& title, const std::string& axisLabel, const std::vector<HistogramBar>& bars,
                     double voxelM3);

// The bars of the seen histogram, labelled 0, 1, ... cameras.
std::vector<HistogramBar> CameraCountBars(const std::vector<uint64_t>& histogram);
