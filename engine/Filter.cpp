#include "engine/Filter.h"

#include "engine/Paths.h"
#include "engine/RunEvents.h"

fileservice::Result<FileFilter> FileFilter::Parse(const QString& text) {
    FileFilter filter;
    // No regular expression: the run parses on its own thread, and on Windows the toolkit's
    // per-thread matching state crashes when a thread it was not made by ends.
    QString separated = text;
    separated.replace(QLatin1Char(','), QLatin1Char(';'));
    for (QString entry : separated.split(QLatin1Char(';'))) {
        entry = entry.trimmed();
        if (entry.isEmpty()) continue;
        const bool folder = entry.endsWith(QLatin1Char('/'));
        if (folder) entry.chop(1);
        if (entry.isEmpty() || entry.contains(QLatin1Char('/')))
            return fileservice::Failure{(folder ? entry + QLatin1Char('/') : entry).toStdString(), kFilterEntry};
        const bool wildcard = entry.contains(QLatin1Char('*')) || entry.contains(QLatin1Char('?'));
        // "tmp" and ".tmp" are types; "Thumbs.db" and ".DS_Store.x" are names.
        if (!folder && !wildcard && entry.lastIndexOf(QLatin1Char('.')) <= 0)
            entry = (entry.startsWith(QLatin1Char('.')) ? QStringLiteral("*") : QStringLiteral("*.")) + entry;
        (folder ? filter.m_folders : filter.m_files) << entry.toCaseFolded();
    }
    return filter;
}

namespace {
bool MatchesAny(const std::string& name, const QStringList& patterns) {
    if (patterns.isEmpty()) return false;
    const QString folded = FromNative(name).toCaseFolded();
    for (const QString& pattern : patterns) {
        if (MatchesPattern(folded, pattern)) return true;
    }
    return false;
}
}  // namespace

bool FileFilter::ExcludesFile(const std::string& name) const { return MatchesAny(name, m_files); }

bool FileFilter::ExcludesFolder(const std::string& name) const { return MatchesAny(name, m_folders); }

bool MatchesPattern(const QString& name, const QString& pattern) {
    // Greedy with one step back for the last "*": linear for the patterns people write.
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*')) ++p;
    return p == pattern.size();
}
