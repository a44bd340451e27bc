#pragma once

#include <QString>

#ifdef _WIN32
// Whether the recycle bin lists an item that came from `path`, as Explorer shows it to be put
// back there. Elsewhere the trash is the freedesktop one, read as files.
bool InRecycleBin(const QString& path);
#endif
