#include "engine/MirrorRun.h"

#include "engine/Extras.h"
#include "engine/Filter.h"
#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunContext.h"
#include "engine/Selection.h"
#include "engine/TargetFolders.h"
#include "engine/Vergleich.h"
#include "fileservice/FileService.h"
#include "fileservice/Listing.h"
#include "fileservice/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>

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

// The lock that keeps a second run out of the target for as long as this one runs. Only a
// lock held by another run refuses; a file system without locks runs unlocked.
fileservice::Status LockTarget(const QString& targetPath, fileservice::FileHandle& lock) {
    lock = fileservice::FileHandle();
    fileservice::Result<fileservice::FileHandle> locked = fileservice::LockFolder(Native(targetPath));
    if (locked) lock = std::move(locked.Value());
    else if (locked.Error().error == fileservice::kFolderInUse) return locked.Error();
    return {};
}

// The target of the copy pass: the target itself, or in the subfolder mode the source's
// namesake in it, made (or used again) first. Empty when there is none to copy into.
QString CopyRoot(RunContext& run, RunActions& actions) {
    const RunRequest& request = run.Request();
    if (request.mode != RunMode::Subfolder) return request.target;
    const QString root = JoinPath(request.target, SubfolderName(request.source));
    const fileservice::Status made = actions.MakeFolder(Native(root));
    // An existing folder is used again; a link standing there is not followed out of the target.
    const QFileInfo existing(root);
    if (!made && (!existing.isDir() || existing.isSymLink())) {
        run.Fail(FailureKind::MakeFolder, root, made.Error().error);
        return {};
    }
    if (made) run.Events().FolderMade(root);
    return root;
}

// Empty-first: the old target goes to the trash and the new, empty one is locked before
// anything goes into it. Never copy into a target the run claims to have emptied.
bool EmptyTarget(RunContext& run, RunActions& actions, fileservice::FileHandle& lock) {
    const QString& target = run.Request().target;
    fileservice::Status emptied = actions.EmptyTarget(target);
    if (emptied) {
        run.Events().TargetTrashed(target);
        if (!run.Request().dryRun) emptied = LockTarget(target, lock);
    }
    if (!emptied) {
        run.Fail(FailureKind::EmptyTarget, target, emptied.Error().error);
        return false;
    }
    run.Counts().targetEmptied = true;
    return true;
}

// Removing for good asks the listener once, with the numbers; a dry run and the trash do not.
bool ConfirmedRemoval(RunContext& run, const std::vector<Extra>& extras) {
    if (run.Request().dryRun || run.Request().extras != ExtrasPolicy::Delete) return true;
    std::int32_t folders = 0;
    for (const Extra& extra : extras) folders += extra.folder ? 1 : 0;
    return run.Events().ConfirmRemoval(static_cast<std::int32_t>(extras.size()) - folders, folders);
}

}  // namespace

fileservice::Status RunRefusal(const RunRequest& request, const QString& programDir) {
    const QString& sourcePath = request.source;
    const QString& targetPath = request.target;
    // The text comparison also refuses a target that is not there yet.
    if (targetPath.toLower() == programDir.toLower() || IsSameFolder(targetPath, programDir))
        return Refused(targetPath, kProgramDirAsTarget);
    if (!IsReadableDir(sourcePath)) return Refused(sourcePath, kSourceUnreadable);
    if (!QFileInfo(targetPath).isDir()) return Refused(targetPath, kTargetMissing);
    if (request.mode == RunMode::Subfolder) {
        if (QFileInfo(ResolvedPath(sourcePath)).fileName().isEmpty()) return Refused(sourcePath, kDriveAsSubfolder);
        // The subfolder, under the name the copy gives it, would be the source itself.
        if (IsSameFolder(JoinPath(targetPath, SubfolderName(sourcePath)), sourcePath))
            return Refused(targetPath, kSameFolder);
    }
    if (IsSameFolder(sourcePath, targetPath)) return Refused(targetPath, kSameFolder);
    if (IsSameOrInside(targetPath, sourcePath)) return Refused(targetPath, kTargetInsideSource);
    if (const fileservice::Result<FileFilter> filter = FileFilter::Parse(request.filter); !filter) return filter.Error();
    if (request.mode == RunMode::EmptyFirst) {
        if (IsSameOrInside(programDir, targetPath) || IsSameOrInside(QDir::homePath(), targetPath) ||
            IsVolumeRoot(targetPath))
            return Refused(targetPath, kTargetCannotBeEmptied);
        if (IsSameOrInside(sourcePath, targetPath)) return Refused(sourcePath, kSourceInsideEmptiedTarget);
        if (!HasEntries(sourcePath)) return Refused(sourcePath, kSourceEmpty);
    }
    return {};
}

RunOutcome MirrorRun(const RunRequest& request, RunEvents& events, const QString& programDir) {
    if (const fileservice::Status refusal = RunRefusal(request, programDir); !refusal) {
        events.Refused(refusal.Error());
        return RunOutcome::Refused;
    }
    fileservice::FileHandle lock;
    if (!LockTarget(request.target, lock)) {
        events.Refused(Refused(request.target, kTargetInUse));
        return RunOutcome::Refused;
    }
    RunActions diskActions;
    DryRunActions dryActions;
    RunActions& actions = request.dryRun ? static_cast<RunActions&>(dryActions) : diskActions;
    RunContext run(request, events);
    events.Started(request);
    run.SetProgress(0, 0);

    const auto end = [&run] {
        run.Events().Ended(run.Outcome(), run.Counts());
        return run.Outcome();
    };
    if (request.mode == RunMode::EmptyFirst) {
        // Asked to stop before anything happened: the old target stays where it is.
        if (run.Stopping() || !EmptyTarget(run, actions, lock)) return end();
    }
    const QString root = CopyRoot(run, actions);
    if (root.isEmpty()) return end();
    // The folder step and the copy pass read one listing; an only-newer pass compares with
    // what it saw of the target. The window paints while a large source is listed.
    fileservice::ListingOptions options;
    options.target = Native(root);
    options.compare = request.mode == RunMode::OnlyNewer;
    // Emptying first leaves no extras; the subfolder mode cleans inside its new subfolder.
    const bool extras = request.extras != ExtrasPolicy::Keep && request.mode != RunMode::EmptyFirst;
    options.extras = extras;
    options.folderTick = [&events] { events.Breathe(); };
    const fileservice::Listing listing = fileservice::Listing::Read(Native(request.source), options);
    const FileFilter filter = FileFilter::Parse(request.filter).Value();
    const Selection selection(listing, filter, Native(request.source));
    CreateTargetFolders(run, actions, listing, selection.Folders(), request.source, root);
    ReportListFailures(run, listing);
    if (extras && !run.Stopping()) {
        const std::vector<Extra> extras = FindExtras(run, listing, selection, filter, request.source, root);
        if (!extras.empty() && ConfirmedRemoval(run, extras)) RemoveExtras(run, actions, extras);
    }
    CopyFiles(run, actions, listing, selection, request.source, root);
    return end();
}
