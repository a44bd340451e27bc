#pragma once

#include "engine/RunControls.h"
#include "fileservice/Failure.h"

class Logfile;

// The run button: checks the paths, chooses the mode and runs it to the end.
// `programDir` is the directory that holds the executable.
void cmdRun_Click(RunControls& controls, Logfile& log, const QString& programDir);

// Whether this run may start: fails, before anything is touched, with the path concerned and
// a RefusalCode (engine/Messages.h) for the "Halt!" box.
fileservice::Status RunRefusal(const QString& sourcePath, const QString& targetPath, bool newSubFolder,
                               bool delBeforeCopy, const QString& programDir);
