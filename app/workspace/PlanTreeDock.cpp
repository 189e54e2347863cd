#include "app/workspace/PlanTreeDock.h"

#include "app/document/QtPlanDocument.h"
#include "app/workspace/WorkspaceSelection.h"
#include "document/PlanEdits.h"

#include <QHeaderView>
#include <QMenu>
#include <QSet>
#include <QTreeWidget>

namespace
{

constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
// A group's own name, which its text (with its count) is not.
constexpr int kGroupRole = Qt::UserRole + 2;
// A group's heading stands for no item.
constexpr int kGroup = -1;

QString Metres(float value)
{
    return QString::number(value, 'f', 2);
}

QTreeWidgetItem* Entry(QTreeWidgetItem* parent, const QString& text, int kind, size_t index = 0)
{
    auto* entry = new QTreeWidgetItem(parent, QStringList{text});
    entry->setData(0, kKindRole, kind);
    entry->setData(0, kIndexRole, static_cast<qulonglong>(index));
    return entry;
}

QTreeWidgetItem* ItemEntry(QTreeWidgetItem* parent, const Plan& plan, const PlanItem& item, const QString& detail = {})
{
    QString text = QString::fromStdString(ItemName(plan, item));
    if (!detail.isEmpty())
        text += "  " + detail;
    return Entry(parent, text, static_cast<int>(item.kind), item.index);
}

} // namespace

std::optional<PlanItem> ItemOfEntry(const QTreeWidgetItem& entry)
{
    const int kind = entry.data(0, kKindRole).toInt();
    if (kind == kGroup)
        return std::nullopt;
    return PlanItem{static_cast<PlanItemKind>(kind), static_cast<size_t>(entry.data(0, kIndexRole).toULongLong())};
}

CPlanTreeDock::CPlanTreeDock(CQtPlanDocument& document, CWorkspaceSelection& selection, QMenu& contextMenu,
                             QWidget* parent)
    : QDockWidget("Plan", parent), m_document(document), m_selection(selection), m_pTree(new QTreeWidget)
{
    setObjectName("PlanDock");
    m_pTree->setHeaderHidden(true);
    m_pTree->setObjectName("PlanTree");
    m_pTree->setContextMenuPolicy(Qt::CustomContextMenu);
    // Height to spare goes to Properties below, whose values it shows.
    m_pTree->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setWidget(m_pTree);
    connect(m_pTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentChanged(current); });
    connect(m_pTree, &QWidget::customContextMenuRequested, this, [this, &contextMenu](const QPoint& at) {
        if (QTreeWidgetItem* entry = m_pTree->itemAt(at))
            m_pTree->setCurrentItem(entry);
        contextMenu.popup(m_pTree->viewport()->mapToGlobal(at));
    });
    connect(&m_document, &CQtPlanDocument::planChanged, this, &CPlanTreeDock::Rebuild);
    connect(&m_selection, &CWorkspaceSelection::changed, this, &CPlanTreeDock::ShowSelection);
    Rebuild();
}

QTreeWidgetItem* CPlanTreeDock::EntryOf(const PlanItem& item) const
{
    for (QTreeWidgetItemIterator it(m_pTree); *it; ++it)
        if (ItemOfEntry(**it) == item)
            return *it;
    return nullptr;
}

void CPlanTreeDock::Rebuild()
{
    // The groups the user closed stay closed.
    QSet<QString> closed;
    for (int i = 0; i < m_pTree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* group = m_pTree->topLevelItem(i);
        if (group->childCount() > 0 && !group->isExpanded())
            closed.insert(group->data(0, kGroupRole).toString());
    }
    m_bShowing = true;
    m_pTree->clear();
    const Plan& plan = m_document.GetPlan();
    QTreeWidgetItem* root = m_pTree->invisibleRootItem();
    const RoomValues room = RoomValuesOf(plan);
    const QString unit = QString::fromStdString(plan.unit);
    ItemEntry(root, plan, {PlanItemKind::Room, 0},
              Metres(room.length) + " x " + Metres(room.width) + " x " + Metres(room.height) + " " + unit);
    ItemEntry(root, plan, {PlanItemKind::Planning, 0});

    const auto group = [&](const QString& key, const QString& text) {
        QTreeWidgetItem* entry = Entry(root, text, kGroup);
        entry->setData(0, kGroupRole, key);
        return entry;
    };
    QTreeWidgetItem* cameras = group("cameras", QString("Cameras (%1)").arg(plan.cameras.size()));
    for (size_t i = 0; i < plan.cameras.size(); ++i) {
        const PlanCamera& c = plan.cameras[i];
        QTreeWidgetItem* entry =
            ItemEntry(cameras, plan, {PlanItemKind::Camera, i}, c.enabled ? QString() : QStringLiteral("(off)"));
        const bool inRange = i + 1 >= plan.firstCamera && i < RangeEnd(plan);
        if (!c.enabled || !inRange)
            entry->setForeground(0, m_pTree->palette().color(QPalette::Disabled, QPalette::Text));
    }
    const size_t obstacleCount = plan.obstacles.boxes.size() + plan.obstacles.meshes.size();
    QTreeWidgetItem* obstacles = group("obstacles", QString("Obstacles (%1)").arg(obstacleCount));
    for (size_t i = 0; i < obstacleCount; ++i)
        ItemEntry(obstacles, plan, {PlanItemKind::Obstacle, i},
                  i < plan.obstacles.boxes.size() ? QStringLiteral("box") : QStringLiteral("mesh"));
    const size_t boxes = plan.placement.target.size();
    QTreeWidgetItem* target = group("target", boxes == 0 ? QStringLiteral("Target (the room's default box)")
                                                         : QString("Target (%1)").arg(boxes));
    for (size_t i = 0; i < boxes; ++i)
        ItemEntry(target, plan, {PlanItemKind::TargetBox, i});
    ItemEntry(root, plan, {PlanItemKind::Mounts, 0});

    for (int i = 0; i < m_pTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* entry = m_pTree->topLevelItem(i);
        entry->setExpanded(!closed.contains(entry->data(0, kGroupRole).toString()));
    }
    m_bShowing = false;
    ShowSelection();
}

void CPlanTreeDock::ShowSelection()
{
    m_bShowing = true;
    QTreeWidgetItem* entry = m_selection.Item() ? EntryOf(*m_selection.Item()) : nullptr;
    m_pTree->setCurrentItem(entry);
    if (entry)
        m_pTree->scrollToItem(entry);
    m_bShowing = false;
}

void CPlanTreeDock::OnCurrentChanged(QTreeWidgetItem* current)
{
    if (m_bShowing || !current)
        return;
    if (const std::optional<PlanItem> item = ItemOfEntry(*current))
        m_selection.Select(item);
}
