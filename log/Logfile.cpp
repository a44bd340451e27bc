#include "log/Logfile.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
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

}  // namespace

Logfile::Logfile(StatusList& list, QString logPath) : m_list(list), m_logPath(std::move(logPath)) {}

Logfile::~Logfile() = default;

void Logfile::WriteStatusLine(const QString& text) {
    if (m_list.LoggingOn()) AppendToFile(text);
    m_list.AddStatusLine(text);
}

void Logfile::WriteLogFileLine(const QString& text) { AppendToFile(text); }

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
    m_list.AddStatusLine(StatusLine(QStringLiteral(" - Logdatei kann nicht geschrieben werden: ") + reason));
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
