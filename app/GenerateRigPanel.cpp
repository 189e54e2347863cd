#include "app/GenerateRigPanel.h"

#include "app/BoxNumber.h"
#include "app/ClassicPlan.h"
#include "app/UserPrompts.h"
#include "app/VolumePlannerDlg.h"
#include "cameras/CameraSet.h"
#include "coverage/GridBudget.h"
#include "coverage/placement/RigGenerator.h"
#include "document/PlanEdits.h"
#include "project/PlacementOfPlan.h"
#include "project/ProjectFile.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
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

CGenerateRigPanel::CGenerateRigPanel(CVolumePlannerDlg& dialog, CClassicPlan& plan, std::function<bool()> mayDiscard,
                                     QWidget* parent)
    : QWidget(parent, Qt::Tool), m_dialog(dialog), m_plan(plan), m_mayDiscard(std::move(mayDiscard)),
      m_pLayout(new QComboBox(this)), m_pAim(new QComboBox(this)),
      m_pGenerate(new QPushButton(m_mayDiscard ? "Create Plan" : "Generate", this))
{
    setWindowTitle(m_mayDiscard ? "New Plan" : "Generate Rig");
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
        if (m_mayDiscard)
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
    if (!m_dialog.IsSceneReady())
        return;
    // The room as stored by the last RENDER, in metres, or the new plan's.
    const Plan current = m_plan.Captured();
    float length = current.length, width = current.width, height = current.height;
    if (m_mayDiscard) {
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
        if (GridVoxels(length, width, height, current.voxelCm) == 0) {
            refuse("Room: a side is below the voxel size (" + FormatBoxNumber(current.voxelCm) +
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
        request.aim = TargetCentre(m_mayDiscard ? std::vector<TargetBox>{} : current.placement.target, room);
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
    if (m_mayDiscard && !m_mayDiscard())
        return;

    std::vector<PlacedCamera> laidOut;
    for (const CameraPose& pose : LayOutRig(request, room))
        laidOut.push_back({{}, {}, pose, CameraModel{*lens}});
    std::vector<PlanCamera> cameras = PlanCamerasOfPlaced(laidOut, 1);
    if (!m_mayDiscard) {
        if (const auto error = m_plan.Edit("Generate Rig",
                                           [&cameras](Plan& plan) { return ReplaceCameras(plan, std::move(cameras)); }))
            refuse(*error);
        return;
    }
    // A new plan of the room typed, with the voxel size, scales, criteria and planning settings the window has.
    Plan plan = current;
    plan.cameras.clear();
    plan.obstacles = {};
    plan.placement = {};
    plan.report = {};
    plan.window.reset();
    plan.kept = Json::object();
    RoomValues typed = RoomValuesOf(plan);
    typed.unit = "m";
    typed.length = length;
    typed.width = width;
    typed.height = height;
    if (auto error = SetRoom(plan, typed)) {
        refuse(*error);
        return;
    }
    if (auto error = ReplaceCameras(plan, std::move(cameras))) {
        refuse(*error);
        return;
    }
    m_plan.StartNew(std::move(plan));
}
