#include "app/QtUserPrompts.h"

#include "app/DialogRules.h"
#include "app/ReportOptionsDialog.h"

#include <QFileDialog>
#include <QMessageBox>

namespace
{

QMessageBox::Icon IconForCaption(const std::string& caption, PromptButtons buttons)
{
    if (buttons != PromptButtons::Ok)
        return QMessageBox::Question;
    if (caption == "Error" || caption == "Fatal Error" || caption == "File Not Found")
        return QMessageBox::Critical;
    return QMessageBox::Warning;
}

} // namespace

PromptAnswer CQtUserPrompts::ShowMessage(const std::string& text, const std::string& caption, PromptButtons buttons)
{
    QMessageBox box(IconForCaption(caption, buttons), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, m_owner);
    if (buttons == PromptButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
    }
    if (buttons == PromptButtons::SaveDiscardCancel) {
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        // Escape and the close box take back the action that asked.
        box.setEscapeButton(QMessageBox::Cancel);
        box.exec();
        if (box.clickedButton() == box.button(QMessageBox::Save))
            return PromptAnswer::Save;
        if (box.clickedButton() == box.button(QMessageBox::Discard))
            return PromptAnswer::Discard;
        return PromptAnswer::Cancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return PromptAnswer::Ok;
}

std::optional<std::string> CQtUserPrompts::ChooseFileToOpen(const FileDialogRequest& request)
{
    return RunFileDialog(request, false);
}

std::optional<std::string> CQtUserPrompts::ChooseFileToSave(const FileDialogRequest& request)
{
    return RunFileDialog(request, true);
}

std::optional<ReportChoices> CQtUserPrompts::ChooseReportOptions(const ReportChoices& initial)
{
    CReportOptionsDialog dialog(initial, m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choices();
}

std::optional<std::string> CQtUserPrompts::RunFileDialog(const FileDialogRequest& request, bool save)
{
    QFileDialog dialog(m_owner, QString::fromStdString(request.title));
    dialog.setNameFilter(QString::fromStdString(ToQtFileFilter(request.filter)));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.selectFile(QString::fromStdString(request.initialName));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The dialog asks about replacing a file itself, through the same prompts as every other question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}
