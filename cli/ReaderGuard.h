#pragma once

// volume-planner-calibration turns a fault or a run past its time limit into
// a refusal while the calibration parsers run. A command that computes on
// once the files are read ends that guard: a long computation is no reader
// stuck in a hostile file.
void EndReaderGuard();
