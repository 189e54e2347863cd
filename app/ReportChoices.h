#pragma once

#include <optional>
#include <string>
#include <vector>

// What Export Report asks before it writes: the title block and the
// heights of the floor maps, as the report command's options take them.
struct ReportChoices {
    std::string title;
    std::string client;
    std::string site;
    std::string author;
    std::string date; // empty: the day the report is made
    float bandFromM = 0.5f;
    float bandToM = 2.0f;
    std::vector<float> slicesM;
};

// The band ("A, B") and slices ("H1, H2, ...", may be empty) as typed, and
// the title block's texts; the reason, naming the field, when one cannot be
// used. `choices` is changed only when all can.
std::optional<std::string> ReadReportChoices(const ReportChoices& texts, const std::string& band,
                                             const std::string& slices, ReportChoices& choices);
// "0.5, 2" and "1, 3" as the fields show them.
std::string BandText(const ReportChoices& choices);
std::string SlicesText(const ReportChoices& choices);
