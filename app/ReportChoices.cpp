#include "app/ReportChoices.h"

#include "project/ProjectReport.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace
{

// More maps than the report command takes.
constexpr size_t kMaxSlices = 50;

// Numbers between commas or blanks; nullopt when a piece is not a finite number.
std::optional<std::vector<float>> Numbers(const std::string& text)
{
    std::vector<float> values;
    std::string piece;
    std::istringstream in(text);
    while (in >> piece) {
        std::istringstream parts(piece);
        for (std::string part; std::getline(parts, part, ',');) {
            if (part.empty())
                continue;
            float v = 0.0f;
            const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), v);
            if (error != std::errc{} || end != part.data() + part.size() || !std::isfinite(v))
                return std::nullopt;
            values.push_back(v);
        }
    }
    return values;
}

std::string ShortText(float v)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);
    return std::string(text, result.ptr);
}

} // namespace

std::optional<std::string> ReadReportChoices(const ReportChoices& texts, const std::string& band,
                                             const std::string& slices, ReportChoices& choices)
{
    const std::pair<const char*, const std::string*> fields[] = {{"Title", &texts.title},
                                                                 {"Client", &texts.client},
                                                                 {"Site", &texts.site},
                                                                 {"Author", &texts.author},
                                                                 {"Date", &texts.date}};
    for (const auto& [name, text] : fields)
        if (const auto error = CheckReportText(*text))
            return std::string(name) + ": " + *error;
    const auto heights = Numbers(band);
    if (!heights || heights->size() != 2 || (*heights)[0] > (*heights)[1] || (*heights)[0] < 0.0f)
        return std::string("Height band: two heights in metres above the floor, the first not above the second");
    const auto layers = Numbers(slices);
    if (!layers)
        return std::string("Slices: heights in metres, separated by commas");
    if (layers->size() > kMaxSlices)
        return "Slices: at most " + std::to_string(kMaxSlices) + " heights, not " + std::to_string(layers->size());
    for (const float h : *layers)
        if (h < 0.0f)
            return "Slices: " + ShortText(h) + " m lies below the floor";
    choices = texts;
    choices.bandFromM = (*heights)[0];
    choices.bandToM = (*heights)[1];
    choices.slicesM = *layers;
    return std::nullopt;
}

std::string BandText(const ReportChoices& choices)
{
    return ShortText(choices.bandFromM) + ", " + ShortText(choices.bandToM);
}

std::string SlicesText(const ReportChoices& choices)
{
    std::string text;
    for (const float h : choices.slicesM)
        text += (text.empty() ? "" : ", ") + ShortText(h);
    return text;
}
