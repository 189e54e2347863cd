#pragma once

#include <QLineEdit>

// A single-line edit box that reports every change of its text: typing, and
// also every write by the dialog, even one that leaves the text as it was.
class CEditBox : public QLineEdit
{
    Q_OBJECT
  public:
    explicit CEditBox(QWidget* parent = nullptr);

    // Sets the text and always reports a change.
    void SetTextNotify(const QString& text);

  signals:
    void changed();

  private:
    bool m_bWriting = false;
};
