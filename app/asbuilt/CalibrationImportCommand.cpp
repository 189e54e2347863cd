#include "app/asbuilt/CalibrationImportCommand.h"

#include "app/ClassicPlan.h"
#include "app/VolumePlannerDlg.h"
#include "app/asbuilt/CalibrationPartner.h"
#include "document/PlanEdits.h"
#include "project/ProjectFile.h"
#include "scene/PrintableText.h"

#include <QTemporaryDir>

#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace
{

const char* const kTitle = "Import Calibration as Rig";
constexpr const char* kRefusal = "The calibration was not imported: the plan is as it was.";
// Room sides are floats: a camera on a wall is in the room.
constexpr double kWallSlackM = 1e-6;

// The fewest fixed-point digits that read back as `v`: the partner reads no exponent.
QString RoomSideText(float v)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
    return QString::fromLatin1(text, static_cast<int>(result.ptr - text));
}

// The labels of the cameras outside the room (user frame: X along the length, Y up, Z across).
std::vector<std::string> CamerasOutside(const Plan& placed, const std::array<float, 3>& room)
{
    std::vector<std::string> outside;
    for (size_t c = 0; c < placed.cameras.size(); ++c) {
        const PlanCamera& camera = placed.cameras[c];
        const bool inside = camera.x >= -kWallSlackM && camera.y >= -kWallSlackM && camera.z >= -kWallSlackM &&
                            camera.x <= room[0] + kWallSlackM && camera.y <= room[2] + kWallSlackM &&
                            camera.z <= room[1] + kWallSlackM;
        if (!inside)
            outside.push_back(camera.label.empty() ? "camera " + std::to_string(c + 1)
                                                   : "\"" + PrintableText(camera.label) + "\"");
    }
    return outside;
}

std::string Metres(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

} // namespace

CCalibrationImportCommand::CCalibrationImportCommand(CVolumePlannerDlg& dialog, CClassicPlan& plan)
    : QObject(&dialog), m_dialog(dialog), m_plan(plan), m_pPartner(new CCalibrationPartner(dialog))
{
    connect(m_pPartner, &CCalibrationPartner::done, this, &CCalibrationImportCommand::Read);
    connect(m_pPartner, &CCalibrationPartner::refused, this,
            [this](const QString& message) { Refuse(message.toStdString()); });
    connect(m_pPartner, &CCalibrationPartner::cancelled, this, [this] {
        m_pScratch.reset();
        emit importFinished(false);
    });
}

CCalibrationImportCommand::~CCalibrationImportCommand() = default;

std::array<float, 3> CCalibrationImportCommand::RoomMetres() const
{
    // The room the window shows, with what RENDER stored since the last step.
    const Plan plan = m_plan.Captured();
    return {plan.length, plan.width, plan.height};
}

void CCalibrationImportCommand::Import()
{
    if (!m_dialog.IsSceneReady())
        return;
    if (m_pPartner->IsRunning()) {
        m_dialog.Prompts().ShowMessage("A calibration is being read already: wait for it or cancel it",
                                       "Invalid Action", PromptButtons::Ok);
        return;
    }
    const std::optional<CalibrationChoice> choice = CCalibrationChoiceDialog::Ask(kTitle, false, m_choice, &m_dialog);
    if (!choice)
        return;
    m_choice = *choice;
    Run(true);
}

void CCalibrationImportCommand::Run(bool inRoom)
{
    m_bInRoom = inRoom;
    m_pScratch = std::make_unique<QTemporaryDir>();
    if (!m_pScratch->isValid()) {
        Refuse("No room for a temporary file: " + m_pScratch->errorString().toStdString());
        return;
    }
    QStringList arguments{"rig"};
    arguments << m_choice.ReaderArguments();
    if (inRoom) {
        const std::array<float, 3> room = RoomMetres();
        arguments << "--units"
                  << "m"
                  << "--room" << RoomSideText(room[0]) + "," + RoomSideText(room[1]) + "," + RoomSideText(room[2]);
    }
    arguments << "--save-project" << m_pScratch->filePath("rig.vplan");
    m_pPartner->Start(kTitle, "Reading the calibration...", arguments);
}

void CCalibrationImportCommand::Refuse(const std::string& reason)
{
    m_pScratch.reset();
    m_dialog.Prompts().ShowMessageWithReason(kRefusal, reason, "Error");
    emit importFinished(false);
}

void CCalibrationImportCommand::Read()
{
    const std::string path = m_pScratch->filePath("rig.vplan").toStdString();
    const ProjectReadResult read = ReadProjectFile(path);
    m_pScratch.reset();
    if (!read.plan) {
        Refuse(read.error);
        return;
    }
    const Plan& placed = *read.plan;
    std::string kept;
    if (m_bInRoom) {
        const std::array<float, 3> room = RoomMetres();
        const std::vector<std::string> outside = CamerasOutside(placed, room);
        if (!outside.empty()) {
            std::string names;
            for (const std::string& name : outside)
                names += (names.empty() ? "" : ", ") + name;
            const std::string where = Metres(room[0]) + " x " + Metres(room[1]) + " x " + Metres(room[2]) + " m";
            const std::string text = std::to_string(outside.size()) + " of the " +
                                     std::to_string(placed.cameras.size()) +
                                     " calibrated cameras are outside the room (" + where + "): " + names +
                                     ".\nTake the box round the cameras as the room instead?";
            if (m_dialog.Prompts().ShowMessage(text, kTitle, PromptButtons::YesNo) == PromptAnswer::Yes) {
                Run(false);
                return;
            }
            // No keeps the room: the cameras come as the calibration places them, those outside it too.
            kept = "The room stays " + where + ": " + names + (outside.size() == 1 ? " stands" : " stand") +
                   " outside it, where the calibration places " + (outside.size() == 1 ? "it." : "them.");
        }
    }
    // A refusal said so and ended the import.
    if (!Take(placed))
        return;
    if (!kept.empty())
        m_dialog.Prompts().ShowMessage(kept, kTitle, PromptButtons::Ok);
    emit importFinished(true);
}

bool CCalibrationImportCommand::Take(const Plan& placed)
{
    const bool inRoom = m_bInRoom;
    const std::optional<std::string> refusal = m_plan.Edit(
        "Import Calibration", [&placed, inRoom](Plan& plan) { return ImportCalibratedRig(plan, placed, !inRoom); });
    if (refusal)
        Refuse(*refusal);
    return !refusal;
}
