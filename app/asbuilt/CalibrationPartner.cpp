#include "app/asbuilt/CalibrationPartner.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QWidget>

CCalibrationPartner::CCalibrationPartner(QWidget& owner) : QObject(&owner), m_owner(owner) {}

CCalibrationPartner::~CCalibrationPartner()
{
    if (m_pProcess) {
        m_pProcess->disconnect(this);
        m_pProcess->kill();
        m_pProcess->waitForFinished(5000);
    }
}

QString CCalibrationPartner::Binary()
{
    const QString beside = QCoreApplication::applicationDirPath() + "/volume-planner-calibration";
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStringLiteral(VP_CALIBRATION_BINARY);
}

void CCalibrationPartner::Start(const QString& title, const QString& busyText, const QStringList& arguments)
{
    m_bCancelled = false;
    m_pProcess = new QProcess(this);
    connect(m_pProcess, &QProcess::finished, this, &CCalibrationPartner::Finish);
    connect(m_pProcess, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
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
        if (!m_pProcess)
            return;
        m_bCancelled = true;
        m_pProcess->kill();
    });
    m_pProgress->show();

    m_pProcess->start(Binary(), arguments);
}

void CCalibrationPartner::Finish(int exitCode, QProcess::ExitStatus status)
{
    if (!m_pProcess)
        return;
    const bool started = m_pProcess->error() != QProcess::FailedToStart;
    const QByteArray output = started ? m_pProcess->readAllStandardOutput() : QByteArray();
    const QString errors = started ? QString::fromUtf8(m_pProcess->readAllStandardError()).trimmed() : QString();
    const QString binary = m_pProcess->program();
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
    m_pProcess->disconnect(this);
    m_pProcess->deleteLater();
    m_pProcess = nullptr;
    if (m_pProgress) {
        m_pProgress->disconnect(this);
        m_pProgress->close();
        m_pProgress->deleteLater();
        m_pProgress = nullptr;
    }
}
