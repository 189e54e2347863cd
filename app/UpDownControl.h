#pragma once

#include <QWidget>

class QToolButton;

// A vertical pair of arrows with no buddy: it holds no position of its own
// and only reports each step as a signed delta. Like the platform's default
// up-down range, whose upper end is its lowest value, the up arrow (or the Up
// key) reports -1 and the down arrow +1.
class CUpDownControl : public QWidget
{
    Q_OBJECT
  public:
    explicit CUpDownControl(QWidget* parent = nullptr);

    QToolButton* UpArrow() const { return m_up; }
    QToolButton* DownArrow() const { return m_down; }

  signals:
    void positionChanging(int delta);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QToolButton* m_up;
    QToolButton* m_down;
};
