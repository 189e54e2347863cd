#pragma once

#include "app/asbuilt/CalibrationChoice.h"

#include <QObject>

#include <array>
#include <memory>
#include <optional>
#include <string>

class CCalibrationPartner;
class CClassicPlan;
class CVolumePlannerDlg;
class QTemporaryDir;
struct Plan;

// File > Import Calibration as Rig: the calibrated cameras become the
// plan's rig, as one step of its history. The calibration partner reads and
// places them (in the plan's room, or in the box round them when they do not
// fit and the user takes it; else they stand where the calibration has them
// and the room stays) and writes them as a project file, which the window
// reads as it reads any; the plan is untouched until then.
class CCalibrationImportCommand : public QObject
{
    Q_OBJECT
  public:
    CCalibrationImportCommand(CVolumePlannerDlg& dialog, CClassicPlan& plan);
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
    std::array<float, 3> RoomMetres() const;
    // The placed cameras as the plan's rig, in the room they were placed in
    // (the plan's, else the box round them); false, said why, when refused.
    bool Take(const Plan& placed);

    CVolumePlannerDlg& m_dialog;
    CClassicPlan& m_plan;
    CCalibrationPartner* m_pPartner;
    CalibrationChoice m_choice;
    std::unique_ptr<QTemporaryDir> m_pScratch;
    // The run places the cameras in the plan's room (else in their own box).
    bool m_bInRoom = true;
};
