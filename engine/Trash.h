#pragma once

#include <QString>

// Moves a file or folder into the desktop trash (the home trash, or the trash at the top
// of the item's volume), with an info file from which a file manager can restore it.
// Returns true with `trashedAs` set to the item's new place, else false with `reason`.
// Never deletes anything permanently.
bool MoveToTrash(const QString& path, QString* trashedAs, QString* reason);

// The home trash folder: $XDG_DATA_HOME/Trash, by default ~/.local/share/Trash.
QString HomeTrashDir();
