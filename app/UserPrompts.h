#pragma once

#include "app/ReportChoices.h"

#include <optional>
#include <string>

// SaveDiscardCancel asks before unsaved changes are lost; Escape and the
// question's close box answer Cancel.
enum class PromptButtons { Ok, YesNo, SaveDiscardCancel };
enum class PromptAnswer { Ok, Yes, No, Save, Discard, Cancel };

// What an open or save dialog shows. The filter is in the program's
// "description|patterns|...||" form; each implementation translates it.
struct FileDialogRequest {
    std::string title;
    std::string initialName;
    std::string defaultExtension;
    std::string filter;
};

// Every question the main window asks the user goes through this interface,
// so the dialog's commands can be driven without anybody at the screen.
class CUserPrompts
{
  public:
    virtual ~CUserPrompts() = default;
    // A modal message box with the given text, caption and buttons.
    virtual PromptAnswer ShowMessage(const std::string& text, const std::string& caption, PromptButtons buttons) = 0;
    // A message whose second line says why; no second line for an empty reason.
    virtual void ShowMessageWithReason(const std::string& text, const std::string& reason, const std::string& caption)
    {
        ShowMessage(reason.empty() ? text : text + "\n" + reason, caption, PromptButtons::Ok);
    }
    // An existing file to read, or nothing when the user cancels.
    virtual std::optional<std::string> ChooseFileToOpen(const FileDialogRequest& request) = 0;
    // A file to write, or nothing when the user cancels. Does not ask about
    // replacing an existing file: the caller does that.
    virtual std::optional<std::string> ChooseFileToSave(const FileDialogRequest& request) = 0;
    // Export Report's options, starting from `initial`; nothing when the
    // user cancels. Without a dialog to ask in, the choices as they are.
    virtual std::optional<ReportChoices> ChooseReportOptions(const ReportChoices& initial) { return initial; }
};
