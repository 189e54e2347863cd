#include "app/GuardedApplication.h"

#include <QTimer>

#include <cstdio>
#include <exception>
#include <utility>

CGuardedApplication::CGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void CGuardedApplication::SetErrorHandler(std::function<void(const std::string&)> handler)
{
    m_onError = std::move(handler);
}

bool CGuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Report(error.what());
    }
    return false;
}

void CGuardedApplication::Report(const std::string& what)
{
    std::fprintf(stderr, "volume-planner: an action stopped on an unexpected error: %s\n", what.c_str());
    // One message box at a time: a handler that throws on every paint would
    // otherwise stack them up without end.
    if (!m_onError || m_bReporting)
        return;
    m_bReporting = true;
    QTimer::singleShot(0, this, [this, what] {
        if (m_onError)
            m_onError(what);
        m_bReporting = false;
    });
}
