#include "engine/Trash.h"

#include "engine/Paths.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool MakePrivateDir(const QString& path) {
    if (QFileInfo(path).isDir()) return true;
    return QDir().mkpath(path) && ::chmod(ToNative(path).constData(), 0700) == 0;
}

// A trash folder with its two subfolders, created when missing.
bool PrepareTrash(const QString& trashDir) {
    return MakePrivateDir(trashDir) && MakePrivateDir(trashDir + QStringLiteral("/files")) &&
           MakePrivateDir(trashDir + QStringLiteral("/info"));
}

// Reserves a name in the trash by creating its info file exclusively, so that two items
// of the same name never overwrite each other. Returns the name, or empty on failure.
QString ReserveName(const QString& trashDir, const QString& baseName, const QByteArray& info, int* error) {
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? baseName : QStringLiteral("%1 %2").arg(baseName).arg(n);
        if (QFileInfo::exists(trashDir + QStringLiteral("/files/") + name)) continue;
        const QByteArray infoPath = ToNative(trashDir + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            *error = errno;
            return {};
        }
        const bool written = ::write(fd, info.constData(), static_cast<size_t>(info.size())) == info.size();
        const int writeError = errno;
        ::close(fd);
        if (!written) {
            ::unlink(infoPath.constData());
            *error = writeError;
            return {};
        }
        return name;
    }
    *error = EEXIST;
    return {};
}

QByteArray InfoText(const QString& storedPath) {
    // Percent-encode the path as the trash format asks; "/" stays readable.
    return QByteArrayLiteral("[Trash Info]\nPath=") + QUrl::toPercentEncoding(storedPath, "/") +
           QByteArrayLiteral("\nDeletionDate=") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8() + '\n';
}

// Tries one trash folder; `storedPath` is what the info file records.
bool TryTrash(const QString& trashDir, const QString& path, const QString& storedPath, QString* trashedAs,
              int* error) {
    if (!PrepareTrash(trashDir)) {
        *error = errno ? errno : EACCES;
        return false;
    }
    const QString name = ReserveName(trashDir, QFileInfo(path).fileName(), InfoText(storedPath), error);
    if (name.isEmpty()) return false;
    const QString dest = trashDir + QStringLiteral("/files/") + name;
    if (::rename(ToNative(path).constData(), ToNative(dest).constData()) != 0) {
        *error = errno;
        ::unlink(ToNative(trashDir + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo")).constData());
        return false;
    }
    *trashedAs = dest;
    return true;
}

}  // namespace

QString HomeTrashDir() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data) + QStringLiteral("/Trash");
}

bool MoveToTrash(const QString& rawPath, QString* trashedAs, QString* reason) {
    // A trailing separator would be stored in the info file and restore wrongly.
    QString path = QDir::cleanPath(QDir(rawPath).absolutePath());
    if (path == QStringLiteral("/") || (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())) {
        *reason = SystemReason(ENOENT);
        return false;
    }
    int error = 0;
    if (TryTrash(HomeTrashDir(), path, path, trashedAs, &error)) return true;
    if (error != EXDEV) {
        *reason = SystemReason(error);
        return false;
    }

    // Another volume: use its own trash at the top of the volume.
    const QString top = QStorageInfo(path).rootPath();
    const QString uid = QString::number(::getuid());
    const QString relative = QDir(top).relativeFilePath(path);
    const QString shared = JoinPath(top, QStringLiteral(".Trash"));
    struct stat st {};
    const QByteArray sharedNative = ToNative(shared);
    // The shared trash counts only when it is a real, sticky folder (not a link).
    if (::lstat(sharedNative.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        if (TryTrash(shared + QLatin1Char('/') + uid, path, relative, trashedAs, &error)) return true;
    }
    if (TryTrash(JoinPath(top, QStringLiteral(".Trash-") + uid), path, relative, trashedAs, &error)) return true;
    *reason = SystemReason(error);
    return false;
}
