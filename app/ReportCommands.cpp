#include "app/ReportCommands.h"

#include "app/ReplaceQuestion.h"
#include "project/ProjectFile.h"
#include "render/SceneRenderer.h"
#include "report/ReportWriter.h"
#include "scene/SceneSettings.h"

#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <charconv>
#include <filesystem>

namespace
{

const FileDialogRequest kExportReport{"Export Report", "report", "pdf",
                                      "PDF Report (*.pdf)|*.pdf|HTML Report (*.html)|*.html||"};

QString ShortFloatText(float v)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);
    return QString::fromLatin1(text, static_cast<int>(result.ptr - text));
}

} // namespace

QStringList CReportCommands::DisplayArgumentsOf(const CSceneRenderer& renderer)
{
    QStringList arguments;
    if (renderer.IsQualityDisplay()) {
        arguments << "--display"
                  << "quality"
                  << "--measure" << PlanningMeasureKey(renderer.GetQualityMeasure());
        if (const auto threshold = renderer.GetQualityThreshold())
            arguments << "--quality-threshold"
                      << QString::fromStdString(ComparisonOpText(threshold->op)) + "," +
                             ShortFloatText(threshold->value);
        return arguments;
    }
    const SceneSettings& settings = *GetSceneSettings();
    if (settings.Get2DView())
        arguments << "--view-2d";
    if (settings.GetSelectiveCameras())
        arguments << "--selective";
    return arguments;
}

CReportCommands::CReportCommands(ReportWindowLink window, QObject* parent)
    : QObject(parent), m_window(std::move(window))
{
}

CReportCommands::~CReportCommands() = default;

QString CReportCommands::ReportBinary()
{
    return CPartnerProcess::Binary("volume-planner-report", QStringLiteral(VP_REPORT_BINARY));
}

void CReportCommands::ExportReport()
{
    Export({});
}

void CReportCommands::ExportReportAsBuilt(const QStringList& asBuiltArguments)
{
    Export(asBuiltArguments);
}

void CReportCommands::Export(const QStringList& asBuiltArguments)
{
    CUserPrompts& prompts = *m_window.prompts;
    if (!m_window.ready())
        return;
    if (IsRunning()) {
        prompts.ShowMessage("A report is being made already: wait for it or cancel it", "Invalid Action",
                            PromptButtons::Ok);
        return;
    }
    const CPlanDocument& document = m_window.document();
    if (document.GetPlan().cameras.empty()) {
        prompts.ShowMessage("No Cameras Initialized", "Invalid Action", PromptButtons::Ok);
        return;
    }
    // The title block the plan holds, and the heights chosen for its last report.
    const std::string stem = std::filesystem::path(document.Path()).stem().string();
    const ProjectReport& held = document.GetPlan().report;
    ReportChoices initial = m_choices;
    initial.title = held.title;
    initial.client = held.client;
    initial.site = held.site;
    initial.author = held.author;
    initial.date = held.date;
    if (initial.title.empty())
        initial.title = stem;
    const std::optional<ReportChoices> chosen = prompts.ChooseReportOptions(initial);
    if (!chosen)
        return;
    m_choices = *chosen;
    // Kept with the plan only when it differs from the name the file already gives.
    const ProjectReport report{chosen->title == stem ? std::string() : chosen->title, chosen->client, chosen->site,
                               chosen->author, chosen->date};
    m_window.edit("Report details", [&report](Plan& plan) -> std::optional<std::string> {
        plan.report = report;
        // A title block cleared in the window goes from the file too, keys of other programs aside.
        if (const auto kept = plan.kept.find("report"); report.empty() && kept != plan.kept.end()) {
            const Json rest = ProjectReportJson(report, *kept);
            if (rest.empty())
                plan.kept.erase(kept);
            else
                *kept = rest;
        }
        return std::nullopt;
    });
    const std::optional<std::string> target = ChooseFileToWrite(prompts, kExportReport);
    if (!target)
        return;
    if (!ReportFormatOf(*target)) {
        prompts.ShowMessage("Choose a file ending in .pdf or .html", "Invalid Action", PromptButtons::Ok);
        return;
    }
    m_strTarget = QString::fromStdString(*target);

    // The plan as it stands now, whole (its target too): later edits in the window do not reach this report.
    m_pScratch = std::make_unique<QTemporaryDir>();
    const std::string projectPath = m_pScratch->filePath("plan.vplan").toStdString();
    const SaveResult written =
        m_pScratch->isValid() ? WriteProjectFile(projectPath, document.GetPlan()) : SaveResult{false, ""};
    if (!written) {
        m_pScratch.reset();
        const std::string why = written.reason.empty() ? "" : ": " + written.reason;
        prompts.ShowMessageWithReason("Unable to make the report", "No room for a temporary file" + why, "Error");
        return;
    }

    const std::string title = m_choices.title.empty() ? std::string("Untitled plan") : m_choices.title;
    QStringList arguments{"report",
                          "--project",
                          QString::fromStdString(projectPath),
                          "--out",
                          QString::fromStdString(*target),
                          "--title=" + QString::fromStdString(title),
                          "--progress"};
    const std::pair<const char*, const std::string*> given[] = {{"--client", &m_choices.client},
                                                                {"--site", &m_choices.site},
                                                                {"--author", &m_choices.author},
                                                                {"--date", &m_choices.date}};
    // In one argument each, so that a text starting with a dash is not taken for an option.
    for (const auto& [option, text] : given)
        if (!text->empty())
            arguments << QString(option) + "=" + QString::fromStdString(*text);
    // The default band only when asked for: a lower ceiling cuts it off.
    const ReportChoices defaults;
    if (m_choices.bandFromM != defaults.bandFromM || m_choices.bandToM != defaults.bandToM)
        arguments << "--heights=" + QString::fromStdString(BandText(m_choices)).remove(' ');
    if (!m_choices.slicesM.empty())
        arguments << "--slices=" + QString::fromStdString(SlicesText(m_choices)).remove(' ');
    arguments << m_window.displayArguments() << asBuiltArguments;

    m_errorText.clear();
    m_bCancelled = false;
    QProcess* process = m_process.Begin(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    m_process->setProcessEnvironment(environment);
    // The steps and the messages come on standard error.
    m_process->setReadChannel(QProcess::StandardError);
    connect(process, &QProcess::readyReadStandardError, this, &CReportCommands::ReadProgress);
    connect(process, &QProcess::finished, this, &CReportCommands::Finish);
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Finish(-1, QProcess::CrashExit);
    });

    m_pProgress = new QProgressDialog("Making the report...", "Cancel", 0, 100, m_window.parent);
    m_pProgress->setWindowTitle("Export Report");
    m_pProgress->setWindowModality(Qt::NonModal);
    m_pProgress->setMinimumDuration(0);
    m_pProgress->setAutoClose(false);
    m_pProgress->setAutoReset(false);
    m_pProgress->setValue(0);
    connect(m_pProgress, &QProgressDialog::canceled, this, &CReportCommands::Cancel);
    m_pProgress->show();

    m_process->start(ReportBinary(), arguments);
}

void CReportCommands::ReadProgress()
{
    if (!m_process)
        return;
    static const QRegularExpression step(R"(^Report:\s+(\d+)% (.*)$)");
    while (m_process->canReadLine()) {
        const QByteArray line = m_process->readLine().trimmed();
        const QRegularExpressionMatch match = step.match(QString::fromUtf8(line));
        if (!match.hasMatch()) {
            m_errorText += line + "\n";
            continue;
        }
        if (m_pProgress) {
            m_pProgress->setValue(match.captured(1).toInt());
            m_pProgress->setLabelText("Making the report: " + match.captured(2));
        }
    }
}

void CReportCommands::Cancel()
{
    if (!m_process)
        return;
    m_bCancelled = true;
    // The report binary removes its unfinished file on a termination request.
    m_process->terminate();
}

void CReportCommands::Finish(int exitCode, QProcess::ExitStatus status)
{
    if (!m_process)
        return;
    ReadProgress();
    m_errorText += m_process->readAll();
    const bool started = m_process->error() != QProcess::FailedToStart;
    const bool written = started && status == QProcess::NormalExit && exitCode == 0;
    const bool cancelled = m_bCancelled;
    const QString binary = m_process->program();
    CleanUp();
    if (!written && !cancelled) {
        std::string reason;
        for (const QByteArray& line : m_errorText.split('\n'))
            if (!line.isEmpty() && !line.startsWith("QStandardPaths"))
                reason = line.toStdString();
        if (!started)
            reason = "cannot run " + binary.toStdString();
        m_window.prompts->ShowMessageWithReason("Unable to make the report", reason, "Error");
    }
    if (written)
        emit saved("Report saved to " + m_strTarget);
    emit reportFinished(written);
}

void CReportCommands::CleanUp()
{
    m_process.End();
    if (m_pProgress) {
        m_pProgress->disconnect(this);
        m_pProgress->close();
        m_pProgress->deleteLater();
        m_pProgress = nullptr;
    }
    m_pScratch.reset();
}
