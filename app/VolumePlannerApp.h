#pragma once

#include <QApplication>

// The application: runs the main dialog and ends when it closes.
class CVolumePlannerApp
{
  public:
    CVolumePlannerApp(int& argc, char** argv);

    // Shows the dialog modally; the process's exit status.
    int Run();

  private:
    QApplication m_application;
};
