#pragma once

#include "app/asbuilt/CalibrationChoice.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CCalibrationPartner;
class CPlanUndo;
class CVolumePlannerDlg;
class QTemporaryDir;
struct Plan;

// File > Import Calibration as Rig: the calibrated cameras become the
// plan's rig, as one step of the rig's history. The calibration partner
// reads and places them (in the plan's room, or in the box round them when
// they do not fit and the user takes it) and writes them as a project file,
// which the window reads as it reads any; the plan is untouched until then.
class CCalibrationImportCommand : public QObject
{
    Q_OBJECT
  public:
    // `shown` runs after the rig was replaced, as after an undo.
    CCalibrationImportCommand(CVolumePlannerDlg& dialog, CPlanUndo& undo, std::function<void()> shown);
    ~CCalibrationImportCommand() override;

    void Import();
    CCalibrationPartner& Partner() const { return *m_pPartner; }

  signals:
    // The rig is the calibration's now (true), or stays as it was (false).
    void importFinished(bool imported);

  private:
    void Run(bool inRoom);
    void Read();
    void Refuse(const std::string& reason);
    // The plan's room now, in metres: length, width, height.
    static std::array<float, 3> RoomMetres();
    void TakeCameras(const Plan& placed);
    bool TakeRoom(const Plan& placed);

    CVolumePlannerDlg& m_dialog;
    CPlanUndo& m_undo;
    std::function<void()> m_shown;
    CCalibrationPartner* m_pPartner;
    CalibrationChoice m_choice;
    std::unique_ptr<QTemporaryDir> m_pScratch;
    // The run places the cameras in the plan's room (else in their own box).
    bool m_bInRoom = true;
};
