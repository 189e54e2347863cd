#include "app/workspace/FiguresDock.h"

#include "app/workspace/WorkspaceView.h"
#include "coverage/CoverageController.h"
#include "document/PlanDocument.h"
#include "project/PlanInput.h"
#include "report/ReportDocument.h"
#include "report/ReportFigures.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace
{

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Millimetres(double value)
{
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'f', 2) + " mm";
}

} // namespace

CFiguresDock::CFiguresDock(CPlanDocument& document, CWorkspaceView& view, QWidget* parent)
    : QDockWidget("Figures", parent), m_document(document), m_view(view), m_pState(new QLabel), m_pVerdict(new QLabel),
      m_pTable(new QTableWidget(0, kColCount))
{
    setObjectName("FiguresDock");
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    m_pState->setWordWrap(true);
    m_pVerdict->setWordWrap(true);
    m_pVerdict->setTextFormat(Qt::RichText);
    column->addWidget(m_pState);
    column->addWidget(m_pVerdict);
    m_pTable->setHorizontalHeaderLabels({"Figure", "m\u00b3", "Share of the room"});
    m_pTable->verticalHeader()->hide();
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->horizontalHeader()->setSectionResizeMode(kColFigure, QHeaderView::Stretch);
    m_pTable->horizontalHeader()->setSectionResizeMode(kColValue, QHeaderView::ResizeToContents);
    m_pTable->horizontalHeader()->setSectionResizeMode(kColShare, QHeaderView::ResizeToContents);
    // Height to spare goes to the view.
    m_pTable->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    column->addWidget(m_pTable, 1);
    setWidget(body);
    connect(&m_view, &CWorkspaceView::resultsChanged, this, &CFiguresDock::ShowFigures);
    connect(&m_view, &CWorkspaceView::computeStateChanged, this, &CFiguresDock::ShowState);
    ShowFigures();
}

int CFiguresDock::RowOf(const QString& figure) const
{
    for (int row = 0; row < m_pTable->rowCount(); ++row)
        if (m_pTable->item(row, kColFigure)->text() == figure)
            return row;
    return -1;
}

void CFiguresDock::ShowState()
{
    if (m_view.IsComputing())
        m_pState->setText("Computing...");
    else if (!m_view.ComputedPlan())
        m_pState->setText("Not computed yet: Compute (F5).");
    else if (!m_view.IsUpToDate())
        m_pState->setText("The plan changed since these figures: Compute (F5).");
    else
        m_pState->setText("Figures of the plan as it is.");
}

void CFiguresDock::ShowFigures()
{
    ShowState();
    m_pTable->setRowCount(0);
    m_pVerdict->clear();
    const CCoverageController& controller = m_document.Controller();
    const std::optional<Plan>& plan = m_view.ComputedPlan();
    if (!plan || !controller.GetVolume().HasResults())
        return;
    // The report's own figures of these results, judged against the plan's target.
    TargetRule rule;
    rule.boxes = PlanTarget(*plan);
    const ReportFigures f =
        CollectReportFigures(controller.GetVolume(), controller.GetPlanning(), controller.GetComputedInput(), {}, rule,
                             controller.GetObstacles().get());
    const bool planning = controller.GetPlanning().HasResults();
    if (planning)
        m_pVerdict->setText("<b>" + Text(VerdictText(f)) + "</b>");
    const double room = f.seenAtLeastM3.empty() ? 0.0 : f.seenAtLeastM3[0];
    const auto add = [this, room](const QString& name, const QString& value, double m3) {
        const int row = m_pTable->rowCount();
        m_pTable->insertRow(row);
        m_pTable->setItem(row, kColFigure, new QTableWidgetItem(name));
        auto* number = new QTableWidgetItem(value);
        number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_pTable->setItem(row, kColValue, number);
        auto* share = new QTableWidgetItem(m3 >= 0.0 ? Text(ShareText(m3, room)) : QString());
        share->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_pTable->setItem(row, kColShare, share);
    };
    const auto volume = [&add](const QString& name, double m3) { add(name, Text(VolumeText(m3)), m3); };
    volume("Room (outside obstacles)", room);
    for (size_t k = 1; k < f.seenAtLeastM3.size(); ++k)
        volume(QString("Seen by %1 or more").arg(k), f.seenAtLeastM3[k]);
    if (planning) {
        for (size_t k = 1; k < f.markerAtLeastM3.size(); ++k)
            volume(QString("Marker seen by %1 or more").arg(k), f.markerAtLeastM3[k]);
        volume("Triangulable", f.triangulableM3);
        volume("Within the 3D error bound", f.withinSigmaM3);
        add("3D error, median", Millimetres(f.sigmaMedianMm), -1.0);
        add("3D error, 95th percentile", Millimetres(f.sigmaP95Mm), -1.0);
    }
    if (f.insideObstacleVoxels > 0)
        add("Inside obstacles", Text(VolumeText(f.obstacleM3)), -1.0);
}
