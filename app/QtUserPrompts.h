#pragma once

#include "app/UserPrompts.h"

class QWidget;

// Message boxes and file dialogs of Qt, owned by the given window.
class CQtUserPrompts : public CUserPrompts
{
  public:
    explicit CQtUserPrompts(QWidget* owner) : m_owner(owner) {}

    PromptAnswer ShowMessage(const std::string& text, const std::string& caption, PromptButtons buttons) override;
    std::optional<std::string> ChooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseFileToSave(const FileDialogRequest& request) override;
    std::optional<ReportChoices> ChooseReportOptions(const ReportChoices& initial) override;

  private:
    std::optional<std::string> RunFileDialog(const FileDialogRequest& request, bool save);

    QWidget* m_owner;
};
