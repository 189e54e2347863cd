#pragma once

#include "app/GuardedApplication.h"

#include <QString>

// The application: the workspace, or with --classic the classic window, on
// the plan file named on the command line if there is one; it ends when the
// window closes. An exception escaping one of the window's handlers is shown
// in a message box and the window goes on.
class CVolumePlannerApp
{
  public:
    CVolumePlannerApp(int& argc, char** argv);

    // Shows the window until it closes; the process's exit status.
    int Run();

  private:
    int RunWorkspace(const QString& plan);
    int RunClassic(const QString& plan);

    CGuardedApplication m_application;
};
