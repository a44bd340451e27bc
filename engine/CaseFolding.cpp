#include "engine/CaseFolding.h"

#include "engine/Paths.h"
#include "fileservice/Listing.h"

#include <QDir>

CaseTwins FindCaseTwins(const fileservice::Listing& listing) {
    CaseTwins twins;
    // Whole paths folded: a folder that is no twin has a folded path of its own, so names
    // below it compare only with their siblings. Unicode folding, as exFAT's table does;
    // FAT may fold fewer letters, and then refuses a name it would have kept.
    QSet<QString> seen;
    for (const std::string& folder : listing.Folders()) {
        const QString entry = FromNative(folder.substr(1));
        const QString folded = entry.toCaseFolded();
        if (seen.contains(folded)) twins.folders.insert(entry);
        else seen.insert(folded);
    }
    for (std::size_t i = 0; i < listing.FileCount(); ++i) {
        const QString entry = FromNative(listing.File(i));
        const QString folded = entry.toCaseFolded();
        if (seen.contains(folded)) twins.files.insert(entry);
        else seen.insert(folded);
    }
    return twins;
}

QString TargetSpelling::OtherSpelling(const QString& folder) {
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return {};
    const QString parent = folder.left(slash);
    const QString name = folder.mid(slash + 1);
    auto names = m_folders.find(parent);
    if (names == m_folders.end()) {
        QHash<QString, QString> byFolded;
        const QStringList listed = QDir(parent.isEmpty() ? QStringLiteral("/") : parent)
                                       .entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& each : listed) byFolded.insert(each.toCaseFolded(), each);
        names = m_folders.insert(parent, byFolded);
    }
    const QString spelt = names->value(name.toCaseFolded());
    if (spelt.isEmpty() || spelt == name) return {};
    return parent + QLatin1Char('/') + spelt;
}
