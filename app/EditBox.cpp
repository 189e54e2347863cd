#include "app/EditBox.h"

CEditBox::CEditBox(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_bWriting)
            emit changed();
    });
}

void CEditBox::SetTextNotify(const QString& text)
{
    m_bWriting = true;
    setText(text);
    // Show the start of a long number, as a freshly filled box does.
    setCursorPosition(0);
    m_bWriting = false;
    emit changed();
}
