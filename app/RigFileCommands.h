#pragma once

#include <functional>
#include <string>

class CDialogItems;
class CVolumeView;
struct RigMarks;

// The dialog's commands on rig files: Load File and Save File of the camera
// data, and the calibration the classic test mode compares with.
class CRigFileCommands
{
  public:
    // `refresh` fills the dialog's boxes from a rig just loaded; `saved`
    // hears the path Save File wrote.
    CRigFileCommands(CDialogItems& items, RigMarks& rig, CVolumeView& view, std::function<void()> refresh,
                     std::function<void(const std::string&)> saved);

    void OnLoadFile();
    void OnSaveFile();
    // Imports the calibration for the test mode's next recalculation.
    void OnTest();

  private:
    CDialogItems& m_items;
    RigMarks& m_rig;
    CVolumeView& m_view;
    std::function<void()> m_refresh;
    std::function<void(const std::string&)> m_saved;
};
