#pragma once

#include "app/asbuilt/AsBuiltFigures.h"
#include "app/asbuilt/CalibrationChoice.h"
#include "coverage/CoverageInput.h"
#include "project/ProjectFile.h"

#include <QObject>

#include <memory>
#include <optional>

class CAsBuiltCompareDialog;
class CCalibrationPartner;
class CCoverageDifference;
class CClassicPlan;
class CReportCommands;
class CVolumePlannerDlg;
class QProgressDialog;
class QTemporaryDir;
class QThread;

// Plan > Compare with As Built: the plan as it stands, as a project file,
// and the calibration go to the calibration partner's `compare`, which
// reads, pairs, aligns and computes both coverages away from the window; its
// figures show in the comparison's dialog as it printed them. The Difference
// display is computed here, beside the event loop, from the plan and the
// aligned rig the partner wrote; the report goes through File > Export
// Report's partner with its "As built" section.
class CAsBuiltCompareCommand : public QObject
{
    Q_OBJECT
  public:
    CAsBuiltCompareCommand(CVolumePlannerDlg& dialog, CClassicPlan& plan, CReportCommands& report);
    ~CAsBuiltCompareCommand() override;

    void Compare();
    CCalibrationPartner& Partner() const { return *m_pPartner; }
    // Null until a comparison was shown.
    CAsBuiltCompareDialog* Window() const { return m_pWindow; }
    const std::optional<AsBuiltFigures>& Figures() const { return m_figures; }
    bool IsComputingDifference() const { return m_pThread != nullptr; }

  signals:
    // A comparison ended: shown (true), or refused or cancelled.
    void comparisonFinished(bool shown);
    // The Difference display is in the view (true) or gone from it.
    void differenceShown(bool on);

  private:
    void Read(const QByteArray& output);
    void Refuse(const std::string& reason);
    void ShowDifference(bool on);
    void TakeDifference();
    void ExportReport();

    CVolumePlannerDlg& m_dialog;
    CClassicPlan& m_windowPlan;
    CReportCommands& m_report;
    CCalibrationPartner* m_pPartner;
    CAsBuiltCompareDialog* m_pWindow = nullptr;
    CalibrationChoice m_choice;
    std::unique_ptr<QTemporaryDir> m_pScratch;
    std::optional<AsBuiltFigures> m_figures;
    // The plan's computation as the partner was handed it, and as the figures shown describe it.
    std::optional<CoverageInput> m_pendingPlan;
    std::optional<CoverageInput> m_plan;
    // The rig as built aligned into the plan's frame, as the partner wrote it.
    std::vector<PlanCamera> m_aligned;
    // The choice the figures shown were made with: the report is made with the same.
    CalibrationChoice m_shownChoice;
    std::shared_ptr<CCoverageDifference> m_pDifference;
    // The difference being computed, and its status once done.
    std::shared_ptr<CCoverageDifference> m_pComputing;
    std::shared_ptr<int> m_pStatus;
    QThread* m_pThread = nullptr;
    QProgressDialog* m_pBusy = nullptr;
};
