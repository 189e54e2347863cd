#include "app/GenerateRigPanel.h"

#include "classic/ClassicParameters.h"
#include "app/BoxNumber.h"
#include "app/PlanPlacement.h"
#include "app/PlanUndo.h"
#include "app/UserPrompts.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "coverage/GridBudget.h"
#include "coverage/placement/RigGenerator.h"
#include "project/ProjectFile.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QUndoStack>
#include <QVBoxLayout>

#include <cmath>
#include <optional>
#include <string>

namespace
{

const char* const kRefusedCaption = "Invalid Action";

// "x, y, z" (commas or blanks between): three numbers as the boxes read them.
std::optional<Vec3d> ReadPoint(const QString& text)
{
    const QStringList parts = text.split(QRegularExpression("[,\\s]+"), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return std::nullopt;
    double v[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<float> read = ReadBoxNumber(parts[i].toStdString());
        if (!read)
            return std::nullopt;
        v[i] = *read;
    }
    return Vec3d{v[0], v[1], v[2]};
}

} // namespace

CGenerateRigPanel::CGenerateRigPanel(CVolumePlannerDlg& dialog, CPlanUndo& undo,
                                     std::shared_ptr<PlanPlacement> placement, std::function<bool()> startNewPlan,
                                     QWidget* parent)
    : QWidget(parent, Qt::Tool), m_dialog(dialog), m_undo(undo), m_pPlacement(std::move(placement)),
      m_startNewPlan(std::move(startNewPlan)), m_pLayout(new QComboBox(this)), m_pAim(new QComboBox(this)),
      m_pGenerate(new QPushButton(m_startNewPlan ? "Create Plan" : "Generate", this))
{
    setWindowTitle(m_startNewPlan ? "New Plan" : "Generate Rig");
    m_pLayout->addItems({"Ring on the walls", "Grid on the ceiling"});
    m_pAim->addItems({"Centre of the target", "A point"});
    const char* const defaults[] = {"6", "5", "3", "8", "2.5", "", "8.5"};
    const char* const aimTip = "The point every camera looks at: x, y, z in metres from the room corner (X along the "
                               "length, Y above the floor, Z across the width)";
    const char* const tips[] = {"Room length in metres (along X), above 0 and at most 1000",
                                "Room width in metres (along Z), above 0 and at most 1000",
                                "Room height in metres (along Y, floor to ceiling), above 0 and at most 1000",
                                "How many cameras the new rig has, 1 to 1000",
                                "Metres above the floor of the ring (a ceiling grid hangs at the room height)",
                                aimTip,
                                "Focal length of every camera, in millimetres"};
    for (int f = 0; f < kFieldCount; ++f) {
        m_fields[f] = new QLineEdit(defaults[f], this);
        m_fields[f]->setToolTip(tips[f]);
    }
    m_pLayout->setToolTip(
        "Where the cameras go: at equal steps round the walls, or in rows and columns on the ceiling");
    m_pAim->setToolTip("What every camera looks at: the centre of the Auto-Place target (or of the floor area "
                       "0.5 m in from the walls), or the point below");
    auto* form = new QFormLayout;
    const char* const sides[] = {"Room length (m)", "Room width (m)", "Room height (m)"};
    for (const Field side : {kRoomLength, kRoomWidth, kRoomHeight}) {
        if (m_startNewPlan)
            form->addRow(sides[side], m_fields[side]);
        else
            m_fields[side]->hide();
    }
    form->addRow("Layout", m_pLayout);
    form->addRow("Cameras", m_fields[kCount]);
    form->addRow("Ring height (m)", m_fields[kHeight]);
    form->addRow("Aim at", m_pAim);
    form->addRow("Aim point (m: x, y, z)", m_fields[kAimPoint]);
    form->addRow("Lens (mm)", m_fields[kLens]);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pGenerate);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(m_pLayout, &QComboBox::currentIndexChanged, this, &CGenerateRigPanel::ShowFieldsInUse);
    connect(m_pAim, &QComboBox::currentIndexChanged, this, &CGenerateRigPanel::ShowFieldsInUse);
    connect(m_pGenerate, &QPushButton::clicked, this, &CGenerateRigPanel::Generate);
    ShowFieldsInUse();
}

void CGenerateRigPanel::ShowFieldsInUse()
{
    m_fields[kHeight]->setEnabled(m_pLayout->currentIndex() == 0);
    m_fields[kAimPoint]->setEnabled(m_pAim->currentIndex() == kAimAtPoint);
}

void CGenerateRigPanel::Generate()
{
    const auto refuse = [this](const std::string& reason) {
        m_dialog.Prompts().ShowMessage("Rig not generated\n" + reason, kRefusedCaption, PromptButtons::Ok);
    };
    SceneSettings* s = GetSceneSettings();
    if (!s || !m_dialog.IsSceneReady())
        return;
    // The room as stored by the last RENDER, in metres, or the new plan's.
    const float toMetres = s->InFeet() ? kMetresPerFoot : 1.0f;
    float length = s->GetRoomLength() * toMetres, width = s->GetRoomWidth() * toMetres,
          height = s->GetRoomHeight() * toMetres;
    if (m_startNewPlan) {
        const char* const names[] = {"Room length", "Room width", "Room height"};
        float* const sides[] = {&length, &width, &height};
        for (const Field side : {kRoomLength, kRoomWidth, kRoomHeight}) {
            const std::string text = m_fields[side]->text().toStdString();
            const std::optional<float> read = ReadBoxNumber(text);
            if (!read || !(*read > 0.0f) || *read > kMaxRoomMetres) {
                refuse(std::string(names[side]) + " \"" + text + "\": metres, above 0 and at most 1000");
                return;
            }
            *sides[side] = *read;
        }
        if (GridVoxels(length, width, height, GetVoxelSize()) == 0) {
            refuse("Room: a side is below the voxel size (" + FormatBoxNumber(GetVoxelSize()) +
                   " cm), so the grid would hold no voxel");
            return;
        }
    }
    const RoomSize room{length, width, height};

    RigLayoutRequest request;
    request.layout = m_pLayout->currentIndex() == 0 ? RigLayout::WallRing : RigLayout::CeilingGrid;
    const std::optional<long long> count = ReadBoxCount(m_fields[kCount]->text().toStdString());
    if (!count || !IsValidCameraCount(*count)) {
        refuse("Cameras \"" + m_fields[kCount]->text().toStdString() + "\": a whole number from 1 to " +
               std::to_string(kMaxCameras));
        return;
    }
    request.count = static_cast<int>(*count);
    if (request.layout == RigLayout::WallRing) {
        const std::optional<float> h = ReadBoxNumber(m_fields[kHeight]->text().toStdString());
        if (!h) {
            refuse("Ring height \"" + m_fields[kHeight]->text().toStdString() + "\" is not a number");
            return;
        }
        request.height = *h;
    }
    if (m_pAim->currentIndex() == kAimAtPoint) {
        const std::optional<Vec3d> point = ReadPoint(m_fields[kAimPoint]->text());
        if (!point) {
            refuse("Aim point \"" + m_fields[kAimPoint]->text().toStdString() + "\": three numbers x, y, z in metres");
            return;
        }
        request.aim = *point;
    } else
        // A new plan has the default target of its room.
        request.aim = TargetCentre(
            m_pPlacement && !m_startNewPlan ? m_pPlacement->Current().target : std::vector<TargetBox>{}, room);
    const std::optional<float> lens = ReadBoxNumber(m_fields[kLens]->text().toStdString());
    if (!lens || !(*lens > 0.0f)) {
        refuse("Lens \"" + m_fields[kLens]->text().toStdString() + "\" is not a number above 0");
        return;
    }
    if (const auto why = CheckRigLayout(request, room)) {
        refuse(*why);
        return;
    }

    // The question about unsaved changes comes once every field was taken.
    if (m_startNewPlan && !m_startNewPlan())
        return;

    const std::vector<CameraPose> poses = LayOutRig(request, room);
    const CameraModel model{*lens};
    const bool firstRig = m_startNewPlan || !m_dialog.AreCamerasInitialised();
    const bool newPlan = static_cast<bool>(m_startNewPlan);
    m_undo.Apply(newPlan ? "New Plan" : "Generate Rig", [s, &poses, &model, length, width, height, newPlan] {
        CCameraSet& set = CCameraSet::Instance();
        if (newPlan) {
            s->SetUnits("m");
            s->SetRoomLength(length);
            s->SetRoomWidth(width);
            s->SetRoomHeight(height);
        }
        s->SetCameraCount(static_cast<uint32_t>(poses.size()));
        s->SetFirstCamera(0);
        set.Release();
        set.Allocate();
        // The positions count from the corner of the room stored.
        CRoomBox box;
        box.Update(length, width, height);
        set.SetUserOrigin(box.Corner(3));
        for (size_t k = 0; k < poses.size(); ++k) {
            const int i = static_cast<int>(k);
            set.SetFilePosition(i, poses[k].position);
            set.SetFocalLength(i, model.focalMm);
            set.SetFNumber(i, model.fNumber);
            set.SetFrameWidth(i, model.frameWidthMm);
            set.SetFrameHeight(i, model.frameHeightMm);
            set.SetHTilt(i, poses[k].hTilt);
            set.SetVTilt(i, poses[k].vTilt);
            set.SetSpin(i, 0.0f);
            set.SetEnabled(i, 1);
            set.SetCameraType(i, model.cameraType);
        }
        set.RecomputeFieldOfView();
    });
    // Before any rig there is nothing to go back to: the generated one starts the history, as Enter's does;
    // a new plan starts it too.
    if (firstRig)
        m_undo.Stack().clear();
}
