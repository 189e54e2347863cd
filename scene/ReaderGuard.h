#pragma once

#include <string>

// While a process parses a file anyone may hand in with a library of
// others, a fault in the parser or a run past `seconds` ends the process
// with a refusal naming `what` ("could not read the calibration x.toml: ...",
// exit status 1) instead of a crash or a hang. Only for a process that
// writes nothing until it has read the file whole.
void GuardTheReader(const std::string& what, unsigned seconds);
// The file is read: a command that computes on is no reader stuck in a
// hostile file, and takes as long as it needs.
void EndReaderGuard();
