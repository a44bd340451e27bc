#include "engine/Trash.h"

#include "engine/Paths.h"
#include "fileservice/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUrl>
#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace {

using fileservice::Failure;
using fileservice::Status;

std::string Native(const QString& path) { return ToNative(path).toStdString(); }

// A trash folder with its two subfolders, created private when missing.
Status PrepareTrash(const QString& trashDir) {
    for (const QString& folder : {trashDir, trashDir + QStringLiteral("/files"), trashDir + QStringLiteral("/info")}) {
        if (QFileInfo(folder).isDir()) continue;
        if (Status made = fileservice::MakeFolders(Native(folder), 0700); !made) return made;
    }
    return {};
}

// Reserves a name in the trash by creating its info file exclusively, so that two items
// of the same name never overwrite each other. Gives the name.
fileservice::Result<QString> ReserveName(const QString& trashDir, const QString& baseName, const QByteArray& info) {
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? baseName : QStringLiteral("%1 %2").arg(baseName).arg(n);
        if (QFileInfo::exists(trashDir + QStringLiteral("/files/") + name)) continue;
        const std::string infoPath = Native(trashDir + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        fileservice::Result<fileservice::FileHandle> created = fileservice::CreateExclusive(infoPath, 0600);
        if (!created) {
            if (created.Error().error == EEXIST) continue;
            return created.Error();
        }
        std::int64_t written = 0;
        const std::string_view text(info.constData(), static_cast<std::size_t>(info.size()));
        Status status = fileservice::WriteAll(created.Value(), text, written);
        const Status closed = created.Value().Close();
        if (status) status = closed;
        if (!status) {
            (void)fileservice::Remove(infoPath);
            return status.Error();
        }
        return name;
    }
    return Failure{Native(trashDir), EEXIST};
}

QByteArray InfoText(const QString& storedPath) {
    // Percent-encode the path as the trash format asks; "/" stays readable.
    return QByteArrayLiteral("[Trash Info]\nPath=") + QUrl::toPercentEncoding(storedPath, "/") +
           QByteArrayLiteral("\nDeletionDate=") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8() + '\n';
}

// Tries one trash folder; `storedPath` is what the info file records.
fileservice::Result<QString> TryTrash(const QString& trashDir, const QString& path, const QString& storedPath) {
    if (Status prepared = PrepareTrash(trashDir); !prepared) return prepared.Error();
    const fileservice::Result<QString> name = ReserveName(trashDir, QFileInfo(path).fileName(), InfoText(storedPath));
    if (!name) return name.Error();
    const QString dest = trashDir + QStringLiteral("/files/") + name.Value();
    if (Status moved = fileservice::Rename(Native(path), Native(dest)); !moved) {
        (void)fileservice::Remove(
            Native(trashDir + QStringLiteral("/info/") + name.Value() + QStringLiteral(".trashinfo")));
        return moved.Error();
    }
    return dest;
}

}  // namespace

QString HomeTrashDir() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data) + QStringLiteral("/Trash");
}

fileservice::Result<QString> MoveToTrash(const QString& rawPath) {
    // A trailing separator would be stored in the info file and restore wrongly.
    const QString path = QDir::cleanPath(QDir(rawPath).absolutePath());
    if (path == QStringLiteral("/") || (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()))
        return Failure{Native(path), ENOENT};
    fileservice::Result<QString> trashed = TryTrash(HomeTrashDir(), path, path);
    if (trashed || trashed.Error().error != EXDEV) return trashed;

    // Another volume: use its own trash at the top of the volume.
    const QString top = QStorageInfo(path).rootPath();
    const QString uid = QString::number(::getuid());
    const QString relative = QDir(top).relativeFilePath(path);
    const QString shared = JoinPath(top, QStringLiteral(".Trash"));
    // The shared trash counts only when it is a real, sticky folder (not a link).
    if (fileservice::IsStickyFolder(Native(shared))) {
        trashed = TryTrash(shared + QLatin1Char('/') + uid, path, relative);
        if (trashed) return trashed;
    }
    return TryTrash(JoinPath(top, QStringLiteral(".Trash-") + uid), path, relative);
}
