#pragma once

#include <QApplication>

#include <functional>
#include <string>

// The application object, with the event loop's boundary guarded: an
// exception that escapes an event handler or a slot (a std::bad_alloc, a
// library's throw nobody foresaw) is caught where the loop delivers the
// event, the event counts as not handled, and the window goes on running
// with its plan. The exception's text is handed to the error handler once
// the loop is back at rest, not from inside the handler that failed.
class CGuardedApplication : public QApplication
{
  public:
    CGuardedApplication(int& argc, char** argv);

    // Shows what stopped; without one the text goes to standard error.
    void SetErrorHandler(std::function<void(const std::string&)> handler);

    bool notify(QObject* receiver, QEvent* event) override;

  private:
    void Report(const std::string& what);

    std::function<void(const std::string&)> m_onError;
    bool m_bReporting = false; // a message is on its way or showing
};
