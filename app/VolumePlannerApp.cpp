#include "app/VolumePlannerApp.h"

#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompts.h"
#include "app/ProjectCommands.h"
#include "app/StartRequest.h"
#include "app/VolumePlannerDlg.h"
#include "app/workspace/WorkspaceWindow.h"
#include "render/view/VolumeView.h"

#include <QCommandLineParser>
#include <QSettings>

#include <memory>

CVolumePlannerApp::CVolumePlannerApp(int& argc, char** argv) : m_application(argc, argv)
{
    QApplication::setApplicationName("volume-planner");
    QApplication::setApplicationVersion(VP_VERSION);
}

int CVolumePlannerApp::Run()
{
    QCommandLineParser parser;
    DescribeStartOptions(parser);
    parser.process(m_application);
    const StartRequest request = StartRequestOf(parser);
    return request.classic ? RunClassic(request.plan) : RunWorkspace(request.plan);
}

int CVolumePlannerApp::RunWorkspace(const QString& plan)
{
    CWorkspaceWindow window;
    m_application.SetErrorHandler([&window](const std::string& what) {
        CQtUserPrompts(&window).ShowMessage("Unexpected error: " + what, "Error", PromptButtons::Ok);
    });
    window.ShowAsLastTime();
    if (!plan.isEmpty())
        window.OpenPlan(plan.toStdString());
    m_application.exec();
    m_application.SetErrorHandler(nullptr);
    return 0;
}

int CVolumePlannerApp::RunClassic(const QString& plan)
{
    CMainWindow window;
    CVolumePlannerDlg& dialog = window.Dialog();
    m_application.SetErrorHandler([&dialog](const std::string& what) { dialog.ShowUnexpectedError(what); });
    window.Menu().KeepRecentPlansIn(
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "volume-planner", "volume-planner"));
    // Escape in the view ends the program at once, successfully.
    QObject::connect(dialog.View(), &CVolumeView::exitRequested, &dialog, &QDialog::reject);
    // The window ends with the dialog, whatever panels float beside it.
    QObject::connect(&dialog, &QDialog::finished, &m_application, &QCoreApplication::quit);
    window.show();
    QApplication::processEvents();
    if (!dialog.IsSceneReady()) {
        // Without its OpenGL view the dialog has no scene to work on.
        CQtUserPrompts(nullptr).ShowMessage("The OpenGL view could not be created. The program ends.", "Error",
                                            PromptButtons::Ok);
        return 1;
    }
    if (!plan.isEmpty())
        window.Menu().Plan().OpenProjectFile(plan);
    m_application.exec();
    m_application.SetErrorHandler(nullptr);
    return 0;
}
