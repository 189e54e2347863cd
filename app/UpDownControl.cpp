#include "app/UpDownControl.h"

#include <QKeyEvent>
#include <QToolButton>

CUpDownControl::CUpDownControl(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { emit positionChanging(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit positionChanging(+1); });
}

void CUpDownControl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        emit positionChanging(-1);
    else if (event->key() == Qt::Key_Down)
        emit positionChanging(+1);
    else
        QWidget::keyPressEvent(event);
}

void CUpDownControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}
