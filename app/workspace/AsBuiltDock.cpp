#include "app/workspace/AsBuiltDock.h"

#include "app/UserPrompts.h"
#include "app/asbuilt/CalibrationPartner.h"
#include "app/document/QtPlanDocument.h"
#include "document/PlanEdits.h"
#include "project/ProjectFile.h"
#include "scene/PrintableText.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>

namespace
{

const char* const kImportTitle = "Import Calibration as Rig";
const char* const kCompareTitle = "Compare with As Built";
// Room sides are floats: a camera on a wall is in the room.
constexpr double kWallSlackM = 1e-6;

// The fewest fixed-point digits that read back as `v`: the partner reads no exponent.
QString SideText(float v)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
    return QString::fromLatin1(text, static_cast<int>(result.ptr - text));
}

QString Fixed(double v, int decimals)
{
    return std::isnan(v) ? QStringLiteral("-") : QString::number(v, 'f', decimals);
}

// The cameras of `placed` outside the plan's room, by name.
QStringList Outside(const Plan& placed, const Plan& plan)
{
    QStringList names;
    for (size_t c = 0; c < placed.cameras.size(); ++c) {
        const PlanCamera& p = placed.cameras[c];
        const auto in = [](double v, float side) { return v >= -kWallSlackM && v <= side + kWallSlackM; };
        if (!in(p.x, plan.length) || !in(p.y, plan.height) || !in(p.z, plan.width))
            names << (p.label.empty() ? QString("camera %1").arg(c + 1)
                                      : "\"" + QString::fromStdString(PrintableText(p.label)) + "\"");
    }
    return names;
}

} // namespace

CAsBuiltDock::CAsBuiltDock(CQtPlanDocument& document, CUserPrompts& prompts, QWidget* parent)
    : QDockWidget("As Built", parent), m_document(document), m_prompts(prompts),
      m_pPartner(new CCalibrationPartner(*this)), m_pCalibration(new QLabel),
      m_pImport(new QPushButton("Import as Rig")), m_pCompare(new QPushButton("Compare")), m_pSummary(new QLabel),
      m_pCameras(new QTableWidget(0, kColCount))
{
    setObjectName("AsBuiltDock");
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    auto* choose = new QPushButton("Calibration...");
    choose->setToolTip("The calibration files of the rig as built, and how they are read and paired");
    m_pCalibration->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(choose);
    buttons->addWidget(m_pImport);
    buttons->addWidget(m_pCompare);
    column->addWidget(m_pCalibration);
    column->addLayout(buttons);
    m_pSummary->setWordWrap(true);
    column->addWidget(m_pSummary);
    m_pCameras->setHorizontalHeaderLabels({"Plan", "As built", "Moved (mm)", "Aim (deg)", "Roll (deg)", "Lens (mm)"});
    m_pCameras->verticalHeader()->hide();
    m_pCameras->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pCameras->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    column->addWidget(m_pCameras, 1);
    setWidget(body);

    connect(choose, &QPushButton::clicked, this, &CAsBuiltDock::Choose);
    connect(m_pImport, &QPushButton::clicked, this, &CAsBuiltDock::Import);
    connect(m_pCompare, &QPushButton::clicked, this, &CAsBuiltDock::Compare);
    connect(m_pPartner, &CCalibrationPartner::done, this, &CAsBuiltDock::Read);
    connect(m_pPartner, &CCalibrationPartner::refused, this, [this](const QString& message) {
        Refuse(m_eRun == Run::Compare ? "The plan was not compared with the rig as built"
                                      : "The calibration was not imported: the plan is as it was.",
               message.toStdString());
    });
    connect(m_pPartner, &CCalibrationPartner::cancelled, this, [this] {
        m_pScratch.reset();
        m_eRun = Run::None;
        emit finished(false);
    });
    ShowChoice();
}

CAsBuiltDock::~CAsBuiltDock() = default;

void CAsBuiltDock::SetChoice(const CalibrationChoice& choice)
{
    m_choice = choice;
    ShowChoice();
}

void CAsBuiltDock::ShowChoice()
{
    const bool chosen = !m_choice.path.empty();
    m_pCalibration->setText(chosen ? "Calibration: " + QFileInfo(QString::fromStdString(m_choice.path)).fileName()
                                   : QString("Choose the calibration of the rig as built."));
    m_pImport->setEnabled(chosen);
    m_pCompare->setEnabled(chosen);
}

void CAsBuiltDock::Choose()
{
    if (const std::optional<CalibrationChoice> choice =
            CCalibrationChoiceDialog::Ask("Calibration of the Rig as Built", true, m_choice, this))
        SetChoice(*choice);
}

void CAsBuiltDock::Import()
{
    Start(Run::Import);
}

void CAsBuiltDock::Compare()
{
    Start(Run::Compare);
}

void CAsBuiltDock::Start(Run run)
{
    if (m_pPartner->IsRunning()) {
        m_prompts.ShowMessage("A calibration is being read already: wait for it or cancel it", "Invalid Action",
                              PromptButtons::Ok);
        return;
    }
    const Plan& plan = m_document.GetPlan();
    if (m_choice.path.empty() || plan.cameras.empty())
        return;
    m_pScratch = std::make_unique<QTemporaryDir>();
    if (!m_pScratch->isValid()) {
        Refuse("Nothing was read", "No room for a temporary file: " + m_pScratch->errorString().toStdString());
        return;
    }
    m_eRun = run;
    QStringList arguments;
    if (run == Run::Compare) {
        // The plan as it stands now: later steps do not reach this comparison.
        const std::string planPath = m_pScratch->filePath("plan.vplan").toStdString();
        if (const SaveResult saved = WriteProjectFile(planPath, plan); !saved) {
            Refuse("The plan was not compared with the rig as built", saved.reason);
            return;
        }
        arguments << "compare"
                  << "--project" << QString::fromStdString(planPath) << m_choice.ReaderArguments()
                  << m_choice.ComparisonArguments();
        m_pPartner->Start(kCompareTitle, "Comparing the plan with the rig as built...", arguments);
        return;
    }
    arguments << "rig" << m_choice.ReaderArguments();
    // First in the plan's room; in the box round the cameras when the user took it.
    if (run == Run::Import)
        arguments << "--units"
                  << "m"
                  << "--room" << SideText(plan.length) + "," + SideText(plan.width) + "," + SideText(plan.height);
    arguments << "--save-project" << m_pScratch->filePath("rig.vplan");
    m_pPartner->Start(kImportTitle, "Reading the calibration...", arguments);
}

void CAsBuiltDock::Refuse(const std::string& what, const std::string& reason)
{
    m_pScratch.reset();
    m_eRun = Run::None;
    m_prompts.ShowMessageWithReason(what, reason, "Warning");
    emit finished(false);
}

void CAsBuiltDock::Read(const QByteArray& output)
{
    if (m_eRun == Run::Compare) {
        AsBuiltFiguresResult parsed = ParseComparisonOutput(output.toStdString());
        m_pScratch.reset();
        m_eRun = Run::None;
        if (!parsed.figures) {
            Refuse("The plan was not compared with the rig as built", parsed.error);
            return;
        }
        m_figures = std::move(parsed.figures);
        ShowFigures();
        emit finished(true);
        return;
    }
    const ProjectReadResult read = ReadProjectFile(m_pScratch->filePath("rig.vplan").toStdString());
    m_pScratch.reset();
    if (!read.plan) {
        Refuse("The calibration was not imported: the plan is as it was.", read.error);
        return;
    }
    const QStringList outside = m_eRun == Run::Import ? Outside(*read.plan, m_document.GetPlan()) : QStringList();
    if (!outside.isEmpty()) {
        const QString text = QString("%1 of the %2 calibrated cameras are outside the room: %3.\nTake the box round "
                                     "the cameras as the room instead? No keeps the room, with the cameras outside it.")
                                 .arg(outside.size())
                                 .arg(read.plan->cameras.size())
                                 .arg(outside.join(", "));
        if (m_prompts.ShowMessage(text.toStdString(), kImportTitle, PromptButtons::YesNo) == PromptAnswer::Yes) {
            Start(Run::ImportInBox);
            return;
        }
    }
    TakeRig(*read.plan);
}

void CAsBuiltDock::TakeRig(const Plan& placed)
{
    const bool inBox = m_eRun == Run::ImportInBox;
    m_eRun = Run::None;
    const std::optional<std::string> refusal = m_document.Document().Apply(
        "Import calibration", [&placed, inBox](Plan& plan) { return ImportCalibratedRig(plan, placed, inBox); });
    if (refusal) {
        Refuse("The calibration was not imported: the plan is as it was.", *refusal);
        return;
    }
    emit finished(true);
}

void CAsBuiltDock::ShowFigures()
{
    const AsBuiltFigures& f = *m_figures;
    QString summary = QString("Aligned %1 (%2 cameras paired by %3), scale %4, %5 mm apart on average.")
                          .arg(QString::fromStdString(f.method))
                          .arg(f.fitted)
                          .arg(QString::fromStdString(f.matching))
                          .arg(Fixed(f.scale, 4), Fixed(f.rmsMm, 1));
    summary += QString("\nCovered: planned %1 m\u00b3, as built %2 m\u00b3; gained %3, lost %4 m\u00b3.")
                   .arg(Fixed(f.plannedM3, 2), Fixed(f.asBuiltM3, 2), Fixed(f.gainedM3, 2), Fixed(f.lostM3, 2));
    if (!f.unmatchedPlan.empty() || !f.unmatchedAsBuilt.empty())
        summary += QString("\nNot paired: %1 of the plan, %2 as built.")
                       .arg(f.unmatchedPlan.size())
                       .arg(f.unmatchedAsBuilt.size());
    for (const std::string& note : f.notes)
        summary += "\n" + QString::fromStdString(PrintableText(note));
    m_pSummary->setText(summary);
    m_pCameras->setRowCount(0);
    for (const AsBuiltFigures::Camera& c : f.cameras) {
        const int row = m_pCameras->rowCount();
        m_pCameras->insertRow(row);
        const QString cells[kColCount] = {
            QString::number(c.planNumber), QString::fromStdString(PrintableText(c.asBuiltName)),
            Fixed(c.positionMm, 0),        Fixed(c.aimDeg, 1),
            Fixed(c.rollDeg, 1),           Fixed(c.focalPlannedMm, 1) + " / " + Fixed(c.focalFoundMm, 1)};
        for (int col = 0; col < kColCount; ++col)
            m_pCameras->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
}
