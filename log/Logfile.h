#pragma once

#include "fileservice/Failure.h"
#include "fileservice/SafeFile.h"

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <optional>
#include <string>

// Where status lines show besides the file: the window's status list or a terminal, and the
// logging switch that decides whether they also go to the file.
struct StatusView {
    std::function<void(const QString&)> show;
    std::function<bool()> loggingOn;
    // The log file cannot be written (told once per run); by default shown as a line of its own.
    std::function<void(const fileservice::Failure&)> logFailed = {};
};

// The status list and the log file "tvl.log".
class Logfile {
public:
    Logfile(StatusView view, QString logPath);
    ~Logfile();

    // Shows a finished status line in the list and, while logging is on, appends it
    // to the log file. A log file that cannot be written never loses the line in the list.
    // Every line stays one line: control characters show as \r, \n, \t or \xHH.
    void WriteStatusLine(const QString& text);
    // Appends a line to the log file only, whether or not logging is on; escaped likewise.
    void WriteLogFileLine(const QString& text);

    // Starts a run: a log failure is reported once per run.
    void BeginRun();

    // While held, the log file stays open and the lines are collected and written together
    // at Flush (the window calls it when it paints), when 64 KiB or a second have gathered, at the last
    // Release and when the Logfile ends: a pass of many lines neither reopens the file nor
    // writes it per line, and others can read it at most one paint behind the list.
    void Hold();
    void Release();
    // Writes the lines collected while held, in one write.
    void Flush();

    const QString& LogPath() const { return m_logPath; }

private:
    void AppendToFile(const QString& text);
    void ReportFailure(const fileservice::Failure& failure);

    StatusView m_view;
    QString m_logPath;
    std::string m_nativePath;
    fileservice::FileHandle m_file;  // open only while held
    std::string m_collected;         // lines not yet written while held, in their order
    QElapsedTimer m_sinceFlush;      // since the collected lines were last written
    int m_holds = 0;
    bool m_failureReported = false;
};

// Keeps a Logfile open for the lifetime of a scope.
class LogHold {
public:
    explicit LogHold(Logfile& log) : m_log(log) { m_log.Hold(); }
    ~LogHold() { m_log.Release(); }
    LogHold(const LogHold&) = delete;
    LogHold& operator=(const LogHold&) = delete;

private:
    Logfile& m_log;
};

// `text` as one line: control characters shown as \r, \n, \t or \xHH.
QString OneLine(const QString& text);

// The current local time as "hh:mm:ss", the head of every status line.
QString StatusTime();
// The current time followed by `message`, which begins with " - ".
QString StatusLine(const QString& message);
// One log file line for a status line: "dd.mm.yy - " + text + CR LF.
QByteArray LogFileLine(const QString& text);

// Cuts the log file back to `limitBytes`: a file at or below the limit stays as it is;
// above it, the newest whole lines that fit are kept and the file is replaced atomically
// (renamed over, not synced: the log is the program's own record). Only the kept tail is read.
// Fails only when the file exists and could not be read or rewritten.
fileservice::Status TrimLogFile(const QString& logPath, qint64 limitBytes);

// The byte limit for a size field text in kilobytes, or nothing when the text is empty,
// not a number or above 2,097,151 KB (the limit would not fit a 32-bit byte count).
std::optional<qint32> LogLimitBytes(const QString& sizeText);
