#pragma once

#include "engine/RunControls.h"

#include <optional>

class Logfile;

// The run button: checks the paths, chooses the mode and runs it to the end.
// `programDir` is the directory that holds the executable.
void cmdRun_Click(RunControls& controls, Logfile& log, const QString& programDir);

// The text of the "Halt!" box that refuses this run before anything is touched, if any.
std::optional<QString> RunRefusal(const QString& sourcePath, const QString& targetPath, bool newSubFolder,
                                  bool delBeforeCopy, const QString& programDir);
