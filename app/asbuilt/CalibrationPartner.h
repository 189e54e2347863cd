#pragma once

#include "app/PartnerProcess.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class QProgressDialog;
class QWidget;

// Runs volume-planner-calibration, the partner that alone parses
// calibration files, under its fault guard and time limit: whatever a
// hostile file does ends that process, never the window. A busy message
// with Cancel shows while it runs; the window stays responsive.
class CCalibrationPartner : public QObject
{
    Q_OBJECT
  public:
    explicit CCalibrationPartner(QWidget& owner);
    ~CCalibrationPartner() override;

    // Beside the program, or where the build put it.
    static QString Binary();

    bool IsRunning() const { return static_cast<bool>(m_process); }
    // Starts a run; one at a time.
    void Start(const QString& title, const QString& busyText, const QStringList& arguments);
    // Null while nothing runs.
    QProgressDialog* Progress() const { return m_pProgress; }

  signals:
    // The run ended: done, with what it printed; refused, with the partner's
    // message (or why it could not run or ended); or cancelled by the user.
    void done(const QByteArray& output);
    void refused(const QString& message);
    void cancelled();

  private:
    void Finish(int exitCode, QProcess::ExitStatus status);
    void CleanUp();

    QWidget& m_owner;
    QProgressDialog* m_pProgress = nullptr;
    bool m_bCancelled = false;
    // Last, so that a run still going ends before the rest goes.
    CPartnerProcess m_process{CPartnerProcess::Stop::Kill};
};
