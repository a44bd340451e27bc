#pragma once

// The desktop trash (the freedesktop.org trash: `files/` and `info/<name>.trashinfo`).

#include "fileservice/Failure.h"

#include <string>

namespace fileservice {

// Moves the file or folder `path` (a trailing '/' ignored, a link itself, never what it leads
// to) into the home trash ($XDG_DATA_HOME/Trash, by default ~/.local/share/Trash) when it lies
// on the home's volume, else into the trash at the top of its volume (`.Trash/<uid>` where an
// administrator made a shared one, else `.Trash-<uid>`), with an info file from which a file
// manager restores it. Gives the item's new place. Never deletes anything: a volume without a
// usable trash is a failure with its errno.
//
// On Windows: the shell's recycle bin of the item's drive (SHFileOperationW with undo), from
// which Explorer restores it. The shell does not say under which name it keeps the item, so
// the place given is the recycle bin itself, "::{645FF040-5081-101B-9F08-00AA002F954E}". A
// drive without a recycle bin (removable, network) fails with kNoRecycleBin.
Result<std::string> MoveToTrash(const std::string& path);

}  // namespace fileservice
