#pragma once

class CDialogItems;
class CVolumeView;
struct RigMarks;

// The dialog's volume criteria: the Iso Volume operator and camera threshold,
// and the two resolution bounds with their operators, stored into the
// coverage parameters by Iso Volume (and by RENDER).
class CVolumeCriteria
{
  public:
    CVolumeCriteria(CDialogItems& items, const RigMarks& rig, CVolumeView& view);

    // Stores the criteria, or refuses the first box that cannot be stored and
    // shows the value in force again.
    void OnIsoVolume();
    // The boxes and lists show the criteria as stored.
    void ShowCriteria();

  private:
    CDialogItems& m_items;
    const RigMarks& m_rig;
    CVolumeView& m_view;
};
