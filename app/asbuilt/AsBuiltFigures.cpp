#include "app/asbuilt/AsBuiltFigures.h"

#include "project/JsonText.h"

namespace
{

std::vector<double> Numbers(const Json& list)
{
    std::vector<double> numbers;
    for (const Json& value : list)
        numbers.push_back(value.get<double>());
    return numbers;
}

} // namespace

AsBuiltFiguresResult ParseComparisonOutput(const std::string& text)
{
    // Our own partner's output: a key missing means a partner of another version.
    try {
        const Json json = Json::parse(text);
        AsBuiltFigures f;
        const Json& alignment = json.at("alignment");
        f.method = alignment.at("method").get<std::string>();
        f.matching = alignment.at("matching").get<std::string>();
        f.scale = alignment.at("scale").get<double>();
        f.rmsMm = alignment.at("rms_mm").get<double>();
        f.fitted = alignment.at("cameras_fitted").get<uint32_t>();
        for (const Json& camera : json.at("cameras"))
            f.cameras.push_back({camera.at("plan_number").get<uint32_t>(), camera.at("as_built_number").get<uint32_t>(),
                                 camera.at("as_built_name").get<std::string>(),
                                 camera.at("delta_position_mm").get<double>(), camera.at("delta_aim_deg").get<double>(),
                                 camera.at("delta_roll_deg").get<double>(), camera.at("focal_mm_planned").get<double>(),
                                 camera.at("focal_mm_found").get<double>()});
        f.unmatchedPlan = json.at("unmatched").at("plan_numbers").get<std::vector<uint32_t>>();
        f.unmatchedAsBuilt = json.at("unmatched").at("as_built_numbers").get<std::vector<uint32_t>>();
        const Json& coverage = json.at("coverage");
        f.plannedM3 = coverage.at("planned_triangulable_m3").get<double>();
        f.asBuiltM3 = coverage.at("as_built_triangulable_m3").get<double>();
        f.gainedM3 = coverage.at("gained_m3").get<double>();
        f.lostM3 = coverage.at("lost_m3").get<double>();
        const Json& marker = coverage.at("marker_by_at_least");
        f.markerPlannedM3 = Numbers(marker.at("planned_m3"));
        f.markerAsBuiltM3 = Numbers(marker.at("as_built_m3"));
        f.markerGainedM3 = Numbers(marker.at("gained_m3"));
        f.markerLostM3 = Numbers(marker.at("lost_m3"));
        f.notes = json.at("notes").get<std::vector<std::string>>();
        return {std::move(f), ""};
    } catch (const Json::exception& error) {
        return {std::nullopt, std::string("the comparison's output cannot be read: ") + error.what()};
    }
}
