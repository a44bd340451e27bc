#pragma once

// Names that a target which does not tell case apart takes for one ("a.txt" and "A.TXT",
// "Foto" and "foto"). The first of each spelling is mirrored; the others would overwrite it,
// so they fail. Folders are weighed before files, as the folder step makes them first.

#include <QHash>
#include <QSet>
#include <QString>

namespace fileservice {
class Listing;
}

struct CaseTwins {
    QSet<QString> folders;  // relative, no leading '/': each folder after the first of its spelling
    QSet<QString> files;    // relative: each file after the first of its spelling
};

// The listing's entries whose names, case folded, one before them already has in that folder.
CaseTwins FindCaseTwins(const fileservice::Listing& listing);

// How the folders of a target that folds case are spelt there.
class TargetSpelling {
public:
    // The path under which the folder `folder` (full path) stands in the target with other
    // capitals; empty when it stands as spelt, or is not found.
    QString OtherSpelling(const QString& folder);

private:
    QHash<QString, QHash<QString, QString>> m_folders;  // parent → case folded name → name
};
