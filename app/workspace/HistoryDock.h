#pragma once

#include <QDockWidget>

class CQtPlanDocument;
class QUndoView;

// History: every step of the plan since it was opened or made, the current
// one marked; a click goes back or forward to that step.
class CHistoryDock : public QDockWidget
{
    Q_OBJECT
  public:
    explicit CHistoryDock(CQtPlanDocument& document, QWidget* parent = nullptr);
    QUndoView* View() const { return m_pView; }

    // Tabbed with the Plan tree.
    QSize sizeHint() const override { return {340, 260}; }

  private:
    QUndoView* m_pView;
};
