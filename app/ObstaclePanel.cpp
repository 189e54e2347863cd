#include "app/ObstaclePanel.h"

#include "app/BusyCursor.h"
#include "app/PlanUndo.h"
#include "app/UserPrompts.h"
#include "coverage/obstacles/ObstacleSet.h"
#include "project/ProjectObstacles.h"

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

QTableWidgetItem* Cell(const QString& text, bool editable)
{
    auto* item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

CObstaclePanel::CObstaclePanel(std::shared_ptr<CObstacleSet> obstacles, CPlanUndo& undo, CUserPrompts& prompts,
                               QWidget* parent)
    : QWidget(parent, Qt::Tool), m_pObstacles(std::move(obstacles)), m_undo(undo), m_prompts(prompts),
      m_pTable(new QTableWidget(0, kColCount, this)), m_pAddBox(new QPushButton("Add Box", this)),
      m_pImportMesh(new QPushButton("Import Mesh...", this)), m_pRemove(new QPushButton("Remove", this))
{
    setWindowTitle("Obstacles");
    m_pTable->setHorizontalHeaderLabels({"Name", "Min (m)", "Max (m) or mesh file", "Offset (m)", "Scale"});
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pAddBox);
    buttons->addWidget(m_pImportMesh);
    buttons->addWidget(m_pRemove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Metres from the room corner: X along the length, Y above the floor, Z across "
                                 "the width. Edits take effect at the next RENDER.",
                                 this));
    layout->addWidget(m_pTable);
    layout->addLayout(buttons);
    resize(720, 300);
    connect(m_pAddBox, &QPushButton::clicked, this, &CObstaclePanel::AddBox);
    connect(m_pImportMesh, &QPushButton::clicked, this, &CObstaclePanel::ImportMesh);
    connect(m_pRemove, &QPushButton::clicked, this, &CObstaclePanel::RemoveSelected);
    connect(m_pTable, &QTableWidget::cellChanged, this, &CObstaclePanel::OnCellChanged);
    Refresh();
}

void CObstaclePanel::Refresh()
{
    m_bFilling = true;
    const auto& boxes = m_pObstacles->GetBoxes();
    const auto& meshes = m_pObstacles->GetMeshes();
    m_pTable->setRowCount(static_cast<int>(boxes.size() + meshes.size()));
    int row = 0;
    for (const ObstacleBox& box : boxes) {
        m_pTable->setItem(row, kColName, Cell(QString::fromStdString(box.name), true));
        m_pTable->setItem(row, kColMin, Cell(TripleText(box.min), true));
        m_pTable->setItem(row, kColMaxOrFile, Cell(TripleText(box.max), true));
        m_pTable->setItem(row, kColOffset, Cell("", false));
        m_pTable->setItem(row, kColScale, Cell("", false));
        ++row;
    }
    for (const ObstacleMesh& mesh : meshes) {
        m_pTable->setItem(row, kColName, Cell(QString::fromStdString(mesh.name), true));
        m_pTable->setItem(row, kColMin, Cell("", false));
        m_pTable->setItem(row, kColMaxOrFile, Cell(QString::fromStdString(mesh.file), false));
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
    const size_t n = m_pObstacles->GetBoxes().size() + 1;
    m_undo.Apply("Add Box", [this, n] {
        m_pObstacles->AddBox({"box " + std::to_string(n), {0.0, 0.0, 0.0}, {0.5, 1.0, 0.5}});
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
        m_undo.Apply("Import Mesh", [this, &mesh, &error] { error = ::ImportMesh(mesh, {}, *m_pObstacles); });
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
    const int boxes = static_cast<int>(m_pObstacles->GetBoxes().size());
    if (row < 0)
        return;
    m_undo.Apply("Remove Obstacle", [this, row, boxes] {
        if (row < boxes)
            m_pObstacles->RemoveBox(static_cast<size_t>(row));
        else
            m_pObstacles->RemoveMesh(static_cast<size_t>(row - boxes));
    });
    Refresh();
}

void CObstaclePanel::OnCellChanged(int row, int column)
{
    if (m_bFilling)
        return;
    const int boxes = static_cast<int>(m_pObstacles->GetBoxes().size());
    auto text = [this, row](int col) {
        return m_pTable->item(row, col) ? m_pTable->item(row, col)->text() : QString();
    };
    const std::string name = text(kColName).toStdString();
    if (row < boxes) {
        const auto min = ParseTriple(text(kColMin)), max = ParseTriple(text(kColMaxOrFile));
        if (!min || !max) {
            Refuse((column == kColMin ? "Min" : "Max") + std::string(": three numbers x, y, z, in metres"));
            return;
        }
        std::optional<std::string> error;
        m_undo.Apply("Obstacle Edit", [&] {
            error = m_pObstacles->ReplaceBox(static_cast<size_t>(row), {name, *min, *max});
        });
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
        ObstacleMesh placement = m_pObstacles->GetMeshes()[mesh];
        placement.name = name;
        placement.offset = *offset;
        placement.scale = scale;
        std::optional<std::string> error;
        m_undo.Apply("Obstacle Edit", [&] { error = m_pObstacles->PlaceMesh(mesh, placement); });
        if (error) {
            Refuse(*error);
            return;
        }
    }
    // Numbers as the set holds them.
    Refresh();
}
