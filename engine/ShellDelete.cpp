#include "engine/ShellDelete.h"

#include "engine/Paths.h"
#include "engine/Trash.h"

#include <QDir>
#include <filesystem>
#include <system_error>

int ShellDeleteFlags(qint16 confirm, qint16 showProgress, qint16 showFileNames, qint16 allowUndo,
                     qint16 showErrors) {
    int flags = 0;
    if (allowUndo) flags |= kFofAllowUndo;
    if (!showProgress) flags |= kFofSilent;
    if (!confirm) flags |= kFofNoConfirmation;
    if (!showFileNames) flags |= kFofSimpleProgress;
    if (!showErrors) flags |= kFofNoErrorUi;
    return flags;
}

QByteArray ShellDeleteList(const QString& path) {
    QByteArray list = ToNative(path);
    if (list.endsWith('/')) list.chop(1);
    while (!list.endsWith(QByteArrayLiteral("\0\0"))) list.append('\0');
    return list;
}

QByteArray ShellDeleteList(const QStringList& paths) {
    QByteArray list;
    for (const QString& path : paths) list += ToNative(path) + '\0';
    list.append('\0');
    return list;
}

namespace {

// Splits a source list back into its paths.
QStringList ListPaths(const QByteArray& list) {
    QStringList paths;
    for (const QByteArray& piece : list.split('\0'))
        if (!piece.isEmpty()) paths << QFile::decodeName(piece);
    return paths;
}

bool DeleteList(const QByteArray& list, int flags, bool* aborted, QString* reason) {
    if (aborted) *aborted = false;
    bool ok = true;
    for (const QString& path : ListPaths(list)) {
        QString failure;
        if (flags & kFofAllowUndo) {
            QString trashedAs;
            if (MoveToTrash(path, &trashedAs, &failure)) continue;
        } else {
            std::error_code ec;
            std::filesystem::remove_all(std::filesystem::path(ToNative(path).toStdString()), ec);
            if (!ec) continue;
            failure = QString::fromStdString(ec.message());
        }
        if (ok && reason) *reason = failure;
        ok = false;
    }
    return ok;
}

}  // namespace

bool ShellDelete(const QStringList& paths, quintptr /*ownerWindow*/, qint16 confirm, qint16 showProgress,
                 qint16 showFileNames, qint16 allowUndo, qint16 showErrors, bool* aborted, QString* reason) {
    return DeleteList(ShellDeleteList(paths), ShellDeleteFlags(confirm, showProgress, showFileNames, allowUndo,
                                                               showErrors), aborted, reason);
}

bool ShellDelete(const QString& path, quintptr /*ownerWindow*/, qint16 confirm, qint16 showProgress,
                 qint16 showFileNames, qint16 allowUndo, qint16 showErrors, bool* aborted, QString* reason) {
    return DeleteList(ShellDeleteList(path), ShellDeleteFlags(confirm, showProgress, showFileNames, allowUndo,
                                                              showErrors), aborted, reason);
}
