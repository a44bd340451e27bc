#pragma once

#include <QString>
#include <QStringList>

class Logfile;

// Collects the failures of one run: each is reported as a status line at once,
// and the run's last line says how many there were.
class RunReport {
public:
    explicit RunReport(Logfile& log) : m_log(log) {}

    void CopyFailed(const QString& entry, const QString& reason);
    void FolderFailed(const QString& path, const QString& reason);
    void Failed(const QString& message);

    // Marks a target folder that is a link to a folder elsewhere: nothing may be copied
    // below it, as that would write outside the target. `entry` is relative to the target.
    void BlockFolder(const QString& entry);
    // True when `entry` (relative to the target) lies below a blocked folder.
    bool IsBlocked(const QString& entry) const;
    // True when some folder is blocked at all.
    bool HasBlocked() const { return !m_blocked.isEmpty(); }
    // Reports a file below a blocked folder as not copied; true when it was one.
    bool RefuseIfBlocked(const QString& entry);

    int Failures() const { return m_failures; }
    // " - Abgleich ausgeführt!" or the line that counts the failures.
    QString CompletionMessage() const;

private:
    Logfile& m_log;
    int m_failures = 0;
    QStringList m_blocked;  // each ending in '/'
};
