#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QMenu;
class QSettings;

// File > Open Recent: the project files last opened or saved, newest first.
// Without a store the list lasts as long as the window; with one (the
// program's own settings) it is kept between runs.
class CRecentPlans : public QObject
{
    Q_OBJECT
  public:
    static constexpr int kMaxPlans = 8;

    // `open` opens a chosen file; it answers whether it could.
    CRecentPlans(QMenu& menu, std::function<bool(const QString&)> open, QObject* parent);
    ~CRecentPlans() override;

    // Takes the list the store holds, and keeps every change in it from then on.
    void SetStore(std::unique_ptr<QSettings> store);
    // `path` goes to the top of the list.
    void Add(const QString& path);
    const QStringList& Plans() const { return m_plans; }

  private:
    void Save();
    void ShowPlans();
    void Open(const QString& path);

    QMenu& m_menu;
    std::function<bool(const QString&)> m_open;
    std::unique_ptr<QSettings> m_store;
    QStringList m_plans;
};
