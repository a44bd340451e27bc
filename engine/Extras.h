#pragma once

// The target's entries that the source lacks: found below every folder whose source was
// listed completely, and removed into the trash or for good, as the request says.

#include <QString>
#include <string>
#include <vector>

class FileFilter;
class RunActions;
class RunContext;
class Selection;
namespace fileservice {
class Listing;
}

struct Extra {
    std::string path;  // native, in the target
    QString entry;     // relative to the copy root, as the lines name it
    bool folder = false;
};

// The extras below `targetRoot`. Never looks below a target folder that is a link (the run
// blocks it) or a mount point (reported), nor below a folder whose source could not be read;
// leaves out what the filter names and the copies' temporaries.
std::vector<Extra> FindExtras(RunContext& run, const fileservice::Listing& listing, const Selection& selection,
                              const FileFilter& filter, const QString& sourceRoot, const QString& targetRoot);

// Removes them (after the listener agreed to a removal for good), one event each; a stop
// leaves the rest in place.
void RemoveExtras(RunContext& run, RunActions& actions, const std::vector<Extra>& extras);
