#include "app/VolumePlannerApp.h"

#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompts.h"
#include "app/VolumePlannerDlg.h"
#include "render/view/VolumeView.h"

#include <QSettings>

#include <memory>

CVolumePlannerApp::CVolumePlannerApp(int& argc, char** argv) : m_application(argc, argv)
{
    QApplication::setApplicationName("volume-planner");
}

int CVolumePlannerApp::Run()
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
    m_application.exec();
    m_application.SetErrorHandler(nullptr);
    return 0;
}
