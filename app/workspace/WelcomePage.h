#pragma once

#include <QStringList>
#include <QWidget>

class QPushButton;
class QVBoxLayout;

// The first page of the workspace, in place of the view until a plan is
// made or opened: a new plan, a plan file, one of the recent ones, or the
// example stage.
class CWelcomePage : public QWidget
{
    Q_OBJECT
  public:
    explicit CWelcomePage(QWidget* parent = nullptr);

    // The recent plans, newest first, a button each.
    void ShowRecent(const QStringList& plans);

    QPushButton* NewButton() const { return m_pNew; }
    QPushButton* OpenButton() const { return m_pOpen; }
    QPushButton* ExampleButton() const { return m_pExample; }
    // The button of recent plan i (from 0); null beyond the list.
    QPushButton* RecentButton(int i) const;

  signals:
    void newPlan();
    void openPlan();
    void openExample();
    void openRecent(const QString& path);

  private:
    QPushButton* m_pNew;
    QPushButton* m_pOpen;
    QPushButton* m_pExample;
    QVBoxLayout* m_pRecent;
    QList<QPushButton*> m_recentButtons;
};
