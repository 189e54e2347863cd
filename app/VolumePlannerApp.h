#pragma once

#include "app/GuardedApplication.h"

// The application: runs the main dialog and ends when it closes. An
// exception escaping one of the window's handlers is shown in a message box
// and the window goes on.
class CVolumePlannerApp
{
  public:
    CVolumePlannerApp(int& argc, char** argv);

    // Shows the dialog modally; the process's exit status.
    int Run();

  private:
    CGuardedApplication m_application;
};
