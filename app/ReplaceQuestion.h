#pragma once

#include "app/UserPrompts.h"

#include <optional>
#include <string>

// Replacing a file silently could lose another plan, rig or report: every
// save of the window asks here first, in the same words.

// Whether `path` may be written: no file is there, or the user answers Yes to
// "NAME already exists. Do you want to replace it?" under the caption `title`.
bool MayReplaceFile(CUserPrompts& prompts, const std::string& path, const std::string& title);
// The file the user chose to write, asked about first when it would replace
// another; nothing when the user cancels either question.
std::optional<std::string> ChooseFileToWrite(CUserPrompts& prompts, const FileDialogRequest& request);
