#pragma once

#include "document/PlanProperties.h"

#include <QDockWidget>

#include <optional>

class CQtPlanDocument;
class CWorkspaceSelection;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

// Plan: the plan as a tree (the room, the planning settings, every camera,
// obstacle and target box, the mounts). Choosing an entry selects it for
// the whole workspace; the tree follows every step and every selection
// made elsewhere.
class CPlanTreeDock : public QDockWidget
{
    Q_OBJECT
  public:
    // `contextMenu` is shown on a right click, the entry under the pointer selected first.
    CPlanTreeDock(CQtPlanDocument& document, CWorkspaceSelection& selection, QMenu& contextMenu,
                  QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return m_pTree; }
    // The entry of an item; null when the tree has none.
    QTreeWidgetItem* EntryOf(const PlanItem& item) const;

    // Wide enough for a camera's values in Properties below it.
    QSize sizeHint() const override { return {340, 220}; }

  private:
    void Rebuild();
    void ShowSelection();
    void OnCurrentChanged(QTreeWidgetItem* current);

    CQtPlanDocument& m_document;
    CWorkspaceSelection& m_selection;
    QTreeWidget* m_pTree;
    bool m_bShowing = false;
};

// The item an entry of the tree stands for; none for a group's heading.
std::optional<PlanItem> ItemOfEntry(const QTreeWidgetItem& entry);
