#include "app/PartnerProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace
{

// Long enough for a partner to remove its unfinished file, short enough that
// closing the window never seems to hang.
constexpr int kStopWaitMs = 5000;

} // namespace

CPartnerProcess::~CPartnerProcess()
{
    if (!m_pProcess)
        return;
    m_pProcess->disconnect();
    if (m_eStop == Stop::Terminate)
        m_pProcess->terminate();
    else
        m_pProcess->kill();
    m_pProcess->waitForFinished(kStopWaitMs);
}

QString CPartnerProcess::Binary(const QString& name, const QString& builtAt)
{
    QString beside = QCoreApplication::applicationDirPath() + "/" + name;
    if (QFileInfo(beside).isExecutable())
        return beside;
    return builtAt;
}

QProcess* CPartnerProcess::Begin(QObject* parent)
{
    m_pProcess = new QProcess(parent);
    return m_pProcess;
}

void CPartnerProcess::End()
{
    if (!m_pProcess)
        return;
    m_pProcess->disconnect();
    m_pProcess->deleteLater();
    m_pProcess = nullptr;
}
