#include "app/asbuilt/CalibrationPartner.h"

#include <QProgressDialog>
#include <QWidget>

CCalibrationPartner::CCalibrationPartner(QWidget& owner) : QObject(&owner), m_owner(owner) {}

CCalibrationPartner::~CCalibrationPartner() = default;

QString CCalibrationPartner::Binary()
{
    return CPartnerProcess::Binary("volume-planner-calibration", QStringLiteral(VP_CALIBRATION_BINARY));
}

void CCalibrationPartner::Start(const QString& title, const QString& busyText, const QStringList& arguments)
{
    m_bCancelled = false;
    QProcess* process = m_process.Begin(this);
    connect(process, &QProcess::finished, this, &CCalibrationPartner::Finish);
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Finish(-1, QProcess::CrashExit);
    });

    // No range: the partner reports no steps, only that it is at work.
    m_pProgress = new QProgressDialog(busyText, "Cancel", 0, 0, &m_owner);
    m_pProgress->setWindowTitle(title);
    m_pProgress->setWindowModality(Qt::WindowModal);
    m_pProgress->setMinimumDuration(0);
    m_pProgress->setAutoClose(false);
    m_pProgress->setAutoReset(false);
    connect(m_pProgress, &QProgressDialog::canceled, this, [this] {
        if (!m_process)
            return;
        m_bCancelled = true;
        m_process->kill();
    });
    m_pProgress->show();

    m_process->start(Binary(), arguments);
}

void CCalibrationPartner::Finish(int exitCode, QProcess::ExitStatus status)
{
    if (!m_process)
        return;
    const bool started = m_process->error() != QProcess::FailedToStart;
    const QByteArray output = started ? m_process->readAllStandardOutput() : QByteArray();
    const QString errors = started ? QString::fromUtf8(m_process->readAllStandardError()).trimmed() : QString();
    const QString binary = m_process->program();
    const bool byUser = m_bCancelled;
    CleanUp();
    if (byUser) {
        emit cancelled();
        return;
    }
    if (started && status == QProcess::NormalExit && exitCode == 0) {
        emit done(output);
        return;
    }
    // The partner's own refusal names the file, the camera and the key.
    QString message = errors;
    if (!started)
        message = "cannot run " + binary;
    else if (message.isEmpty() && status == QProcess::CrashExit)
        message = "the calibration reader stopped unexpectedly";
    else if (message.isEmpty())
        message = "the calibration reader ended with status " + QString::number(exitCode);
    emit refused(message);
}

void CCalibrationPartner::CleanUp()
{
    m_process.End();
    if (m_pProgress) {
        m_pProgress->disconnect(this);
        m_pProgress->close();
        m_pProgress->deleteLater();
        m_pProgress = nullptr;
    }
}
