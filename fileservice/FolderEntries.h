#pragma once

// One folder's entries as they stand, and removing an entry for good: what the run needs to
// find and remove the target's entries that the source lacks.

#include "fileservice/Failure.h"

#include <string>
#include <vector>

namespace fileservice {

struct FolderEntry {
    std::string name;
    bool folder = false;      // a real folder; a link to one is no folder
    bool mountPoint = false;  // a folder where another file system (or a bind mount) begins
    bool temporary = false;   // named as a copy's temporary: the copy or its clean-up owns it
};

// The entries of `folder` itself, "." and ".." left out, in no particular order.
Result<std::vector<FolderEntry>> ReadFolderEntries(const std::string& folder);

// Removes `path` for good: a file or a link itself (never what it points to), a folder with
// everything in it. Never follows a link and never enters a mount point: a folder that holds
// one fails with kMountPoint and keeps what could not be removed.
Status RemoveForGood(const std::string& path);

}  // namespace fileservice
