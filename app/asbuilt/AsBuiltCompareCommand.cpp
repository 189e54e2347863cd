#include "app/asbuilt/AsBuiltCompareCommand.h"

#include "app/ClassicPlan.h"
#include "app/ReportCommands.h"
#include "app/VolumePlannerDlg.h"
#include "app/asbuilt/AsBuiltCompareDialog.h"
#include "app/asbuilt/CalibrationPartner.h"
#include "cameras/CameraSet.h"
#include "coverage/CoverageInput.h"
#include "coverage/CoverageVolume.h"
#include "coverage/asbuilt/CoverageDifference.h"
#include "project/PlanInput.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "render/view/VolumeView.h"

#include <QCheckBox>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QThread>

#include <filesystem>

namespace
{

const char* const kTitle = "Compare with As Built";

} // namespace

CAsBuiltCompareCommand::CAsBuiltCompareCommand(CVolumePlannerDlg& dialog, CClassicPlan& plan, CReportCommands& report)
    : QObject(&dialog), m_dialog(dialog), m_windowPlan(plan), m_report(report),
      m_pPartner(new CCalibrationPartner(dialog))
{
    connect(m_pPartner, &CCalibrationPartner::done, this, &CAsBuiltCompareCommand::Read);
    connect(m_pPartner, &CCalibrationPartner::refused, this,
            [this](const QString& message) { Refuse(message.toStdString()); });
    connect(m_pPartner, &CCalibrationPartner::cancelled, this, [this] {
        m_pScratch.reset();
        emit comparisonFinished(false);
    });
}

CAsBuiltCompareCommand::~CAsBuiltCompareCommand()
{
    // The computation holds its own copies; it only has to end before its thread object goes.
    if (m_pThread) {
        m_pThread->disconnect(this);
        m_pThread->wait();
        delete m_pThread;
    }
}

void CAsBuiltCompareCommand::Compare()
{
    CUserPrompts& prompts = m_dialog.Prompts();
    if (!m_dialog.IsSceneReady())
        return;
    if (m_pPartner->IsRunning() || m_pThread) {
        prompts.ShowMessage("A comparison is being made already: wait for it or cancel it", "Invalid Action",
                            PromptButtons::Ok);
        return;
    }
    m_windowPlan.RecordEdits();
    if (m_windowPlan.GetPlan().cameras.empty()) {
        prompts.ShowMessage("No Cameras Initialized", "Invalid Action", PromptButtons::Ok);
        return;
    }
    const std::optional<CalibrationChoice> choice = CCalibrationChoiceDialog::Ask(kTitle, true, m_choice, &m_dialog);
    if (!choice)
        return;
    m_choice = *choice;

    // The plan as it stands now: later edits in the window do not reach this comparison.
    const Plan& plan = m_windowPlan.GetPlan();
    m_pScratch = std::make_unique<QTemporaryDir>();
    const std::string planPath = m_pScratch->filePath("plan.vplan").toStdString();
    if (const SaveResult saved = m_pScratch->isValid() ? WriteProjectFile(planPath, plan) : SaveResult{false, ""};
        !saved) {
        m_pScratch.reset();
        Refuse("No room for a temporary file" + (saved.reason.empty() ? "" : ": " + saved.reason));
        return;
    }
    // The Difference display computes this plan, as the command line's compare does, whatever the window does
    // meanwhile.
    m_pendingPlan = CoverageInputOf(plan, m_windowPlan.Document().Obstacles());
    QStringList arguments{"compare", "--project", QString::fromStdString(planPath)};
    arguments << m_choice.ReaderArguments() << m_choice.ComparisonArguments() << "--save-aligned"
              << m_pScratch->filePath("aligned.vplan");
    m_pPartner->Start(kTitle, "Comparing the plan with the rig as built...", arguments);
}

void CAsBuiltCompareCommand::Refuse(const std::string& reason)
{
    m_pScratch.reset();
    m_dialog.Prompts().ShowMessageWithReason("The plan was not compared with the rig as built", reason, "Error");
    emit comparisonFinished(false);
}

void CAsBuiltCompareCommand::Read(const QByteArray& output)
{
    AsBuiltFiguresResult parsed = ParseComparisonOutput(output.toStdString());
    const ProjectReadResult aligned = ReadProjectFile(m_pScratch->filePath("aligned.vplan").toStdString());
    m_pScratch.reset();
    if (!parsed.figures) {
        Refuse(parsed.error);
        return;
    }
    if (!aligned.plan) {
        Refuse(aligned.error);
        return;
    }
    // A new comparison: the display of the last one goes.
    ShowDifference(false);
    m_figures = std::move(parsed.figures);
    m_aligned = aligned.plan->cameras;
    m_plan = std::move(m_pendingPlan);
    m_shownChoice = m_choice;
    m_pDifference.reset();
    if (!m_pWindow) {
        m_pWindow = new CAsBuiltCompareDialog(&m_dialog);
        connect(m_pWindow, &CAsBuiltCompareDialog::differenceToggled, this, &CAsBuiltCompareCommand::ShowDifference);
        connect(m_pWindow, &CAsBuiltCompareDialog::reportRequested, this, &CAsBuiltCompareCommand::ExportReport);
    }
    m_pWindow->ShowFigures(*m_figures,
                           QString::fromStdString(std::filesystem::path(m_choice.path).filename().string()));
    m_pWindow->show();
    m_pWindow->raise();
    emit comparisonFinished(true);
}

void CAsBuiltCompareCommand::ShowDifference(bool on)
{
    CSceneRenderer& renderer = m_dialog.View()->Renderer();
    if (!on) {
        if (renderer.GetDifference()) {
            renderer.SetDifference(nullptr);
            m_dialog.View()->RequestRepaint();
            emit differenceShown(false);
        }
        return;
    }
    if (m_pDifference) {
        renderer.SetDifference(m_pDifference);
        m_dialog.View()->RequestRepaint();
        emit differenceShown(true);
        return;
    }
    if (m_pThread || !m_plan)
        return;

    // Both inputs are copies; the computation reads nothing else.
    CoverageInput plan = *m_plan;
    CoverageInput built = plan;
    const CCameraSet& planCameras = plan.cameras;
    FillCameraSet(m_aligned, {planCameras.GetUserOriginX(), planCameras.GetUserOriginY(), planCameras.GetUserOriginZ()},
                  built.cameras);
    built.cameraCount = static_cast<uint32_t>(m_aligned.size());
    built.firstCamera = 0;
    built.endCamera = built.cameraCount;

    m_pComputing = std::make_shared<CCoverageDifference>();
    m_pStatus = std::make_shared<int>(0);
    m_pThread = QThread::create(
        [difference = m_pComputing, status = m_pStatus, plan = std::move(plan), built = std::move(built)]() mutable {
            *status = static_cast<int>(difference->Compute(std::move(plan), std::move(built)));
        });
    connect(m_pThread, &QThread::finished, this, &CAsBuiltCompareCommand::TakeDifference);
    m_pBusy = new QProgressDialog("Computing the coverage of both rigs for the Difference display...", QString(), 0, 0,
                                  &m_dialog);
    m_pBusy->setWindowTitle(kTitle);
    m_pBusy->setWindowModality(Qt::WindowModal);
    m_pBusy->setMinimumDuration(0);
    m_pBusy->setAutoClose(false);
    m_pBusy->setAutoReset(false);
    m_pBusy->show();
    m_pThread->start();
}

void CAsBuiltCompareCommand::TakeDifference()
{
    m_pThread->deleteLater();
    m_pThread = nullptr;
    m_pBusy->close();
    m_pBusy->deleteLater();
    m_pBusy = nullptr;
    const auto status = static_cast<CCoverageDifference::Status>(*m_pStatus);
    std::shared_ptr<CCoverageDifference> computed = std::move(m_pComputing);
    if (status != CCoverageDifference::Status::Ok) {
        if (m_pWindow)
            m_pWindow->ShowDifferenceState(false);
        m_dialog.Prompts().ShowMessageWithReason(
            "The Difference display cannot be shown",
            status == CCoverageDifference::Status::OutOfMemory
                ? kNotEnoughMemoryMessage
                : "Invalid room or voxel size: the voxel size and every room dimension must be positive",
            "Error");
        return;
    }
    m_pDifference = std::move(computed);
    // The box may have been cleared (or the dialog closed) while it computed.
    if (m_pWindow && m_pWindow->DifferenceBox().isChecked())
        ShowDifference(true);
}

void CAsBuiltCompareCommand::ExportReport()
{
    QStringList arguments = m_shownChoice.ReaderArguments();
    arguments << m_shownChoice.ComparisonArguments();
    m_report.ExportReportAsBuilt(arguments);
}
