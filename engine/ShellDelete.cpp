#include "engine/ShellDelete.h"

#include "engine/Paths.h"
#include "engine/Trash.h"
#include "fileservice/SafeFile.h"

#include <QDir>

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

fileservice::Status DeleteList(const QByteArray& list, int flags, bool* aborted) {
    if (aborted) *aborted = false;
    fileservice::Status first;
    for (const QString& path : ListPaths(list)) {
        fileservice::Status deleted;
        if (flags & kFofAllowUndo) {
            const fileservice::Result<QString> trashed = MoveToTrash(path);
            if (!trashed) deleted = trashed.Error();
        } else {
            deleted = fileservice::RemoveTree(ToNative(path).toStdString());
        }
        if (first && !deleted) first = deleted;
    }
    return first;
}

}  // namespace

fileservice::Status ShellDelete(const QStringList& paths, quintptr /*ownerWindow*/, qint16 confirm,
                                qint16 showProgress, qint16 showFileNames, qint16 allowUndo, qint16 showErrors,
                                bool* aborted) {
    return DeleteList(ShellDeleteList(paths),
                      ShellDeleteFlags(confirm, showProgress, showFileNames, allowUndo, showErrors), aborted);
}

fileservice::Status ShellDelete(const QString& path, quintptr /*ownerWindow*/, qint16 confirm, qint16 showProgress,
                                qint16 showFileNames, qint16 allowUndo, qint16 showErrors, bool* aborted) {
    return DeleteList(ShellDeleteList(path),
                      ShellDeleteFlags(confirm, showProgress, showFileNames, allowUndo, showErrors), aborted);
}
