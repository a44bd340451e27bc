#pragma once

#include <QString>
#include <QStringList>

class Logfile;
class RunControls;

// Collects the failures of one run: each is reported as a status line at once,
// and the run's last line says how many there were.
class RunReport {
public:
    explicit RunReport(Logfile& log) : m_log(log) {}

    // `entry` is relative to the target; `error` an errno value or a code of the file service.
    void CopyFailed(const QString& entry, int error);
    void FolderFailed(const QString& path, int error);
    void FolderUnreadable(const QString& path, int error);

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

    // True once the run was asked to stop (and noted so); nothing more is handed over then.
    bool Stopping(RunControls& controls);
    bool Stopped() const { return m_stopped; }
    // The empty-first mode moved the old target to the trash: a stopped run leaves it incomplete.
    void TargetEmptied() { m_targetEmptied = true; }
    // The message that ends a stopped run (through the run's actions): `copied` of the `listed`
    // files are in the target.
    QString StoppedText(int copied, int listed) const;

private:
    void Failed(const QString& message);

    Logfile& m_log;
    int m_failures = 0;
    bool m_stopped = false;
    bool m_targetEmptied = false;
    QStringList m_blocked;  // each ending in '/'
};
