#include "app/DialogItems.h"

#include "app/BoxNumber.h"
#include "app/DialogText.h"
#include "app/EditBox.h"

#include <QComboBox>
#include <QLabel>

QWidget* CDialogItems::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

QComboBox* CDialogItems::Combo(int id) const
{
    return static_cast<QComboBox*>(Control(id));
}

std::string CDialogItems::ItemText(int id) const
{
    return static_cast<CEditBox*>(Control(id))->text().toStdString();
}

void CDialogItems::SetItemText(int id, const std::string& text)
{
    QWidget* w = Control(id);
    if (auto* edit = qobject_cast<CEditBox*>(w))
        edit->SetTextNotify(QString::fromStdString(text));
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(QString::fromStdString(text));
}

int CDialogItems::ItemInt(int id) const
{
    return ReadIntText(ItemText(id));
}

float CDialogItems::ItemFloat(int id) const
{
    return static_cast<float>(ReadDoubleText(ItemText(id)));
}

std::optional<float> CDialogItems::BoxValue(int id) const
{
    return ReadBoxNumber(ItemText(id));
}

void CDialogItems::PutBack(int id, const std::string& text)
{
    WriteAsDialog([&] { SetItemText(id, text); });
}

PromptAnswer CDialogItems::Message(const std::string& text, const std::string& caption, PromptButtons buttons)
{
    return m_prompts.ShowMessage(text, caption, buttons);
}

void CDialogItems::Message(const std::string& text, const std::string& reason, const std::string& caption)
{
    m_prompts.ShowMessageWithReason(text, reason, caption);
}
