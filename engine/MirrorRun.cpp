#include "engine/MirrorRun.h"

#include "engine/Messages.h"
#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunReport.h"
#include "engine/TargetFolders.h"
#include "engine/Vergleich.h"
#include "fileservice/FileService.h"
#include "fileservice/Listing.h"
#include "fileservice/SafeFile.h"
#include "log/Logfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

std::string Native(const QString& path) { return ToNative(path).toStdString(); }

// The top of a file system by identity; also any mount point, as a second mount of a folder
// of the same file system is a volume's top for the user.
bool IsVolumeRoot(const QString& path) {
    const fileservice::Result<bool> top = fileservice::IsFileSystemRoot(Native(path));
    if (top && top.Value()) return true;
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

fileservice::Failure Refused(const QString& path, RefusalCode code) { return fileservice::Failure{Native(path), code}; }

// The source folder copied, under its own name, as a subfolder of the target.
void CopyAsSubfolder(RunControls& controls, Logfile& log, RunReport& report, RunActions& actions,
                     const QString& sourcePath, const QString& targetPath) {
    const QString destRoot = JoinPath(targetPath, SubfolderName(sourcePath));
    const fileservice::Status made = actions.MakeFolder(Native(destRoot));
    // An existing folder is used again; a link standing there is not followed out of the target.
    const QFileInfo existing(destRoot);
    if (!made && (!existing.isDir() || existing.isSymLink())) {
        report.FolderFailed(destRoot, made.Error().error);
    } else {
        // The window paints while a large source is listed.
        const fileservice::Listing listing = fileservice::Listing::Read(
            Native(sourcePath), {Native(destRoot), false, [&controls] { controls.KeepPainting(); }});
        CreateTargetFolders(controls, report, actions, sourcePath, destRoot, listing);
        const std::int32_t lastIndex =
            static_cast<std::int32_t>(std::min<std::size_t>(listing.FileCount(), INT32_MAX)) - 1;
        ReportListFailures(report, listing);
        int handedOver = 0;
        const std::string sourcePrefix = NativePrefix(sourcePath);
        const std::string targetPrefix = NativePrefix(destRoot);
        std::string sourceFile;
        std::string targetFile;
        for (std::int32_t i = 0; i <= lastIndex && !report.Stopping(controls); ++i) {
            const std::string& name = listing.File(static_cast<std::size_t>(i));
            if (!report.HasBlocked() || !report.RefuseIfBlocked(FromNative(name))) {
                JoinNative(sourceFile, sourcePrefix, name);
                JoinNative(targetFile, targetPrefix, name);
                actions.Copy(sourceFile, targetFile, name);
                ++handedOver;
            }
            controls.KeepPainting();
        }
        const int failedCopies = WaitForCopies(controls, report, targetPath);
        if (report.Stopped()) {
            controls.RefreshTarget();
            actions.WriteEnd(log, report.StoppedText(handedOver - failedCopies, lastIndex + 1));
            return;
        }
    }
    controls.RefreshTarget();
    actions.WriteEnd(log, report.Failures() == 0 ? SubfolderCopiedMessage() : CompletionMessage(report.Failures()));
}

// The lock that keeps a second run out of the target for as long as this one runs. Only a
// lock held by another run refuses; a file system without locks runs unlocked.
fileservice::Status LockTarget(const QString& targetPath, fileservice::FileHandle& lock) {
    lock = fileservice::FileHandle();
    fileservice::Result<fileservice::FileHandle> locked = fileservice::LockFolder(Native(targetPath));
    if (locked) lock = std::move(locked.Value());
    else if (locked.Error().error == fileservice::kFolderInUse) return locked.Error();
    return {};
}

RunOutcome OutcomeOf(const RunReport& report) {
    if (report.Stopped()) return RunOutcome::Stopped;
    return report.Failures() == 0 ? RunOutcome::Succeeded : RunOutcome::Failed;
}

}  // namespace

fileservice::Status RunRefusal(const QString& sourcePath, const QString& targetPath, bool newSubFolder,
                               bool delBeforeCopy, const QString& programDir) {
    const bool emptyFirst = delBeforeCopy && !newSubFolder;
    // The text comparison also refuses a target that is not there yet.
    if (targetPath.toLower() == programDir.toLower() || IsSameFolder(targetPath, programDir))
        return Refused(targetPath, kProgramDirAsTarget);
    if (!IsReadableDir(sourcePath)) return Refused(sourcePath, kSourceUnreadable);
    if (!QFileInfo(targetPath).isDir()) return Refused(targetPath, kTargetMissing);
    if (newSubFolder) {
        if (QFileInfo(ResolvedPath(sourcePath)).fileName().isEmpty()) return Refused(sourcePath, kDriveAsSubfolder);
        // The subfolder, under the name the copy gives it, would be the source itself.
        if (IsSameFolder(JoinPath(targetPath, SubfolderName(sourcePath)), sourcePath))
            return Refused(targetPath, kSameFolder);
    }
    if (IsSameFolder(sourcePath, targetPath)) return Refused(targetPath, kSameFolder);
    if (IsSameOrInside(targetPath, sourcePath)) return Refused(targetPath, kTargetInsideSource);
    if (emptyFirst) {
        if (IsSameOrInside(programDir, targetPath) || IsSameOrInside(QDir::homePath(), targetPath) ||
            IsVolumeRoot(targetPath))
            return Refused(targetPath, kTargetCannotBeEmptied);
        if (IsSameOrInside(sourcePath, targetPath)) return Refused(sourcePath, kSourceInsideEmptiedTarget);
        if (!HasEntries(sourcePath)) return Refused(sourcePath, kSourceEmpty);
    }
    return {};
}

RunOutcome cmdRun_Click(RunControls& controls, Logfile& log, const QString& programDir, RunActions* runActions) {
    RunActions diskActions;
    RunActions& actions = runActions ? *runActions : diskActions;
    const QString sourcePath = controls.SourcePath();
    const QString targetPath = controls.TargetPath();
    const bool newSubFolder = controls.NewSubFolder();
    const bool delBeforeCopy = controls.DelBeforeCopy();
    if (const fileservice::Status refusal = RunRefusal(sourcePath, targetPath, newSubFolder, delBeforeCopy, programDir);
        !refusal) {
        controls.ShowMessage(HaltTitle(), RefusalText(refusal.Error().error), MessageIcon::None, MessageButtons::Ok);
        return RunOutcome::Refused;
    }
    fileservice::FileHandle lock;
    if (!LockTarget(targetPath, lock)) {
        controls.ShowMessage(HaltTitle(), RefusalText(kTargetInUse), MessageIcon::None, MessageButtons::Ok);
        return RunOutcome::Refused;
    }

    log.BeginRun();
    LogHold hold(log);
    RunReport report(log);
    controls.SetCountText(QStringLiteral("0"));

    if (newSubFolder) {
        CopyAsSubfolder(controls, log, report, actions, sourcePath, targetPath);
        return OutcomeOf(report);
    }
    if (delBeforeCopy) {
        // Asked to stop before anything happened: the old target stays where it is.
        if (report.Stopping(controls)) {
            actions.WriteEnd(log, report.StoppedText(0, 0));
            return RunOutcome::Stopped;
        }
        // Never copy into a target the run claims to have emptied; the new folder is locked
        // before anything goes into it.
        fileservice::Status emptied = actions.EmptyTarget(targetPath);
        if (emptied) emptied = LockTarget(targetPath, lock);
        if (!emptied) {
            log.WriteStatusLine(StatusLine(EmptyingFailedMessage(emptied.Error().error)));
            controls.RefreshTarget();
            return RunOutcome::Failed;
        }
        report.TargetEmptied();
    }
    // The folder step and the copy pass list the source once, and an only-newer pass compares
    // with what its listing saw. The window paints while a large source is listed.
    const fileservice::Listing listing = fileservice::Listing::Read(
        Native(sourcePath), {Native(targetPath), controls.CopyOnlyNew(), [&controls] { controls.KeepPainting(); }});
    CreateTargetFolders(controls, report, actions, sourcePath, targetPath, listing);
    MirrorFiles(controls, log, report, actions, listing);
    return OutcomeOf(report);
}
