#include "app/RecentPlans.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace
{
const char* const kKey = "recentProjects";
} // namespace

CRecentPlans::CRecentPlans(QMenu& menu, std::function<bool(const QString&)> open, QObject* parent)
    : QObject(parent), m_menu(menu), m_open(std::move(open))
{
    ShowPlans();
}

CRecentPlans::~CRecentPlans() = default;

void CRecentPlans::SetStore(std::unique_ptr<QSettings> store)
{
    m_store = std::move(store);
    m_plans = m_store->value(kKey).toStringList().mid(0, kMaxPlans);
    ShowPlans();
}

void CRecentPlans::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_plans.removeAll(absolute);
    m_plans.prepend(absolute);
    while (m_plans.size() > kMaxPlans)
        m_plans.removeLast();
    Save();
    ShowPlans();
}

void CRecentPlans::Save()
{
    if (m_store) {
        m_store->setValue(kKey, m_plans);
        m_store->sync();
    }
}

void CRecentPlans::ShowPlans()
{
    m_menu.clear();
    for (int n = 0; n < m_plans.size(); ++n) {
        const QString& path = m_plans[n];
        QAction* action = m_menu.addAction(QString("&%1 %2").arg(n + 1).arg(QFileInfo(path).fileName()));
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setStatusTip(QDir::toNativeSeparators(path));
        // Once the menu's own signal is over: opening rebuilds the menu, this action with it.
        connect(
            action, &QAction::triggered, this, [this, path] { Open(path); }, Qt::QueuedConnection);
    }
    m_menu.setEnabled(!m_plans.isEmpty());
}

void CRecentPlans::Open(const QString& path)
{
    // A file gone since leaves the list once the user was told.
    if (!m_open(path) && !QFileInfo::exists(path)) {
        m_plans.removeAll(path);
        Save();
        ShowPlans();
    }
}
