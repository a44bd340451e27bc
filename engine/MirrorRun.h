#pragma once

#include "engine/RunEvents.h"
#include "fileservice/Failure.h"

// The run: checks the request, chooses what its mode does and runs it to the end (or until
// the listener asks to stop), telling `events` what happens. `programDir` is the directory
// that holds the executable. The run holds a lock on the target, so that a second run into
// it is refused. A dry run changes nothing and tells what it would do.
RunOutcome MirrorRun(const RunRequest& request, RunEvents& events, const QString& programDir);

// Whether this run may start: fails, before anything is touched, with the path concerned and
// a RefusalCode.
fileservice::Status RunRefusal(const RunRequest& request, const QString& programDir);
