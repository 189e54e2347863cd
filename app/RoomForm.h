#pragma once

#include "classic/RoomState.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

class CDialogItems;
class CVolumeView;
struct RigMarks;

// The dialog's room form: the unit, the room sides, the drawing scales and
// the voxel size, as RENDER stores them into the scene settings. A box whose
// text cannot be stored is refused and shows the value in force again; a room
// whose grid the computation refuses goes back to the one before.
class CRoomForm
{
  public:
    CRoomForm(CDialogItems& items, const RigMarks& rig, CVolumeView& view);

    // RENDER's part: stores the boxes, or refuses the first that cannot be
    // stored (the message said why) and answers false. Before any camera count
    // nothing is stored and nothing is refused.
    bool StoreRoom();
    // The computation request of the RENDER that just stored the room.
    void AwaitComputation(uint64_t request);
    // A computation was taken in, or refused the grid of the room it computed.
    void OnComputationFinished();
    void OnCoverageRefused();

    // The boxes show the stored room.
    void ShowRoom();
    // The boxes show the stored sides in feet, as typed for a plan entered in feet.
    void ShowRoomInFeet();
    // The unit of the room as typed: "m" or "ft".
    std::string TypedUnit() const;

  private:
    // The first room, scale or voxel box whose text cannot be stored, with the message.
    std::optional<std::pair<int, std::string>> CheckRoomBoxes() const;
    // The room boxes as last stored or shown, put back into a refused box.
    void RememberRoomBoxes();
    // Moves the cameras with the room just stored, keeping their user-frame positions.
    void KeepCamerasInTheRoom();

    CDialogItems& m_items;
    const RigMarks& m_rig;
    CVolumeView& m_view;

    // The room, scales and voxel size as stored, and their boxes' texts.
    struct StoredRoom {
        RoomState room;
        std::map<int, std::string> texts;
        // The computation request of that RENDER.
        uint64_t request = 0;
    };
    std::map<int, std::string> m_roomBoxTexts;
    // What the last RENDER replaced, until its computation is in.
    std::optional<StoredRoom> m_roomBeforeRender;
};
