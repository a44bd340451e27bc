#pragma once

#include <QLibraryInfo>
#include <QString>

// Makes the texts the toolkit draws itself German: the standard buttons of message boxes
// and the context menu of text fields. Loads the toolkit's own German translation from
// `translationsDir` and, beneath it, a small table of our own for whatever that lacks or
// when it is not installed. A later call replaces what an earlier one installed.
// True when the toolkit's translation was found.
bool InstallGermanTexts(const QString& translationsDir = QLibraryInfo::path(QLibraryInfo::TranslationsPath));
