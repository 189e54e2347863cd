#include "app/asbuilt/CalibrationImportCommand.h"

#include "app/BoxNumber.h"
#include "app/DialogLayout.h"
#include "app/PlanUndo.h"
#include "app/VolumePlannerDlg.h"
#include "app/asbuilt/CalibrationPartner.h"
#include "cameras/CameraSet.h"
#include "project/ProjectFile.h"
#include "scene/PrintableText.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <QAbstractButton>
#include <QLineEdit>
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

CCalibrationImportCommand::CCalibrationImportCommand(CVolumePlannerDlg& dialog, CPlanUndo& undo,
                                                     std::function<void()> shown)
    : QObject(&dialog), m_dialog(dialog), m_undo(undo), m_shown(std::move(shown)),
      m_pPartner(new CCalibrationPartner(dialog))
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

std::array<float, 3> CCalibrationImportCommand::RoomMetres()
{
    const SceneSettings& s = *GetSceneSettings();
    // The boxes' unit until the next frame converts them.
    const float scale = s.InFeet() ? kMetresPerFoot : 1.0f;
    return {s.GetRoomLength() * scale, s.GetRoomWidth() * scale, s.GetRoomHeight() * scale};
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
    if (m_bInRoom) {
        const std::array<float, 3> room = RoomMetres();
        const std::vector<std::string> outside = CamerasOutside(placed, room);
        if (!outside.empty()) {
            std::string names;
            for (const std::string& name : outside)
                names += (names.empty() ? "" : ", ") + name;
            const std::string text =
                std::to_string(outside.size()) + " of the " + std::to_string(placed.cameras.size()) +
                " calibrated cameras are outside the room (" + Metres(room[0]) + " x " + Metres(room[1]) + " x " +
                Metres(room[2]) + " m): " + names + ".\nTake the box round the cameras as the room instead?";
            if (m_dialog.Prompts().ShowMessage(text, kTitle, PromptButtons::YesNo) != PromptAnswer::Yes) {
                emit importFinished(false);
                return;
            }
            Run(false);
            return;
        }
    }
    TakeCameras(placed);
    if (!m_bInRoom && !TakeRoom(placed)) {
        emit importFinished(false);
        return;
    }
    emit importFinished(true);
}

void CCalibrationImportCommand::TakeCameras(const Plan& placed)
{
    const auto change = [&placed] {
        SceneSettings& s = *GetSceneSettings();
        const auto n = static_cast<uint32_t>(placed.cameras.size());
        const std::array<float, 3> metres = RoomMetres();
        CRoomBox room;
        room.Update(metres[0], metres[1], metres[2]);
        s.SetCameraCount(n);
        FillCameraSet(placed.cameras, room.Corner(3), CCameraSet::Instance());
        s.SetFirstCamera(0);
        s.SetEndCamera(n);
    };
    // A rig to go back to makes it a step of the history; a first rig starts it, as Load File does.
    if (m_dialog.AreCamerasInitialised() && GetSceneSettings()->GetCameraCount() > 0) {
        m_undo.Apply("Import Calibration", change);
        return;
    }
    change();
    if (m_shown)
        m_shown();
    m_undo.Restart();
}

bool CCalibrationImportCommand::TakeRoom(const Plan& placed)
{
    // As typed into the boxes and stored by RENDER, which keeps the cameras at their distances from the corner.
    const std::pair<int, float> sides[] = {
        {kIdRoomLength, placed.length}, {kIdRoomWidth, placed.width}, {kIdRoomHeight, placed.height}};
    static_cast<QLineEdit*>(m_dialog.Control(kIdUnits))->setText("M");
    for (const auto& [id, metres] : sides)
        static_cast<QLineEdit*>(m_dialog.Control(id))->setText(QString::fromStdString(FormatBoxNumber(metres)));
    static_cast<QAbstractButton*>(m_dialog.Control(kIdRender))->click();
    const std::array<float, 3> room = RoomMetres();
    return room[0] == placed.length && room[1] == placed.width && room[2] == placed.height;
}
