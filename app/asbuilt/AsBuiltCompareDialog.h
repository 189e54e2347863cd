#pragma once

#include "app/asbuilt/AsBuiltFigures.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

// Plan > Compare with As Built shows here what the comparison found: the
// alignment, the deltas of each paired camera, the coverage of both rigs and
// what changed; the Difference display in the view, and the report with its
// "As built" section. Not modal: the view stays in reach.
class CAsBuiltCompareDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit CAsBuiltCompareDialog(QWidget* parent);

    // `calibration` names the file or folder compared with.
    void ShowFigures(const AsBuiltFigures& figures, const QString& calibration);
    // The Difference display's box as the view shows it (off when it could not be shown).
    void ShowDifferenceState(bool on);

    const QTableWidget& Cameras() const { return *m_pCameras; }
    const QTableWidget& Coverage() const { return *m_pCoverage; }
    QString AlignmentText() const;
    QCheckBox& DifferenceBox() const { return *m_pDifference; }
    QPushButton& ReportButton() const { return *m_pReport; }

  signals:
    void differenceToggled(bool on);
    void reportRequested();

  private:
    QLabel* m_pCalibration;
    QLabel* m_pAlignment;
    QLabel* m_pUnmatched;
    QTableWidget* m_pCameras;
    QTableWidget* m_pCoverage;
    QLabel* m_pNotes;
    QCheckBox* m_pDifference;
    QPushButton* m_pReport;
};
