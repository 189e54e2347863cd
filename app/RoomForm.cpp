#include "app/RoomForm.h"

#include "classic/ClassicParameters.h"
#include "app/BoxNumber.h"
#include "app/DialogItems.h"
#include "app/DialogLayout.h"
#include "app/DialogRules.h"
#include "app/RigMarks.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageVolume.h"
#include "coverage/GridBudget.h"
#include "project/JsonText.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"
#include "scene/RoomBox.h"
#include "scene/SceneSettings.h"

namespace
{

const char* const kInvalidRoomOrVoxel =
    "Room length, width and height and the voxel size must be numbers above 0. The previous values are kept.";
// A negative scale mirrors the drawing; 0 or no number leaves nothing to see.
const char* const kInvalidScale =
    "The scale factors must be numbers other than 0. The previous room, voxel size and scales are kept.";
const char* const kNoVoxelInRoom = "The voxel size is larger than a room dimension, so the grid would hold no voxel. "
                                   "The previous room and voxel size are kept.";

// The boxes RENDER stores, named as their labels name them.
struct RoomBox {
    int id;
    const char* name;
};
const RoomBox kRoomBoxes[] = {{kIdRoomLength, "Room Length"},   {kIdRoomWidth, "Room Width"},
                              {kIdRoomHeight, "Room Height"},   {kIdScaleX, "Scale X"},
                              {kIdScaleY, "Scale Y"},           {kIdScaleZ, "Scale Z"},
                              {kIdVoxelSize, "Voxel Size (CM)"}};
const char* const kRoomKept = " The previous room, scales and voxel size are kept.";

CCameraSet& Cameras()
{
    return CCameraSet::Instance();
}

SceneSettings& Settings()
{
    return *GetSceneSettings();
}

} // namespace

CRoomForm::CRoomForm(CDialogItems& items, const RigMarks& rig, CVolumeView& view)
    : m_items(items), m_rig(rig), m_view(view)
{
}

bool CRoomForm::StoreRoom()
{
    if (const auto refusal = CheckRoomBoxes()) {
        // Before any camera count the boxes have never been filled: nothing
        // is stored and RENDER's messages about the cameras tell the user
        // what to do first.
        if (m_rig.camerasInitialised) {
            m_items.Message(refusal->second, kInvalidAction);
            // The box shows the value in force again, as every other box does.
            m_items.PutBack(refusal->first, m_roomBoxTexts[refusal->first]);
            return false;
        }
        return true;
    }
    const StoredRoom before{RoomState::Capture(), m_roomBoxTexts};
    // Kept until a computation takes it; before any camera count there is none.
    if (!m_roomBeforeRender && m_rig.camerasInitialised)
        m_roomBeforeRender = before;
    RoomState{m_items.ItemText(kIdUnits),       *m_items.BoxValue(kIdRoomLength), *m_items.BoxValue(kIdRoomWidth),
              *m_items.BoxValue(kIdRoomHeight), *m_items.BoxValue(kIdScaleX),     *m_items.BoxValue(kIdScaleY),
              *m_items.BoxValue(kIdScaleZ),     *m_items.BoxValue(kIdVoxelSize)}
        .Apply();
    KeepCamerasInTheRoom();
    RememberRoomBoxes();
    return true;
}

void CRoomForm::AwaitComputation(uint64_t request)
{
    if (m_roomBeforeRender)
        m_roomBeforeRender->request = request;
}

void CRoomForm::OnComputationFinished()
{
    // Only the computation of that RENDER (or a later one) settles it:
    // an earlier one may end after the click.
    if (m_roomBeforeRender && m_view.Renderer().GetLastTakenRequests() >= m_roomBeforeRender->request)
        m_roomBeforeRender.reset();
}

std::optional<std::pair<int, std::string>> CRoomForm::CheckRoomBoxes() const
{
    std::map<int, float> value;
    for (const RoomBox& box : kRoomBoxes) {
        const std::optional<float> read = m_items.BoxValue(box.id);
        if (!read)
            return std::make_pair(box.id, std::string(box.name) + " " + Quoted(m_items.ItemText(box.id)) +
                                              " is not a number." + kRoomKept);
        value[box.id] = *read;
    }
    const std::string units = m_items.ItemText(kIdUnits);
    // A unit other than M or F is ignored: the one stored goes on.
    const std::string unit =
        units == "m" || units == "M" || units == "f" || units == "F" ? units : Settings().GetUnits();
    const bool feet = IsFeetUnit(unit);
    const float toMetres = feet ? kMetresPerFoot : 1.0f;
    for (const int id : {kIdRoomLength, kIdRoomWidth, kIdRoomHeight, kIdVoxelSize})
        if (!IsUsableRoomAndVoxel(value[id], 1.0f, 1.0f, 1.0f))
            return std::make_pair(id, std::string(kInvalidRoomOrVoxel));
    for (const int id : {kIdScaleX, kIdScaleY, kIdScaleZ})
        if (value[id] == 0.0f)
            return std::make_pair(id, std::string(kInvalidScale));
    for (const RoomBox& box : kRoomBoxes) {
        if (box.id != kIdRoomLength && box.id != kIdRoomWidth && box.id != kIdRoomHeight)
            continue;
        if (value[box.id] * toMetres > kMaxRoomMetres)
            return std::make_pair(box.id, std::string(box.name) + " " + m_items.ItemText(box.id) +
                                              (feet ? " ft" : " m") +
                                              " is above the largest room side, 1000 m (3280 ft)." + kRoomKept);
    }
    if (value[kIdVoxelSize] > kMaxVoxelCm)
        return std::make_pair(kIdVoxelSize, "Voxel Size " + m_items.ItemText(kIdVoxelSize) +
                                                " cm is above the largest voxel, 10000 cm." + kRoomKept);
    if (GridVoxels(value[kIdRoomLength] * toMetres, value[kIdRoomWidth] * toMetres, value[kIdRoomHeight] * toMetres,
                   value[kIdVoxelSize]) == 0)
        return std::make_pair(kIdVoxelSize, std::string(kNoVoxelInRoom));
    // The cameras keep their distances from the room corner: a room that leaves one far outside it is a typing
    // error, as a camera typed there is.
    const CCameraSet& cams = Cameras();
    if (m_rig.camerasInitialised && cams.IsAllocated()) {
        for (const RoomBox& box : kRoomBoxes) {
            const int axis = box.id == kIdRoomLength   ? 0
                             : box.id == kIdRoomHeight ? 1
                             : box.id == kIdRoomWidth  ? 2
                                                       : -1;
            if (axis < 0)
                continue;
            const double side = value[box.id] * toMetres;
            for (uint32_t c = 0; c < Settings().GetCameraCount(); ++c) {
                const Vec3d user = cams.GetFilePosition(static_cast<int>(c));
                const double at = axis == 0 ? user.x : axis == 1 ? user.y : user.z;
                if (at <= side + kMaxCameraOutsideMetres)
                    continue;
                return std::make_pair(box.id,
                                      std::string(box.name) + " " + m_items.ItemText(box.id) + (feet ? " ft" : " m") +
                                          " would leave " + cams.GetLabel(static_cast<int>(c)) + " more than " +
                                          ShortestText(kMaxCameraOutsideMetres) + " m outside the room." + kRoomKept);
            }
        }
    }
    return std::nullopt;
}

void CRoomForm::OnCoverageRefused()
{
    if (!m_roomBeforeRender || m_view.Renderer().GetLastTakenRequests() < m_roomBeforeRender->request)
        return;
    // The computation could not hold the grid: the plan stays as it was
    // before that RENDER, and so does the coverage shown.
    const StoredRoom before = std::move(*m_roomBeforeRender);
    m_roomBeforeRender.reset();
    before.room.Apply();
    KeepCamerasInTheRoom();
    for (const auto& [id, text] : before.texts)
        m_items.PutBack(id, text);
    m_roomBoxTexts = before.texts;
}

void CRoomForm::KeepCamerasInTheRoom()
{
    CCameraSet& cams = Cameras();
    if (!m_rig.camerasInitialised || !cams.IsAllocated())
        return;
    // The frame converts feet at its next paint; the corner is needed now,
    // from the same single-precision products.
    const SceneSettings& s = Settings();
    const bool feet = s.InFeet();
    const float toMetres = feet ? kMetresPerFoot : 1.0f;
    CRoomBox room;
    room.Update(s.GetRoomLength() * toMetres, s.GetRoomWidth() * toMetres, s.GetRoomHeight() * toMetres);
    cams.MoveUserOrigin(room.Corner(3));
}

void CRoomForm::RememberRoomBoxes()
{
    m_roomBoxTexts[kIdUnits] = m_items.ItemText(kIdUnits);
    for (const RoomBox& box : kRoomBoxes)
        m_roomBoxTexts[box.id] = m_items.ItemText(box.id);
}

void CRoomForm::ShowRoom()
{
    const SceneSettings& s = Settings();
    m_items.SetItemText(kIdUnits, s.GetUnits());
    m_items.SetItemText(kIdRoomLength, FormatBoxNumber(s.GetRoomLength()));
    m_items.SetItemText(kIdRoomWidth, FormatBoxNumber(s.GetRoomWidth()));
    m_items.SetItemText(kIdRoomHeight, FormatBoxNumber(s.GetRoomHeight()));
    m_items.SetItemText(kIdScaleX, FormatBoxNumber(g_fSceneScaleX));
    m_items.SetItemText(kIdScaleY, FormatBoxNumber(g_fSceneScaleY));
    m_items.SetItemText(kIdScaleZ, FormatBoxNumber(g_fSceneScaleZ));
    m_items.SetItemText(kIdVoxelSize, FormatBoxNumber(GetVoxelSize()));
    RememberRoomBoxes();
}

void CRoomForm::ShowRoomInFeet()
{
    const SceneSettings& s = Settings();
    // As typed: the next RENDER converts the feet again.
    m_items.SetItemText(kIdUnits, "F");
    const auto feet = [](float metres) {
        return FormatBoxNumber(metres / kMetresPerFoot,
                               [metres](float typed) { return typed * kMetresPerFoot == metres; });
    };
    m_items.SetItemText(kIdRoomLength, feet(s.GetRoomLength()));
    m_items.SetItemText(kIdRoomWidth, feet(s.GetRoomWidth()));
    m_items.SetItemText(kIdRoomHeight, feet(s.GetRoomHeight()));
    RememberRoomBoxes();
}

std::string CRoomForm::TypedUnit() const
{
    const std::string unit = m_items.ItemText(kIdUnits);
    return IsFeetUnit(unit) ? "ft" : "m";
}
