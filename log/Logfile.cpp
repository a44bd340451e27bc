#include "log/Logfile.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens the log for appending, or gives the reason it cannot be. Only a regular file is
// taken: opening a FIFO for writing waits for a reader, and the window would hang at its
// first status line.
std::unique_ptr<QFile> OpenForAppend(const QString& path, QString& reason) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        reason = QStringLiteral("not a regular file");
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        reason = file->errorString();
        ::close(fd);
        return nullptr;
    }
    return file;
}

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

}  // namespace

Logfile::Logfile(StatusList& list, QString logPath) : m_list(list), m_logPath(std::move(logPath)) {}

Logfile::~Logfile() = default;

void Logfile::WriteStatusLine(const QString& text) {
    const QString line = OneLine(text);
    if (m_list.LoggingOn()) AppendToFile(line);
    m_list.AddStatusLine(line);
}

void Logfile::WriteLogFileLine(const QString& text) { AppendToFile(OneLine(text)); }

void Logfile::BeginRun() { m_failureReported = false; }

void Logfile::Hold() { ++m_holds; }

void Logfile::Release() {
    if (m_holds > 0 && --m_holds == 0) m_file.reset();
}

void Logfile::AppendToFile(const QString& text) {
    const QByteArray line = LogFileLine(text);
    if (m_holds > 0 && m_file) {
        if (m_file->write(line) == line.size() && m_file->flush()) return;
        ReportFailure(m_file->errorString());
        m_file.reset();
        return;
    }
    QString reason;
    auto file = OpenForAppend(m_logPath, reason);
    if (!file) {
        ReportFailure(reason);
        return;
    }
    if (file->write(line) != line.size() || !file->flush()) {
        ReportFailure(file->errorString());
        return;
    }
    if (m_holds > 0) m_file = std::move(file);
}

void Logfile::ReportFailure(const QString& reason) {
    // Once per run: a log that cannot be written must not flood the list, nor stop the work.
    if (m_failureReported) return;
    m_failureReported = true;
    m_list.AddStatusLine(OneLine(StatusLine(QStringLiteral(" - Logdatei kann nicht geschrieben werden: ") + reason)));
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

bool TrimLogFile(const QString& logPath, qint64 limitBytes) {
    if (limitBytes < 2) return true;
    QFile in(logPath);
    if (!in.exists()) return true;
    if (in.size() <= limitBytes) return true;
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = in.readAll();
    in.close();
    if (all.size() <= limitBytes) return true;

    // Keep the newest bytes, but start at the beginning of a line: a cut line is useless.
    qsizetype start = all.size() - limitBytes;
    if (all.at(start - 1) != '\n') {
        const qsizetype nl = all.indexOf('\n', start);
        start = nl < 0 ? all.size() : nl + 1;
    }
    QSaveFile out(logPath);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(all.constData() + start, all.size() - start);
    return out.commit();
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
