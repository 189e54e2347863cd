#pragma once

#include <string>

// A command that cannot go on with what it was given: the message on
// standard error and exit status 1, through the command line's own boundary
// (RunGuarded), as every refusal of the tool and its partners ends.
[[noreturn]] void Fail(const std::string& message);
