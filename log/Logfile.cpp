#include "log/Logfile.h"

#include "fileservice/PathText.h"
#include "fileservice/ReadAt.h"
#include "texts/Texts.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <string_view>

namespace {

// What a held log collects at most before it writes, whatever the paints do.
constexpr std::size_t kFlushBytes = 64 * 1024;

std::string_view View(const QByteArray& bytes) { return {bytes.constData(), static_cast<std::size_t>(bytes.size())}; }

}  // namespace

// A status line is always one line: a name with a line break must not write a line of its
// own into the log (one that could claim a success). Control characters are shown escaped.
QString OneLine(const QString& text) {
    const auto isControl = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; };
    if (std::none_of(text.begin(), text.end(), isControl)) return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!isControl(c)) {
            out += c;
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\t");
        } else {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        }
    }
    return out;
}

Logfile::Logfile(StatusView view, QString logPath)
    : m_view(std::move(view)), m_logPath(std::move(logPath)), m_nativePath(fileservice::Utf8Path(m_logPath)) {}

Logfile::~Logfile() { Flush(); }

void Logfile::WriteStatusLine(const QString& text) {
    const QString line = OneLine(text);
    if (m_view.loggingOn()) AppendToFile(line);
    m_view.show(line);
}

void Logfile::WriteLogFileLine(const QString& text) { AppendToFile(OneLine(text)); }

void Logfile::BeginRun() { m_failureReported = false; }

void Logfile::Hold() { ++m_holds; }

void Logfile::Release() {
    if (m_holds > 0 && --m_holds == 0) {
        Flush();
        m_file = fileservice::FileHandle();
    }
}

void Logfile::Flush() {
    m_sinceFlush.start();
    if (m_collected.empty()) return;
    std::int64_t written = 0;
    const fileservice::Status status = fileservice::WriteAll(m_file, m_collected, written);
    // The buffer's memory is kept for the next lines.
    m_collected.clear();
    if (!status) {
        m_file = fileservice::FileHandle();
        ReportFailure(status.Error());
    }
}

void Logfile::AppendToFile(const QString& text) {
    const QByteArray line = LogFileLine(text);
    if (m_holds > 0) {
        // Opened at the first line, so that a log that cannot be opened is reported there,
        // before the run's later lines, as without the hold; tried again at each line.
        if (!m_file.IsOpen()) {
            fileservice::Result<fileservice::FileHandle> file = fileservice::OpenForAppend(m_nativePath);
            if (!file) {
                ReportFailure(file.Error());
                return;
            }
            m_file = std::move(file.Value());
        }
        m_collected.append(line.constData(), static_cast<std::size_t>(line.size()));
        // Also without a paint (the command line) the file is at most a second behind.
        if (m_collected.size() >= kFlushBytes || !m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= 1000) Flush();
        return;
    }
    std::int64_t written = 0;
    // Only a regular file is taken: opening a FIFO for writing waits for a reader, and the
    // window would hang at its first status line.
    fileservice::Result<fileservice::FileHandle> file = fileservice::OpenForAppend(m_nativePath);
    if (!file) {
        ReportFailure(file.Error());
        return;
    }
    if (const fileservice::Status status = fileservice::WriteAll(file.Value(), View(line), written); !status) {
        ReportFailure(status.Error());
        return;
    }
}

void Logfile::ReportFailure(const fileservice::Failure& failure) {
    // Once per run: a log that cannot be written must not flood the list, nor stop the work.
    if (m_failureReported) return;
    m_failureReported = true;
    if (m_view.logFailed) m_view.logFailed(failure);
    // Shown, never logged: the file is what failed.
    else m_view.show(OneLine(StatusLine(LogFailedMessage(failure.error))));
}

namespace {

// The local date and time as the lines show them, worked out once per second: every lookup
// of the local time re-reads the time zone, and a copy pass asks twice for every file.
struct LocalStamp {
    std::time_t second = -1;
    QString time;  // "hh:mm:ss"
    QString date;  // "dd.MM.yy"
};

const LocalStamp& CurrentStamp() {
    thread_local LocalStamp stamp;
    const std::time_t now = std::time(nullptr);
    if (now != stamp.second) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(now));
        stamp.time = local.time().toString(QStringLiteral("hh:mm:ss"));
        stamp.date = local.date().toString(QStringLiteral("dd.MM.yy"));
        stamp.second = now;
    }
    return stamp;
}

}  // namespace

QString StatusTime() { return CurrentStamp().time; }

QString StatusLine(const QString& message) { return StatusTime() + message; }

QByteArray LogFileLine(const QString& text) {
    return (CurrentStamp().date + QStringLiteral(" - ") + text).toUtf8() +
           "\r\n";
}

namespace {

// The bytes of the open file `file` from `offset` to its end.
fileservice::Result<std::string> ReadFrom(const fileservice::FileHandle& file, std::int64_t offset,
                                          std::size_t expected) {
    std::string bytes;
    bytes.resize(expected);
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) bytes.resize(bytes.size() + 64 * 1024);  // the log grew meanwhile
        const fileservice::Result<std::size_t> n = fileservice::ReadAt(
            file, bytes.data() + have, bytes.size() - have, offset + static_cast<std::int64_t>(have));
        if (!n) return n.Error();
        if (n.Value() == 0) break;
        have += n.Value();
    }
    bytes.resize(have);
    return bytes;
}

}  // namespace

fileservice::Status TrimLogFile(const QString& logPath, qint64 limitBytes) {
    if (limitBytes < 2) return {};
    const std::string path = fileservice::Utf8Path(logPath);
    const fileservice::Result<std::int64_t> size = fileservice::RegularFileSize(path);
    if (!size) return size.Error().error == ENOENT ? fileservice::Status() : fileservice::Status(size.Error());
    if (size.Value() <= limitBytes) return {};
    fileservice::Result<fileservice::FileHandle> file = fileservice::OpenForReading(path);
    if (!file) return file.Error();
    const fileservice::Result<std::int64_t> openSize = fileservice::OpenFileSize(file.Value());
    if (!openSize) return openSize.Error();
    if (openSize.Value() <= limitBytes) return {};
    // Only the kept bytes and the one before them, which tells whether they begin a line.
    const std::int64_t from = openSize.Value() - limitBytes - 1;
    const fileservice::Result<std::string> read =
        ReadFrom(file.Value(), from, static_cast<std::size_t>(limitBytes) + 1);
    if (!read) return read.Error();
    const std::string& tail = read.Value();
    // Cut shorter meanwhile: whatever it holds now, it is not the log that was measured.
    if (static_cast<qint64>(tail.size()) <= limitBytes) return {};
    // Closed before the replacement: Windows refuses to rename over a file that is still open.
    // Only read from, so a failed close loses nothing.
    (void)file.Value().Close();

    // Keep the newest bytes, but start at the beginning of a line: a cut line is useless.
    std::size_t start = tail.size() - static_cast<std::size_t>(limitBytes);
    if (tail[start - 1] != '\n') {
        const std::size_t nl = tail.find('\n', start);
        start = nl == std::string::npos ? tail.size() : nl + 1;
    }
    return fileservice::ReplaceFile(path, std::string_view(tail).substr(start), fileservice::ReplaceSync::Unsynced);
}

std::optional<qint32> LogLimitBytes(const QString& sizeText) {
    const QString text = sizeText.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    double kb = QLocale::system().toDouble(text, &ok);
    if (!ok) kb = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(kb) || kb > 2097151.0 || kb < -2097151.0) return std::nullopt;
    // Default rounding mode: an exact half goes to the even neighbour.
    return static_cast<qint32>(std::nearbyint(kb * 1024.0));
}
