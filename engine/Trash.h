#pragma once

#include "fileservice/Failure.h"

#include <QString>

// Moves a file or folder into the desktop trash (the home trash, or the trash at the top
// of the item's volume), with an info file from which a file manager can restore it.
// Gives the item's new place. Never deletes anything permanently.
fileservice::Result<QString> MoveToTrash(const QString& path);

// The home trash folder: $XDG_DATA_HOME/Trash, by default ~/.local/share/Trash.
QString HomeTrashDir();
