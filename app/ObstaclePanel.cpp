#include "app/ObstaclePanel.h"

#include "app/BusyCursor.h"
#include "app/ClassicPlan.h"
#include "app/UserPrompts.h"
#include "document/PlanEdits.h"
#include "project/ProjectObstacles.h"

#include <QBrush>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <optional>
#include <sstream>

namespace
{

const FileDialogRequest kMeshOpen{"Import Mesh", "", "obj", "Meshes (*.obj *.gltf *.glb)|*.obj;*.gltf;*.glb||"};

QString TripleText(const Vec3d& v)
{
    return QString("%1, %2, %3").arg(v.x, 0, 'g', 10).arg(v.y, 0, 'g', 10).arg(v.z, 0, 'g', 10);
}

// "x, y, z" (commas or blanks between): three finite numbers, or nullopt.
std::optional<Vec3d> ParseTriple(const QString& text)
{
    const QStringList parts = text.split(QRegularExpression("[,\\s]+"), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return std::nullopt;
    double v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts[i].toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return std::nullopt;
    }
    return Vec3d{v[0], v[1], v[2]};
}

// A row waiting for its Max, marked so the user sees it is not stored yet.
const QColor kPendingColour(255, 236, 179);

bool Below(const Vec3d& a, const Vec3d& b)
{
    return a.x < b.x && a.y < b.y && a.z < b.z;
}

QTableWidgetItem* Cell(const QString& text, bool editable)
{
    auto* item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

CObstaclePanel::CObstaclePanel(CClassicPlan& plan, CUserPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_plan(plan), m_prompts(prompts), m_pTable(new QTableWidget(0, kColCount, this)),
      m_pAddBox(new QPushButton("Add Box", this)), m_pImportMesh(new QPushButton("Import Mesh...", this)),
      m_pRemove(new QPushButton("Remove", this))
{
    setWindowTitle("Obstacles");
    m_pTable->setHorizontalHeaderLabels(
        {"Name", "Min (m)", "Max (m) or mesh file", "Centre (m)", "Size (m)", "Offset (m)", "Scale"});
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pAddBox);
    buttons->addWidget(m_pImportMesh);
    buttons->addWidget(m_pRemove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Metres from the room corner: X along the length, Y above the floor, Z across "
                                 "the width. A Min past the Max waits, marked, for the Max of its row. Edits take "
                                 "effect at the next RENDER.",
                                 this));
    layout->addWidget(m_pTable);
    layout->addLayout(buttons);
    resize(960, 300);
    connect(m_pAddBox, &QPushButton::clicked, this, &CObstaclePanel::AddBox);
    connect(m_pImportMesh, &QPushButton::clicked, this, &CObstaclePanel::ImportMesh);
    connect(m_pRemove, &QPushButton::clicked, this, &CObstaclePanel::RemoveSelected);
    connect(m_pTable, &QTableWidget::cellChanged, this, &CObstaclePanel::OnCellChanged);
    connect(m_pTable, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow, int) { OnCurrentCellChanged(row, previousRow); });
    connect(&m_plan, &CClassicPlan::planShown, this, &CObstaclePanel::Refresh);
    Refresh();
}

std::optional<std::string>
CObstaclePanel::Change(const std::string& name, const std::function<std::optional<std::string>(CObstacleSet&)>& change)
{
    return m_plan.Edit(name, [&change](Plan& plan) -> std::optional<std::string> {
        CObstacleSet set = ObstacleSetOf(plan.obstacles);
        if (auto error = change(set))
            return error;
        return SetObstacles(plan, ObstacleListOf(set));
    });
}

void CObstaclePanel::Refresh()
{
    m_bFilling = true;
    m_nPendingRow = -1;
    const ObstacleList& list = m_plan.GetPlan().obstacles;
    const auto& boxes = list.boxes;
    const auto& meshes = list.meshes;
    m_pTable->setRowCount(static_cast<int>(boxes.size() + meshes.size()));
    int row = 0;
    for (const ObstacleBox& box : boxes) {
        m_pTable->setItem(row, kColName, Cell(QString::fromStdString(box.name), true));
        m_pTable->setItem(row, kColMin, Cell(TripleText(box.min), true));
        m_pTable->setItem(row, kColMaxOrFile, Cell(TripleText(box.max), true));
        const Vec3d centre{0.5 * (box.min.x + box.max.x), 0.5 * (box.min.y + box.max.y), 0.5 * (box.min.z + box.max.z)};
        const Vec3d size{box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z};
        m_pTable->setItem(row, kColCentre, Cell(TripleText(centre), true));
        m_pTable->setItem(row, kColSize, Cell(TripleText(size), true));
        m_pTable->setItem(row, kColOffset, Cell("", false));
        m_pTable->setItem(row, kColScale, Cell("", false));
        ++row;
    }
    for (const ObstacleMesh& mesh : meshes) {
        m_pTable->setItem(row, kColName, Cell(QString::fromStdString(mesh.name), true));
        m_pTable->setItem(row, kColMin, Cell("", false));
        m_pTable->setItem(row, kColMaxOrFile, Cell(QString::fromStdString(mesh.file), false));
        m_pTable->setItem(row, kColCentre, Cell("", false));
        m_pTable->setItem(row, kColSize, Cell("", false));
        m_pTable->setItem(row, kColOffset, Cell(TripleText(mesh.offset), true));
        m_pTable->setItem(row, kColScale, Cell(QString::number(mesh.scale, 'g', 10), true));
        ++row;
    }
    m_bFilling = false;
}

void CObstaclePanel::Refuse(const std::string& reason)
{
    m_prompts.ShowMessage("Obstacle not changed\n" + reason, "Invalid Action", PromptButtons::Ok);
    Refresh();
}

void CObstaclePanel::AddBox()
{
    const size_t n = m_plan.GetPlan().obstacles.boxes.size() + 1;
    Change("Add Box", [n](CObstacleSet& set) {
        return set.AddBox({"box " + std::to_string(n), {0.0, 0.0, 0.0}, {0.5, 1.0, 0.5}});
    });
    Refresh();
}

void CObstaclePanel::ImportMesh()
{
    const std::optional<std::string> path = m_prompts.ChooseFileToOpen(kMeshOpen);
    if (!path)
        return;
    ObstacleMesh mesh;
    mesh.file = *path;
    const size_t slash = path->find_last_of('/');
    mesh.name = slash == std::string::npos ? *path : path->substr(slash + 1);
    std::optional<std::string> error;
    {
        const CBusyCursor busy;
        error = Change("Import Mesh", [&mesh](CObstacleSet& set) { return ::ImportMesh(mesh, {}, set); });
    }
    if (error) {
        m_prompts.ShowMessage("Mesh not imported\n" + *error, "File Not Found or Invalid File", PromptButtons::Ok);
        return;
    }
    Refresh();
}

void CObstaclePanel::RemoveSelected()
{
    const int row = m_pTable->currentRow();
    const int boxes = static_cast<int>(m_plan.GetPlan().obstacles.boxes.size());
    if (row < 0)
        return;
    Change("Remove Obstacle", [row, boxes](CObstacleSet& set) -> std::optional<std::string> {
        if (row < boxes)
            set.RemoveBox(static_cast<size_t>(row));
        else
            set.RemoveMesh(static_cast<size_t>(row - boxes));
        return std::nullopt;
    });
    Refresh();
}

std::optional<std::string> CObstaclePanel::BoxOfRow(int row, int column, ObstacleBox& box) const
{
    auto text = [this, row](int col) {
        return m_pTable->item(row, col) ? m_pTable->item(row, col)->text() : QString();
    };
    box.name = text(kColName).toStdString();
    if (column == kColCentre || column == kColSize) {
        const auto centre = ParseTriple(text(kColCentre)), size = ParseTriple(text(kColSize));
        if (!centre || !size)
            return (column == kColCentre ? "Centre" : "Size") + std::string(": three numbers x, y, z, in metres");
        if (!(size->x > 0.0 && size->y > 0.0 && size->z > 0.0))
            return std::string("Size: three lengths above 0, in metres");
        box.min = {centre->x - 0.5 * size->x, centre->y - 0.5 * size->y, centre->z - 0.5 * size->z};
        box.max = {centre->x + 0.5 * size->x, centre->y + 0.5 * size->y, centre->z + 0.5 * size->z};
        return std::nullopt;
    }
    const auto min = ParseTriple(text(kColMin)), max = ParseTriple(text(kColMaxOrFile));
    if (!min || !max)
        return (column == kColMin ? "Min" : "Max") + std::string(": three numbers x, y, z, in metres");
    box.min = *min;
    box.max = *max;
    return std::nullopt;
}

void CObstaclePanel::MarkPending(int row)
{
    m_bFilling = true;
    m_nPendingRow = row;
    for (const int column : {kColMin, kColMaxOrFile})
        if (QTableWidgetItem* item = m_pTable->item(row, column))
            item->setBackground(kPendingColour);
    m_bFilling = false;
}

void CObstaclePanel::OnCurrentCellChanged(int row, int previousRow)
{
    // Leaving a row whose Min still waits: checked as it stands, which refuses it.
    if (m_bFilling || m_nPendingRow < 0 || previousRow != m_nPendingRow || row == previousRow)
        return;
    ObstacleBox box;
    if (const auto error = BoxOfRow(previousRow, kColMaxOrFile, box)) {
        Refuse(*error);
        return;
    }
    if (const auto error = Change("Obstacle Edit", [previousRow, &box](CObstacleSet& set) {
            return set.ReplaceBox(static_cast<size_t>(previousRow), box);
        }))
        Refuse(*error);
    else
        Refresh();
}

void CObstaclePanel::OnCellChanged(int row, int column)
{
    if (m_bFilling)
        return;
    const int boxes = static_cast<int>(m_plan.GetPlan().obstacles.boxes.size());
    auto text = [this, row](int col) {
        return m_pTable->item(row, col) ? m_pTable->item(row, col)->text() : QString();
    };
    const std::string name = text(kColName).toStdString();
    if (row < boxes) {
        ObstacleBox box;
        if (const auto error = BoxOfRow(row, column, box)) {
            Refuse(*error);
            return;
        }
        // A Min entered first, past the Max the row still has, waits for its Max.
        if ((column == kColMin || (column == kColName && row == m_nPendingRow)) && !Below(box.min, box.max)) {
            MarkPending(row);
            return;
        }
        const std::optional<std::string> error = Change(
            "Obstacle Edit", [row, &box](CObstacleSet& set) { return set.ReplaceBox(static_cast<size_t>(row), box); });
        if (error) {
            Refuse(*error);
            return;
        }
    } else {
        const auto offset = ParseTriple(text(kColOffset));
        bool scaleOk = false;
        const double scale = text(kColScale).toDouble(&scaleOk);
        if (!offset || !scaleOk) {
            Refuse("Offset: three numbers x, y, z in metres; scale: a number above 0");
            return;
        }
        const size_t mesh = static_cast<size_t>(row - boxes);
        ObstacleMesh placement = m_plan.GetPlan().obstacles.meshes[mesh];
        placement.name = name;
        placement.offset = *offset;
        placement.scale = scale;
        const std::optional<std::string> error =
            Change("Obstacle Edit", [mesh, &placement](CObstacleSet& set) { return set.PlaceMesh(mesh, placement); });
        if (error) {
            Refuse(*error);
            return;
        }
    }
    // Numbers as the set holds them.
    Refresh();
}
