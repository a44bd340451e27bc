#pragma once

#include <QString>

// What a run does with the source's files: copy every one, only the newer ones, every one
// into the emptied target, or the source folder as a new subfolder of the target.
enum class RunMode { CopyAll, OnlyNewer, EmptyFirst, Subfolder };

// What becomes of target entries that the source lacks.
enum class ExtrasPolicy { Keep, Trash, Delete };

// One run, as a value: built from the window's controls or from a profile section, and
// handed to MirrorRun. Paths as the user gave them.
struct RunRequest {
    QString source;
    QString target;
    RunMode mode = RunMode::CopyAll;
    bool dryRun = false;
    QString filter;  // file types left out; empty for none
    ExtrasPolicy extras = ExtrasPolicy::Keep;

    bool operator==(const RunRequest&) const = default;
};

// The mode of the three run options. They exclude each other; should several be set, the
// subfolder wins, then emptying first.
RunMode ModeOf(bool onlyNew, bool delBeforeCopy, bool newSubFolder);
