#pragma once

#include "coverage/asbuilt/CoverageDifference.h"
#include "coverage/asbuilt/RigComparison.h"

#include <memory>
#include <string>

// The report's "As built" section: how the rig as built was aligned, each
// camera's deltas from the plan, the volumes planned, as built, gained and
// lost, and the Difference display's views.
struct ReportAsBuilt {
    std::shared_ptr<const RigComparison> comparison;
    std::shared_ptr<const CCoverageDifference> difference;
};

// The section's text and tables (the views follow it).
std::string AsBuiltSectionHtml(const ReportAsBuilt& asBuilt);
