#pragma once

#include "project/JsonText.h"

#include <optional>
#include <string>

// The title block of a plan's report, under the project file's "report" key,
//   {"title": T, "client": C, "site": S, "author": A, "date": D}
// every key optional, each a string of at most kMaxReportTextCharacters
// characters. The report prints them made printable.
inline constexpr size_t kMaxReportTextCharacters = 256;

struct ProjectReport {
    std::string title;
    std::string client;
    std::string site;
    std::string author;
    std::string date;
    bool empty() const { return title.empty() && client.empty() && site.empty() && author.empty() && date.empty(); }
    friend bool operator==(const ProjectReport&, const ProjectReport&) = default;
};

// Characters (UTF-8 sequences) of `text`; a byte that starts none counts as one.
size_t ReportTextCharacters(const std::string& text);
// Why `text` cannot stand in the title block, without the name of the field;
// nullopt when it can.
std::optional<std::string> CheckReportText(const std::string& text);

// All or nothing; a refusal names the key ("report.client: ...").
struct ProjectReportResult {
    std::optional<ProjectReport> report;
    std::string error;
};
ProjectReportResult ReadProjectReport(const Json& value);
// The "report" object, written over `kept` so keys another program added stay.
Json ProjectReportJson(const ProjectReport& report, const Json& kept = Json::object());
