#include "render/planner/PlannerStatus.h"

#include "render/planner/PlannerLabels.h"

#include <cstdio>

std::vector<std::string> PlannerStatusLines(const PlannerStatus& s)
{
    std::vector<std::string> lines;
    lines.push_back("Display: " + s.display + "   Criteria: " + s.criteria);
    char layers[96];
    if (!s.computed)
        std::snprintf(layers, sizeof layers, "Layers: none computed");
    else if (s.layered)
        std::snprintf(layers, sizeof layers, "Layers: %d of %d, cut at %.2f %s", s.shownLayers, s.layerTotal,
                      s.cutHeight, s.unit.c_str());
    else
        std::snprintf(layers, sizeof layers, "Layers: all %d (not cut)", s.layerTotal);
    const double edge = s.voxelEdgeM;
    char rest[160];
    std::snprintf(rest, sizeof rest, "   Voxel: %g cm   Drawn: %llu voxels, %.3f m3   Test mode: %s", s.voxelCm,
                  static_cast<unsigned long long>(s.voxelsDrawn),
                  static_cast<double>(s.voxelsDrawn) * edge * edge * edge, s.testMode ? "on" : "off");
    lines.push_back(std::string(layers) + rest);
    return lines;
}

std::vector<std::string> WrapPlannerStatus(const std::vector<std::string>& lines, int width)
{
    static const std::string kSeparator = "   ";
    std::vector<std::string> wrapped;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string rest = lines[i];
        // A break only where the strip still holds every line after it.
        const size_t later = lines.size() - i - 1;
        while (TextWidth(rest) > width && wrapped.size() + 2 + later <= kPlannerStatusLines) {
            size_t cut = std::string::npos;
            for (size_t at = rest.find(kSeparator); at != std::string::npos; at = rest.find(kSeparator, at + 1)) {
                if (at > 0 && TextWidth(rest.substr(0, at)) <= width)
                    cut = at;
            }
            const size_t next = cut == std::string::npos ? cut : rest.find_first_not_of(' ', cut);
            if (next == std::string::npos)
                break;
            wrapped.push_back(rest.substr(0, cut));
            rest.erase(0, next);
        }
        wrapped.push_back(std::move(rest));
    }
    if (wrapped.size() > kPlannerStatusLines)
        wrapped.resize(kPlannerStatusLines);
    return wrapped;
}

void DrawPlannerStatus(const std::vector<std::string>& lines, int left, int bottom, int width, int height)
{
    DrawBacking({static_cast<double>(left), static_cast<double>(bottom), static_cast<double>(left + width),
                 static_cast<double>(bottom + height)});
    // Three lines fit: a line is 13 pixels, outline included.
    double baseline = bottom + height - 2 - kGlyphAscent;
    for (const std::string& line : lines) {
        DrawOutlinedText(left + 6, baseline, line);
        baseline -= 14;
    }
}
