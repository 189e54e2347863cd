#pragma once

#include "cameras/CameraSet.h"
#include "project/Plan.h"
#include "report/ReportFigures.h"
#include "report/ReportPictures.h"
#include "report/ReportWriter.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What one report is made of and where it goes.
struct ReportRequest {
    // The plan reported on; it must have passed CheckPlan.
    Plan plan;
    ReportHeading heading;
    ReportDisplay display;
    float bandFromM = 0.5f; // the capture height band of the worst-case map
    float bandToM = 2.0f;
    std::vector<float> slicesM; // heights of single-layer maps
    // What the summary's pass/fail line judges the plan against.
    TargetRule target;
    std::string outPath;
    ReportFormat format = ReportFormat::Pdf;
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    // The calibration matrices of the test mode (display.testMode), as an
    // import into this set filled them.
    CCameraSet calibration;
    // What blocks the cameras' view; null or empty for none.
    std::shared_ptr<const CObstacleSet> obstacles;
    // The rig as built compared with the plan, for the "As built" section; none without.
    std::optional<ReportAsBuilt> asBuilt;
};

// The reason the request's heights cannot be used in its plan's room, naming
// the option; nullopt when they can.
std::optional<std::string> CheckReportHeights(const ReportRequest& request);

// Computes the coverage and the planning measures of the request's plan and
// writes the report. `progress` hears the share done (0..100) and the step
// begun. Returns the message for the user on failure, with nothing written.
std::optional<std::string> MakeReport(const ReportRequest& request,
                                      const std::function<void(int, const std::string&)>& progress);
