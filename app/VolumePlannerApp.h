#pragma once

#include "app/GuardedApplication.h"

// The application: runs the main window and ends when its dialog closes. An
// exception escaping one of the window's handlers is shown in a message box
// and the window goes on.
class CVolumePlannerApp
{
  public:
    CVolumePlannerApp(int& argc, char** argv);

    // Shows the window until its dialog closes; the process's exit status.
    int Run();

  private:
    CGuardedApplication m_application;
};
