#include "project/ProjectReport.h"

#include <utility>

namespace
{

using Field = std::pair<const char*, std::string ProjectReport::*>;
constexpr Field kFields[] = {{"title", &ProjectReport::title},
                             {"client", &ProjectReport::client},
                             {"site", &ProjectReport::site},
                             {"author", &ProjectReport::author},
                             {"date", &ProjectReport::date}};

} // namespace

size_t ReportTextCharacters(const std::string& text)
{
    size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

std::optional<std::string> CheckReportText(const std::string& text)
{
    const size_t n = ReportTextCharacters(text);
    if (n > kMaxReportTextCharacters)
        return "at most " + std::to_string(kMaxReportTextCharacters) + " characters, not " + std::to_string(n);
    return std::nullopt;
}

ProjectReportResult ReadProjectReport(const Json& value)
{
    if (!value.is_object())
        return {std::nullopt, "report: must be an object"};
    ProjectReport report;
    for (const auto& [key, member] : kFields) {
        const auto it = value.find(key);
        if (it == value.end())
            continue;
        const std::string path = std::string("report.") + key;
        if (!it->is_string())
            return {std::nullopt, path + ": must be a string"};
        if (const auto error = CheckReportText(it->get<std::string>()))
            return {std::nullopt, path + ": " + *error};
        report.*member = it->get<std::string>();
    }
    return {report, {}};
}

Json ProjectReportJson(const ProjectReport& report, const Json& kept)
{
    Json value = kept.is_object() ? kept : Json::object();
    for (const auto& [key, member] : kFields) {
        if ((report.*member).empty())
            value.erase(key);
        else
            value[key] = report.*member;
    }
    return value;
}
