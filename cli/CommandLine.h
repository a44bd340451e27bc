#pragma once

// The program without its window: a saved profile run from a timer or a terminal, its dry
// run, the profile names, help and version. Needs no display.

#include <QStringList>

class clsINI;

// Exit statuses of the command line.
enum ExitStatus : int {
    kExitSucceeded = 0,
    kExitFailed = 1,     // the run ended with failures
    kExitRefused = 2,    // "Halt!", or a profile that does not load completely
    kExitNoProfile = 3,  // no such profile, an unreadable settings file, or bad arguments
    kExitStopped = 130,  // SIGINT or SIGTERM
};

// Carries out `arguments` (without the program's name) against the settings file `settings`;
// status lines go to standard output, refusals and the usage to standard error. The
// settings file is never written. A QCoreApplication must exist.
int RunCommandLine(const clsINI& settings, const QStringList& arguments);
