#pragma once

#include <QWidget>

#include "coverage/obstacles/ObstacleSet.h"

#include <functional>
#include <optional>
#include <string>

class CClassicPlan;
class CUserPrompts;
class QLabel;
class QPushButton;
class QTableWidget;

// Plan > Obstacles: a window of its own listing what blocks the cameras'
// view, one row per box (name, min, max, and the same box as centre and
// size) and per mesh (name, file, offset, scale), with Add Box, Import Mesh
// and Remove. A box row is checked as a whole: a Min past the stored Max
// waits, marked, for the Max of the same row (entered left to right), and is
// refused only when the Max still does not lie above it or the row is left.
// A refused value is named to the user and the row shows the stored one
// again. The list is the plan's; the view computes and draws with it from
// the next RENDER on. Each change is a step of the plan's history.
class CObstaclePanel : public QWidget
{
    Q_OBJECT
  public:
    enum Column { kColName, kColMin, kColMaxOrFile, kColCentre, kColSize, kColOffset, kColScale, kColCount };

    CObstaclePanel(CClassicPlan& plan, CUserPrompts& prompts, QWidget* parent = nullptr);

    // The rows from the plan (after a step, an undo, an opened project).
    void Refresh();

    QTableWidget* Table() const { return m_pTable; }
    QPushButton* AddBoxButton() const { return m_pAddBox; }
    QPushButton* ImportMeshButton() const { return m_pImportMesh; }
    QPushButton* RemoveButton() const { return m_pRemove; }
    // The box row whose Min waits for its Max; -1 for none.
    int PendingRow() const { return m_nPendingRow; }

  private:
    void AddBox();
    void ImportMesh();
    void RemoveSelected();
    void OnCellChanged(int row, int column);
    void OnCurrentCellChanged(int row, int previousRow);
    // A box row from its cells: Min and Max, or Centre and Size when one of
    // those was edited. The message when they are not numbers.
    std::optional<std::string> BoxOfRow(int row, int column, ObstacleBox& box) const;
    void MarkPending(int row);
    void Refuse(const std::string& reason);
    // One step named `name`: `change` on the plan's obstacles as a set; the refusal, if any.
    std::optional<std::string> Change(const std::string& name,
                                      const std::function<std::optional<std::string>(CObstacleSet&)>& change);

    CClassicPlan& m_plan;
    CUserPrompts& m_prompts;
    QTableWidget* m_pTable;
    QPushButton* m_pAddBox;
    QPushButton* m_pImportMesh;
    QPushButton* m_pRemove;
    bool m_bFilling = false;
    int m_nPendingRow = -1;
};
