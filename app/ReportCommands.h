#pragma once

#include "app/PartnerProcess.h"
#include "app/ReportChoices.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "document/PlanDocument.h"

#include <functional>
#include <memory>
#include <string>

class CSceneRenderer;
class CUserPrompts;
class QProgressDialog;
class QTemporaryDir;
class QWidget;

// What the report command needs of the window it serves.
struct ReportWindowLink {
    // The parent of the progress dialog, and where the command asks.
    QWidget* parent = nullptr;
    CUserPrompts* prompts = nullptr;
    // Whether the window can make a report now (its scene is there).
    std::function<bool()> ready;
    // The plan as the window holds it now, whatever its boxes stored first.
    std::function<const CPlanDocument&()> document;
    // A step of the plan (the title block chosen for the report).
    std::function<void(const std::string& name, const CPlanDocument::Edit& edit)> edit;
    // The display the window shows, as the report command's options.
    std::function<QStringList()> displayArguments;
};

// File > Export Report: the window's plan as it stands is handed, as a
// project file, to the report binary of the command-line tool (the one
// `volume-planner-cli report --project` runs, so the two judge a plan alike), which computes and lays out
// the report in a process of its own. The window keeps working meanwhile; a
// progress dialog follows the report's steps and can cancel it.
class CReportCommands : public QObject
{
    Q_OBJECT
  public:
    CReportCommands(ReportWindowLink window, QObject* parent);
    ~CReportCommands() override;

    void ExportReport();
    // The same report with its "As built" section: the report binary's
    // --as-built, reader, --align and --match arguments.
    void ExportReportAsBuilt(const QStringList& asBuiltArguments);
    bool IsRunning() const { return static_cast<bool>(m_process); }
    // Null while no report is being made.
    QProgressDialog* Progress() const { return m_pProgress; }

    // The binary that writes reports: beside the program, or where the build put it.
    static QString ReportBinary();
    // The display a renderer shows, as the report command's options.
    static QStringList DisplayArgumentsOf(const CSceneRenderer& renderer);

  signals:
    // A report ended: written, failed (the user was told why) or cancelled.
    void reportFinished(bool written);
    // The report was written: `text` says where.
    void saved(const QString& text);

  private:
    void Export(const QStringList& asBuiltArguments);
    void ReadProgress();
    void Finish(int exitCode, QProcess::ExitStatus status);
    void Cancel();
    void CleanUp();

    ReportWindowLink m_window;
    QProgressDialog* m_pProgress = nullptr;
    std::unique_ptr<QTemporaryDir> m_pScratch;
    QByteArray m_errorText;
    // The file the report goes to.
    QString m_strTarget;
    bool m_bCancelled = false;
    // The heights of the last report's floor maps, offered again.
    ReportChoices m_choices;
    // Last, so that a report still being made ends before the rest goes.
    CPartnerProcess m_process{CPartnerProcess::Stop::Terminate};
};
