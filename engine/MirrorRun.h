#pragma once

#include "engine/RunControls.h"
#include "fileservice/Failure.h"

class Logfile;

// How a run ended: refused before anything was touched, done without or with failures, or
// stopped on request.
enum class RunOutcome { Refused, Succeeded, Failed, Stopped };

// The run button: checks the paths, chooses the mode and runs it to the end (or until
// RunControls::StopRequested). `programDir` is the directory that holds the executable.
RunOutcome cmdRun_Click(RunControls& controls, Logfile& log, const QString& programDir);

// Whether this run may start: fails, before anything is touched, with the path concerned and
// a RefusalCode (engine/Messages.h) for the "Halt!" box.
fileservice::Status RunRefusal(const QString& sourcePath, const QString& targetPath, bool newSubFolder,
                               bool delBeforeCopy, const QString& programDir);
