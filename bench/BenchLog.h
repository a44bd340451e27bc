#pragma once

// Where a run ends, read from the log file as a user would read it there: the window
// drivers time a run from the click to its last line in the log.

#include <QByteArray>
#include <QString>

enum class RunEnd {
    Pending,    // no last line yet
    Succeeded,  // " - Abgleich ausgeführt!"
    Failed,     // ended otherwise: with failures, or cancelled
};

// How a run ended, judged by one complete log line (without its line break).
RunEnd RunEndOfLine(const QByteArray& line);

// Follows a log file from where it ended when the follower was made, line by line.
class LogFollower {
public:
    explicit LogFollower(QString path);

    // Reads what was appended since the last call; the end once a last line has come.
    RunEnd Poll();
    // The last complete line read, without its line break.
    const QByteArray& LastLine() const { return m_lastLine; }

private:
    QString m_path;
    qint64 m_offset = 0;
    QByteArray m_partial;  // the start of a line not yet complete
    QByteArray m_lastLine;
    RunEnd m_end = RunEnd::Pending;
};
