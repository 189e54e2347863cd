#include "app/ReplaceQuestion.h"

#include <filesystem>
#include <system_error>

bool MayReplaceFile(CUserPrompts& prompts, const std::string& path, const std::string& title)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return true;
    const std::string name = std::filesystem::path(path).filename().string();
    return prompts.ShowMessage(name + " already exists.\nDo you want to replace it?", title, PromptButtons::YesNo) ==
           PromptAnswer::Yes;
}

std::optional<std::string> ChooseFileToWrite(CUserPrompts& prompts, const FileDialogRequest& request)
{
    std::optional<std::string> path = prompts.ChooseFileToSave(request);
    if (path && !MayReplaceFile(prompts, *path, request.title))
        return std::nullopt;
    return path;
}
