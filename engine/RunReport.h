#pragma once

#include <QString>

class Logfile;

// Collects the failures of one run: each is reported as a status line at once,
// and the run's last line says how many there were.
class RunReport {
public:
    explicit RunReport(Logfile& log) : m_log(log) {}

    void CopyFailed(const QString& entry, const QString& reason);
    void FolderFailed(const QString& path, const QString& reason);
    void Failed(const QString& message);

    int Failures() const { return m_failures; }
    // " - Abgleich ausgeführt!" or the line that counts the failures.
    QString CompletionMessage() const;

private:
    Logfile& m_log;
    int m_failures = 0;
};
