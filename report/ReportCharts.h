#pragma once

#include "report/ReportFigures.h"

#include <string>
#include <vector>

class QImage;

// A bar chart of voxel counts: one labelled bar per entry, the count over
// each bar and a round scale up the left.
QImage DrawHistogram(const std::string& title, const std::string& axisLabel, const std::vector<HistogramBar>& bars);

// The bars of the seen histogram, labelled 0, 1, ... cameras.
std::vector<HistogramBar> CameraCountBars(const std::vector<uint64_t>& histogram);
