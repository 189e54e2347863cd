#pragma once

#include <QString>

class QObject;
class QProcess;

// A partner binary the window runs (the report maker, the calibration
// reader): found beside the program once installed, where the build put it
// before. A run still going when its owner goes is stopped and waited for,
// with its signals cut first so that nothing reaches the owner half gone.
class CPartnerProcess
{
  public:
    // How a run still going is stopped: a termination request lets the
    // partner remove what it had begun, a kill ends it at once.
    enum class Stop { Terminate, Kill };

    explicit CPartnerProcess(Stop stop) : m_eStop(stop) {}
    ~CPartnerProcess();
    CPartnerProcess(const CPartnerProcess&) = delete;
    CPartnerProcess& operator=(const CPartnerProcess&) = delete;

    // `name` beside the program when it is there and runs, else `builtAt`.
    static QString Binary(const QString& name, const QString& builtAt);

    // A new process, a child of `parent`, for the next run; one run at a time.
    QProcess* Begin(QObject* parent);
    // The run's process; null while none runs.
    QProcess* operator->() const { return m_pProcess; }
    explicit operator bool() const { return m_pProcess != nullptr; }
    // The run is over: its process is let go once its signals are served.
    void End();

  private:
    Stop m_eStop;
    QProcess* m_pProcess = nullptr;
};
