#pragma once

#include "fileservice/Failure.h"

#include <QString>
#include <QStringList>
#include <string>

// The file types a run leaves out. Entries are separated by ";" (or ","), blanks around them
// are dropped; an entry is a name pattern with "*" and "?" ("*.tmp", "~$*", "Thumbs.db"), a
// bare type ("tmp" or ".tmp") means "*.tmp", and an entry ending in "/" names folders
// ("cache/"). Names are matched, not paths, and letter case is ignored.
class FileFilter {
public:
    // The filter of `text`, or the failure kFilterEntry with the first entry that cannot be a
    // name (one with a "/" inside it) as its path.
    static fileservice::Result<FileFilter> Parse(const QString& text);

    bool Empty() const { return m_files.isEmpty() && m_folders.isEmpty(); }
    // `name` is one name, native bytes.
    bool ExcludesFile(const std::string& name) const;
    bool ExcludesFolder(const std::string& name) const;

private:
    QStringList m_files;    // case-folded patterns
    QStringList m_folders;  // case-folded patterns, without the "/"
};

// True when `name` matches `pattern` ("*" any run of characters, "?" one); both case-folded.
bool MatchesPattern(const QString& name, const QString& pattern);
