#include "app/CameraTableModel.h"

#include "classic/ClassicParameters.h"
#include "app/BoxNumber.h"
#include "app/ClassicPlan.h"
#include "app/UserPrompts.h"
#include "cameras/CameraSet.h"
#include "cameras/CameraTypes.h"
#include "coverage/PlanningCamera.h"
#include "coverage/PlanningMeasures.h"
#include "document/PlanEdits.h"
#include "project/ProjectFile.h"
#include "scene/SceneSettings.h"

#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace
{

struct ColumnInfo {
    const char* header;
    // The number's name in a refusal, as Update Settings names it; null for no number.
    const char* name;
    bool positive;
    const char* tip;
};

const ColumnInfo kColumns[CCameraTableModel::kColCount] = {
    {"Label", nullptr, false, "The camera's name"},
    {"On", nullptr, false, "Enabled: the camera counts in the coverage"},
    {"X (m)", "X position", false, "Metres from the room corner along the room length"},
    {"Y (m)", "Y position", false, "Metres above the floor"},
    {"Z (m)", "Z position", false, "Metres from the room corner across the room width"},
    {"Pan (deg)", "horizontal tilt", false,
     "Degrees about the vertical (the dialog's \"Horizontal tilt\"); 0 looks along +X, 90 along +Z"},
    {"Tilt (deg)", "vertical tilt", false, "Degrees below the horizontal; 90 looks straight down"},
    {"Spin (deg)", "spin", false, "Degrees about the optical axis"},
    {"Lens (mm)", "focal length", true, "Focal length in millimetres"},
    {"F-stop", "f-stop", true, "The lens's f-number N"},
    {"Frame W (mm)", "frame width", true, "Film frame (sensor) width in millimetres"},
    {"Frame H (mm)", "frame height", true, "Film frame (sensor) height in millimetres"},
    {"Sensor", nullptr, false, "Sensor pixels: the camera type, or the pixels of a camera of its own"},
    {"Reach (m)", nullptr, false,
     "Metres at which the planning marker images at the least image size (Planning panel settings)"},
};

const char* const kRefusedCaption = "Invalid Action";

// A position shown with the digits that store it back unchanged, as the dialog's boxes show it.
QString PositionText(const CCameraSet& cams, int i, int column)
{
    const Vec3d position = cams.GetPosition(i);
    const Vec3d user = cams.ToUser(position);
    const auto origin = [](double o) { return static_cast<float>(o); };
    std::string text;
    if (column == CCameraTableModel::kColX)
        text = FormatBoxNumber(user.x, [&](float typed) {
            return typed + origin(cams.GetUserOriginX()) == static_cast<float>(position.x);
        });
    else if (column == CCameraTableModel::kColY)
        text = FormatBoxNumber(user.y, [&](float typed) {
            return typed - origin(cams.GetUserOriginY()) == static_cast<float>(position.y);
        });
    else
        text = FormatBoxNumber(user.z, [&](float typed) {
            return origin(cams.GetUserOriginZ()) - typed == static_cast<float>(position.z);
        });
    return QString::fromStdString(text);
}

} // namespace

CCameraTableModel::CCameraTableModel(CClassicPlan& plan, CUserPrompts& prompts, std::function<bool()> hasRig,
                                     QObject* parent)
    : QAbstractTableModel(parent), m_plan(plan), m_prompts(prompts), m_hasRig(std::move(hasRig))
{
    Refresh();
}

int CCameraTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int CCameraTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColCount;
}

void CCameraTableModel::Refresh()
{
    const SceneSettings* s = GetSceneSettings();
    const CCameraSet* set = CCameraSet::Current();
    const int rows = s && set && set->IsAllocated() && m_hasRig() ? static_cast<int>(s->GetCameraCount()) : 0;
    if (rows != m_nRows) {
        beginResetModel();
        m_nRows = rows;
        endResetModel();
    } else if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, kColCount - 1));
}

QVariant CCameraTableModel::data(const QModelIndex& index, int role) const
{
    const CCameraSet* set = CCameraSet::Current();
    if (!index.isValid() || index.row() >= m_nRows || !set)
        return {};
    const CCameraSet& cams = *set;
    const int i = index.row();
    const int column = index.column();
    if (role == Qt::ToolTipRole)
        return kColumns[column].tip;
    if (column == kColEnabled)
        return role == Qt::CheckStateRole ? QVariant(cams.GetEnabled(i) == 1 ? Qt::Checked : Qt::Unchecked)
                                          : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const auto number = [](float v) { return QString::fromStdString(FormatBoxNumber(v)); };
    switch (column) {
    case kColLabel:
        return QString::fromStdString(cams.GetLabel(i));
    case kColX:
    case kColY:
    case kColZ:
        return PositionText(cams, i, column);
    case kColPan:
        return number(cams.GetHTilt(i));
    case kColTilt:
        return number(cams.GetVTilt(i));
    case kColSpin:
        return number(cams.GetSpin(i));
    case kColLens:
        return number(cams.GetFocalLength(i));
    case kColFStop:
        return number(cams.GetFNumber(i));
    case kColFrameWidth:
        return number(cams.GetFrameWidth(i));
    case kColFrameHeight:
        return number(cams.GetFrameHeight(i));
    case kColPixels: {
        const QString pixels = QString("%1 x %2 px").arg(cams.GetSensorPixelsX(i)).arg(cams.GetSensorPixelsY(i));
        const int type = cams.GetCameraType(i);
        return type == kCustomCameraType ? pixels : QString::fromStdString(CameraTypeName(type)) + ", " + pixels;
    }
    case kColReach: {
        const double reachMm = CameraReachOf(cams, i, GetPlanningSettings());
        return std::isfinite(reachMm) ? QString::number(reachMm / 1000.0, 'f', 2) : QString("-");
    }
    default:
        return {};
    }
}

QVariant CCameraTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= kColCount)
        return {};
    if (role == Qt::DisplayRole)
        return kColumns[section].header;
    if (role == Qt::ToolTipRole)
        return kColumns[section].tip;
    return {};
}

Qt::ItemFlags CCameraTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return flags;
    if (index.column() == kColEnabled)
        return flags | Qt::ItemIsUserCheckable;
    if (index.column() == kColPixels || index.column() == kColReach)
        return flags;
    return flags | Qt::ItemIsEditable;
}

bool CCameraTableModel::Refuse(int row, const QString& reason)
{
    const CCameraSet& cams = CCameraSet::Instance();
    m_prompts.ShowMessage(cams.GetLabel(row) + " not changed\n" + reason.toStdString(), kRefusedCaption,
                          PromptButtons::Ok);
    // The cell shows the value the camera keeps.
    emit dataChanged(index(row, 0), index(row, kColCount - 1));
    return false;
}

bool CCameraTableModel::Change(int row, const QString& title, const std::function<void(PlanCamera&)>& change)
{
    const auto i = static_cast<size_t>(row);
    const std::optional<std::string> refusal =
        m_plan.Edit(title.toStdString(), [i, &change](Plan& plan) -> std::optional<std::string> {
            if (i >= plan.cameras.size())
                return "There is no camera " + std::to_string(i + 1);
            PlanCamera camera = plan.cameras[i];
            change(camera);
            return SetCamera(plan, i, camera);
        });
    if (refusal)
        return Refuse(row, QString::fromStdString(*refusal));
    return true;
}

bool CCameraTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= m_nRows)
        return false;
    const int i = index.row();
    const int column = index.column();
    const CCameraSet& cams = CCameraSet::Instance();
    const QString title = QString("Edit %1").arg(QString::fromStdString(cams.GetLabel(i)));
    if (column == kColEnabled) {
        if (role != Qt::CheckStateRole)
            return false;
        const bool enabled = value.value<Qt::CheckState>() == Qt::Checked;
        return Change(i, title, [enabled](PlanCamera& camera) { camera.enabled = enabled; });
    }
    if (role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    if (column == kColLabel) {
        const QString label = text.trimmed();
        if (label.isEmpty() || label.contains(QRegularExpression("[\\x00-\\x1f\\x7f]")))
            return Refuse(i, "The label \"" + text + "\" is empty or holds a tab or a line break.");
        return Change(i, title, [&label](PlanCamera& camera) { camera.label = label.toStdString(); });
    }
    const ColumnInfo& info = kColumns[column];
    if (!info.name)
        return false;
    const std::optional<float> read = ReadBoxNumber(text.toStdString());
    if (!read || !std::isfinite(*read) || (info.positive && !(*read > 0.0f)))
        return Refuse(i, QString("The %1 \"%2\" is not %3. The camera keeps all its previous values.")
                             .arg(info.name, text, info.positive ? "a number above 0" : "a number"));
    const float v = *read;
    if (column == kColX || column == kColY || column == kColZ) {
        // A position far outside the room is a typing error, refused as the dialog's boxes refuse it.
        const RoomSize room = m_plan.Room();
        const double side = column == kColX ? room.length : column == kColY ? room.height : room.width;
        if (!(v >= -kMaxCameraOutsideMetres && v <= side + kMaxCameraOutsideMetres))
            return Refuse(i, QString("The %1 \"%2\" is more than %3 m outside the room. The camera keeps all its "
                                     "previous values.")
                                 .arg(info.name, text)
                                 .arg(kMaxCameraOutsideMetres));
    }
    return Change(i, title, [column, v](PlanCamera& camera) {
        // The user frame, as the plan holds it.
        switch (column) {
        case kColX:
            camera.x = v;
            break;
        case kColY:
            camera.y = v;
            break;
        case kColZ:
            camera.z = v;
            break;
        case kColPan:
            camera.hTilt = v;
            break;
        case kColTilt:
            camera.vTilt = v;
            break;
        case kColSpin:
            camera.spin = v;
            break;
        case kColLens:
            camera.focalLength = v;
            break;
        case kColFStop:
            camera.fNumber = v;
            break;
        case kColFrameWidth:
            camera.frameWidth = v;
            break;
        case kColFrameHeight:
            camera.frameHeight = v;
            break;
        default:
            break;
        }
    });
}
