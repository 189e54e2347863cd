// The as-built side of `rig`, built into volume-planner-calibration only.
#include "cli/AsBuiltOptions.h"

#include "cli/CalibrationPlan.h"
#include "cli/RigOptions.h"

#include "cameras/asbuilt/AsBuiltPlacement.h"
#include "cameras/asbuilt/CalibrationExport.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"
#include "scene/PrintableText.h"
#include "scene/SceneSettings.h"

#include <cstdio>

namespace
{

class CRigAsBuiltReaders final : public CRigAsBuilt
{
  public:
    std::optional<std::string> Prepare(const AsBuiltOptions& options, RigOptions& rig) override;
    void Place(Plan& plan) override
    {
        if (!m_plan)
            return;
        CCameraSet cameras = CameraSetOf(plan);
        ApplyAsBuiltPlan(*m_plan, cameras);
        plan.cameras = PlanCamerasOf(cameras, cameras.GetCount());
    }
    std::optional<std::string> Export(const AsBuiltOptions& options, const CCameraSet& cameras, uint32_t count,
                                      const std::array<double, 3>& room) override;
    void PrintNotes() const override;

  private:
    std::optional<AsBuiltPlan> m_plan;
};

std::optional<std::string> CRigAsBuiltReaders::Prepare(const AsBuiltOptions& options, RigOptions& rig)
{
    if (options.path.empty())
        return std::nullopt;
    const bool roomGiven = OptionGiven(rig.command, "--room");
    std::optional<std::array<double, 3>> room;
    if (roomGiven && rig.room.size() == 3) {
        const bool feet = IsFeetUnit(rig.units);
        const double scale = feet ? kMetresPerFoot : 1.0;
        room = std::array<double, 3>{rig.room[0] * scale, rig.room[1] * scale, rig.room[2] * scale};
    }
    AsBuiltPlanResult plan = PlanCalibration(options, room);
    if (!plan.plan)
        return plan.error;
    if (!roomGiven) {
        rig.units = "m";
        rig.room = {static_cast<float>(plan.plan->room[0]), static_cast<float>(plan.plan->room[1]),
                    static_cast<float>(plan.plan->room[2])};
    }
    rig.defaultRig = static_cast<long long>(plan.plan->cameras.size());
    m_plan = std::move(plan.plan);
    return std::nullopt;
}

std::optional<std::string> CRigAsBuiltReaders::Export(const AsBuiltOptions& options, const CCameraSet& cameras,
                                                      uint32_t count, const std::array<double, 3>& room)
{
    if (options.exportPath.empty())
        return std::nullopt;
    // Only a file that could not be made is "unable to create"; a refusal creates none.
    if (const auto refusal = CalibrationExportRefusal(options.exportPath, cameras, count))
        return "Calibration not written: " + *refusal;
    if (const SaveResult saved = ExportCalibration(options.exportPath, cameras, count, room); !saved)
        return "Unable to Create File: " + saved.reason;
    return std::nullopt;
}

void CRigAsBuiltReaders::PrintNotes() const
{
    if (!m_plan || m_plan->notes.empty())
        return;
    std::printf("\nas built:\n");
    for (const std::string& note : m_plan->notes)
        std::printf("  %s\n", PrintableText(note).c_str());
}

} // namespace

std::shared_ptr<CRigAsBuilt> MakeRigAsBuilt()
{
    return std::make_shared<CRigAsBuiltReaders>();
}
