#include "engine/MirrorRun.h"

#include "engine/Paths.h"
#include "engine/RunReport.h"
#include "engine/ShellDelete.h"
#include "engine/TargetFolders.h"
#include "engine/Vergleich.h"
#include "fileservice/FileService.h"
#include "fileservice/FolderIdentity.h"
#include "log/Logfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

const QString kHalt = QStringLiteral("Halt!");

// The top of a file system by identity; also any mount point, as a second mount of a folder
// of the same file system is a volume's top for the user.
bool IsVolumeRoot(const QString& path) {
    if (IsFileSystemRoot(ToNative(path).constData()) == 1) return true;
    const QString resolved = ResolvedPath(path);
    return resolved == QStringLiteral("/") || QStorageInfo(resolved).rootPath() == resolved;
}

bool IsReadableDir(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && QDir(path).isReadable();
}

bool HasEntries(const QString& path) {
    return !QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty();
}

// The name the source folder gets as a subfolder of the target.
QString SubfolderName(const QString& sourcePath) { return QFileInfo(QDir::cleanPath(sourcePath)).fileName(); }

// The source folder copied, under its own name, as a subfolder of the target.
void CopyAsSubfolder(RunControls& controls, Logfile& log, RunReport& report, const QString& sourcePath,
                     const QString& targetPath) {
    const QString destRoot = JoinPath(targetPath, SubfolderName(sourcePath));
    const int made = ::mkdir(ToNative(destRoot).constData(), 0777) == 0 ? 0 : errno;
    // An existing folder is used again; a link standing there is not followed out of the target.
    const QFileInfo existing(destRoot);
    if (made != 0 && (!existing.isDir() || existing.isSymLink())) {
        report.FolderFailed(destRoot, QString::fromLocal8Bit(std::strerror(made)));
    } else {
        CreateTargetFolders(controls, report, sourcePath, destRoot);
        const QByteArray source = ToNative(sourcePath);
        Currency totalBytes;
        std::int16_t listFlag = 1;
        std::vector<std::string> fileList;
        const std::int32_t lastIndex = VBFILELIST(source.constData(), listFlag, "*.*", fileList, totalBytes);
        ReportListFailures(report);
        for (std::int32_t i = 0; i <= lastIndex; ++i) {
            const QString entry = FromNative(fileList[static_cast<std::size_t>(i)]);
            if (!report.RefuseIfBlocked(entry)) CopyOneFile(JoinPath(sourcePath, entry), JoinPath(destRoot, entry));
            controls.KeepPainting();
        }
        WaitForCopies(controls, report, targetPath);
    }
    controls.RefreshTarget();
    log.WriteStatusLine(StatusLine(report.Failures() == 0 ? QStringLiteral(" - Quelle als Unterordner ins Ziel kopiert!")
                                                          : report.CompletionMessage()));
}

}  // namespace

std::optional<QString> RunRefusal(const QString& sourcePath, const QString& targetPath, bool newSubFolder,
                                  bool delBeforeCopy, const QString& programDir) {
    const bool emptyFirst = delBeforeCopy && !newSubFolder;
    // The text comparison also refuses a target that is not there yet.
    if (targetPath.toLower() == programDir.toLower() || IsSameFolder(targetPath, programDir))
        return QStringLiteral("Das Programmverzeichnis darf nicht das Zielverzeichnis sein!");
    if (!IsReadableDir(sourcePath))
        return QStringLiteral("Das Quellverzeichnis ist nicht vorhanden oder nicht lesbar!");
    if (!QFileInfo(targetPath).isDir()) return QStringLiteral("Das Zielverzeichnis ist nicht vorhanden!");
    if (newSubFolder) {
        if (QFileInfo(ResolvedPath(sourcePath)).fileName().isEmpty())
            return QStringLiteral("Ein Laufwerk kann nicht als Unterordner kopiert werden!");
        // The subfolder, under the name the copy gives it, would be the source itself.
        if (IsSameFolder(JoinPath(targetPath, SubfolderName(sourcePath)), sourcePath))
            return QStringLiteral("Quell- und Zielverzeichnis dürfen nicht gleich sein!");
    }
    if (IsSameFolder(sourcePath, targetPath))
        return QStringLiteral("Quell- und Zielverzeichnis dürfen nicht gleich sein!");
    if (IsSameOrInside(targetPath, sourcePath))
        return QStringLiteral("Das Zielverzeichnis darf nicht im Quellverzeichnis liegen!");
    if (emptyFirst) {
        if (IsSameOrInside(programDir, targetPath) || IsSameOrInside(QDir::homePath(), targetPath) ||
            IsVolumeRoot(targetPath))
            return QStringLiteral("Dieses Zielverzeichnis kann nicht geleert werden!");
        if (IsSameOrInside(sourcePath, targetPath))
            return QStringLiteral("Das Quellverzeichnis darf nicht im Zielverzeichnis liegen, wenn das Ziel geleert wird!");
        if (!HasEntries(sourcePath)) return QStringLiteral("Das Quellverzeichnis ist leer, das Ziel wird nicht geleert!");
    }
    return std::nullopt;
}

void cmdRun_Click(RunControls& controls, Logfile& log, const QString& programDir) {
    const QString sourcePath = controls.SourcePath();
    const QString targetPath = controls.TargetPath();
    const bool newSubFolder = controls.NewSubFolder();
    const bool delBeforeCopy = controls.DelBeforeCopy();
    if (const auto refusal = RunRefusal(sourcePath, targetPath, newSubFolder, delBeforeCopy, programDir)) {
        controls.ShowMessage(kHalt, *refusal, MessageIcon::None, MessageButtons::Ok);
        return;
    }

    log.BeginRun();
    LogHold hold(log);
    RunReport report(log);
    controls.SetCountText(QStringLiteral("0"));

    if (newSubFolder) {
        CopyAsSubfolder(controls, log, report, sourcePath, targetPath);
        return;
    }
    if (delBeforeCopy) {
        QString reason;
        bool aborted = false;
        const bool trashed = ShellDelete(targetPath + QLatin1Char('/'), 0, 0, -1, -1, -1, -1, &aborted, &reason);
        // Never copy into a target the run claims to have emptied.
        if (!trashed || ::mkdir(ToNative(targetPath).constData(), 0777) != 0) {
            if (trashed) reason = QString::fromLocal8Bit(std::strerror(errno));
            log.WriteStatusLine(StatusLine(QStringLiteral(" - Zielverzeichnis konnte nicht geleert werden: ") + reason));
            controls.RefreshTarget();
            return;
        }
    }
    CreateTargetFolders(controls, report, sourcePath, targetPath);
    MirrorFiles(controls, log, report, sourcePath);
}
