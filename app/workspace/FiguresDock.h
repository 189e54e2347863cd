#pragma once

#include <QDockWidget>

#include <cstdint>

class CPlanDocument;
class CWorkspaceView;
class QLabel;
class QTableWidget;

// Figures: the planning figures of the last computation, as the report
// states them (its figures and its pass/fail line against the plan's
// target), and whether they are of the plan as it is now.
class CFiguresDock : public QDockWidget
{
    Q_OBJECT
  public:
    // The table's columns.
    enum Column { kColFigure, kColValue, kColShare, kColCount };

    CFiguresDock(CPlanDocument& document, CWorkspaceView& view, QWidget* parent = nullptr);

    QLabel* State() const { return m_pState; }
    QLabel* Verdict() const { return m_pVerdict; }
    QTableWidget* Table() const { return m_pTable; }
    // The row of a figure by its name ("Triangulable"); -1 when not shown.
    int RowOf(const QString& figure) const;

    // The verdict and a handful of rows under the view.
    QSize sizeHint() const override { return {640, 200}; }

  private:
    void ShowState();
    void ShowFigures();

    CPlanDocument& m_document;
    CWorkspaceView& m_view;
    QLabel* m_pState;
    QLabel* m_pVerdict;
    QTableWidget* m_pTable;
};
