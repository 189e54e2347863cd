#pragma once

#include "app/UserPrompts.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

// Answers the dialog's questions from a script and records what was asked.
class CScriptedPrompts : public CUserPrompts
{
  public:
    struct Shown {
        std::string text;
        std::string caption;
        PromptButtons buttons;
    };

    PromptAnswer ShowMessage(const std::string& text, const std::string& caption, PromptButtons buttons) override
    {
        messages.push_back({text, caption, buttons});
        if (buttons == PromptButtons::Ok)
            return PromptAnswer::Ok;
        if (answers.empty())
            return buttons == PromptButtons::SaveDiscardCancel ? PromptAnswer::Discard : PromptAnswer::No;
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        // The unsaved-changes question was Yes (save) / No (lose them): a
        // script written for it answers the same.
        if (buttons == PromptButtons::SaveDiscardCancel && answer == PromptAnswer::Yes)
            return PromptAnswer::Save;
        if (buttons == PromptButtons::SaveDiscardCancel && answer == PromptAnswer::No)
            return PromptAnswer::Discard;
        return answer;
    }

    // The first line goes with the other messages, the reason beside it.
    void ShowMessageWithReason(const std::string& text, const std::string& reason, const std::string& caption) override
    {
        messages.push_back({text, caption, PromptButtons::Ok});
        reasons.push_back(reason);
    }

    std::optional<std::string> ChooseFileToOpen(const FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        return NextFile();
    }

    std::optional<std::string> ChooseFileToSave(const FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return NextFile();
    }

    // Export Report's options: the next scripted ones, else the choices offered.
    std::optional<ReportChoices> ChooseReportOptions(const ReportChoices& initial) override
    {
        offeredReportChoices.push_back(initial);
        if (reportChoices.empty())
            return initial;
        std::optional<ReportChoices> choices = reportChoices.front();
        reportChoices.pop_front();
        return choices;
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Shown& m : messages)
            texts.push_back(m.text);
        return texts;
    }

    std::vector<Shown> messages;
    std::vector<std::string> reasons;
    std::deque<PromptAnswer> answers;
    std::deque<std::optional<std::string>> files;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::deque<std::optional<ReportChoices>> reportChoices;
    std::vector<ReportChoices> offeredReportChoices;

  private:
    std::optional<std::string> NextFile()
    {
        if (files.empty())
            return std::nullopt;
        std::optional<std::string> file = files.front();
        files.pop_front();
        return file;
    }
};
