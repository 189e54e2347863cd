#pragma once

#include "app/asbuilt/AsBuiltFigures.h"
#include "app/asbuilt/CalibrationChoice.h"

#include <QDockWidget>

#include <memory>
#include <optional>

class CCalibrationPartner;
class CQtPlanDocument;
class CUserPrompts;
class QLabel;
class QPushButton;
class QTableWidget;
class QTemporaryDir;
struct Plan;

// As Built: the plan against its rig as built, from the rig's calibration
// files. Import as Rig makes the calibrated cameras the plan's, as one step
// (in the plan's room, or in the box round them when they stand outside it
// and the user takes that); Compare shows how far each camera is from its
// plan and what the coverage gained and lost. The calibration partner reads
// the files and computes the comparison, away from the window.
class CAsBuiltDock : public QDockWidget
{
    Q_OBJECT
  public:
    // The cameras table's columns.
    enum Column { kColPlan, kColAsBuilt, kColPosition, kColAim, kColRoll, kColFocal, kColCount };

    CAsBuiltDock(CQtPlanDocument& document, CUserPrompts& prompts, QWidget* parent = nullptr);
    ~CAsBuiltDock() override;

    // The calibration the next import or comparison reads.
    void SetChoice(const CalibrationChoice& choice);
    const CalibrationChoice& Choice() const { return m_choice; }
    void Import();
    void Compare();

    CCalibrationPartner& Partner() const { return *m_pPartner; }
    const std::optional<AsBuiltFigures>& Figures() const { return m_figures; }
    QTableWidget* Cameras() const { return m_pCameras; }
    QLabel* Summary() const { return m_pSummary; }
    QPushButton* ImportButton() const { return m_pImport; }
    QPushButton* CompareButton() const { return m_pCompare; }

    QSize sizeHint() const override { return {340, 400}; }

  signals:
    // A run ended: the plan took the rig or the figures are shown (true), or nothing changed.
    void finished(bool done);

  private:
    enum class Run { None, Import, ImportInBox, Compare };
    void Choose();
    void Start(Run run);
    void Read(const QByteArray& output);
    void TakeRig(const Plan& placed);
    void ShowFigures();
    void Refuse(const std::string& what, const std::string& reason);
    void ShowChoice();

    CQtPlanDocument& m_document;
    CUserPrompts& m_prompts;
    CCalibrationPartner* m_pPartner;
    CalibrationChoice m_choice;
    Run m_eRun = Run::None;
    std::unique_ptr<QTemporaryDir> m_pScratch;
    std::optional<AsBuiltFigures> m_figures;
    QLabel* m_pCalibration;
    QPushButton* m_pImport;
    QPushButton* m_pCompare;
    QLabel* m_pSummary;
    QTableWidget* m_pCameras;
};
