#include "app/workspace/WelcomePage.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QPushButton* Choice(const QString& title, const QString& detail)
{
    auto* button = new QPushButton(title + "\n" + detail);
    button->setStyleSheet("QPushButton { text-align: left; padding: 8px 12px; }");
    button->setMinimumWidth(380);
    return button;
}

} // namespace

CWelcomePage::CWelcomePage(QWidget* parent)
    : QWidget(parent), m_pNew(Choice("New Plan", "A 5 x 5 x 5 m room with four cameras at the ceiling corners")),
      m_pOpen(Choice("Open Plan...", "A plan file (.vplan)")),
      m_pExample(Choice("Example Stage", "A 10 x 8 x 4 m stage: eight cameras, a riser and a target volume to meet")),
      m_pRecent(new QVBoxLayout)
{
    setObjectName("WelcomePage");
    auto* title = new QLabel("Volume Planner");
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2.0);
    big.setBold(true);
    title->setFont(big);
    auto* what = new QLabel("Plan how a rig of motion-capture cameras covers a stage: where they see a marker, "
                            "from which angles, and how well it triangulates.");
    what->setWordWrap(true);
    auto* recentTitle = new QLabel("Recent plans");
    QFont bold = recentTitle->font();
    bold.setBold(true);
    recentTitle->setFont(bold);

    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    column->addWidget(title);
    column->addWidget(what);
    column->addSpacing(12);
    column->addWidget(m_pNew);
    column->addWidget(m_pOpen);
    column->addWidget(m_pExample);
    column->addSpacing(12);
    column->addWidget(recentTitle);
    column->addLayout(m_pRecent);
    auto* frame = new QWidget;
    frame->setLayout(column);
    frame->setMaximumWidth(560);

    auto* centre = new QHBoxLayout(this);
    centre->addStretch(1);
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(frame);
    middle->addStretch(2);
    centre->addLayout(middle);
    centre->addStretch(1);

    connect(m_pNew, &QPushButton::clicked, this, &CWelcomePage::newPlan);
    connect(m_pOpen, &QPushButton::clicked, this, &CWelcomePage::openPlan);
    connect(m_pExample, &QPushButton::clicked, this, &CWelcomePage::openExample);
    ShowRecent({});
}

void CWelcomePage::ShowRecent(const QStringList& plans)
{
    // Later: the list may change from a click on one of its own buttons.
    m_recentButtons.clear();
    while (QLayoutItem* item = m_pRecent->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    if (plans.isEmpty()) {
        m_pRecent->addWidget(new QLabel("None yet: the plans you open and save are listed here."));
        return;
    }
    for (const QString& path : plans) {
        auto* button = new QPushButton(QFileInfo(path).fileName() + "   " + QFileInfo(path).absolutePath());
        button->setFlat(true);
        button->setStyleSheet("QPushButton { text-align: left; padding: 2px 12px; }");
        button->setToolTip(path);
        connect(button, &QPushButton::clicked, this, [this, path] { emit openRecent(path); });
        m_pRecent->addWidget(button);
        m_recentButtons.append(button);
    }
}

QPushButton* CWelcomePage::RecentButton(int i) const
{
    return i >= 0 && i < m_recentButtons.size() ? m_recentButtons[i] : nullptr;
}
