#pragma once

#include "report/AsBuiltSection.h"
#include "report/ReportFigures.h"
#include "scene/PrintableText.h"

#include <QImage>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A picture of the report and how wide it is laid out (CSS pixels).
struct ReportImage {
    std::string name;
    std::string caption;
    QImage image;
    int widthPx = 640;
};

// The report's contents: the figures and the pictures, in the order they appear.
struct ReportContents {
    ReportFigures figures;
    std::vector<ReportImage> views;     // the renderer's frames
    std::vector<ReportImage> floorMaps; // worst case over the band, then the slices
    std::vector<ReportImage> histograms;
    // With a rig as built to compare with: its section and the Difference views.
    std::optional<ReportAsBuilt> asBuilt;
    std::vector<ReportImage> differenceViews;
    // The plan's web page, the first figure of an HTML report; empty in a PDF.
    std::string viewerPage;
};

// One section of the report under its own heading. New sections are added to the
// list ReportSections builds and nowhere else.
struct ReportSection {
    std::string title;
    bool newPage = false;
    std::function<std::string(const std::function<std::string(const ReportImage&)>& source)> body;
};
std::vector<ReportSection> ReportSections(const ReportContents& contents);

// The whole report as one HTML document; `source` gives each picture's src.
std::string ReportHtml(const ReportContents& contents, const std::function<std::string(const ReportImage&)>& source);

// The summary's pass/fail line (HTML): the share of the target the rig
// meets against the share asked for.
std::string VerdictText(const ReportFigures& f);

// Numbers as the report prints them: volumes in cubic metres with two
// decimals, shares in per cent with one, lengths in metres with two.
std::string VolumeText(double cubicMetres);
std::string ShareText(double part, double whole);
std::string MetresText(double metres);
