#include "engine/Extras.h"

#include "engine/Filter.h"
#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunContext.h"
#include "engine/Selection.h"
#include "fileservice/FolderEntries.h"
#include "fileservice/Listing.h"

#include <algorithm>
#include <cerrno>
#include <unordered_set>

namespace {

std::string WithSlash(const std::string& path) { return !path.empty() && path.back() == '/' ? path : path + '/'; }

}  // namespace

std::vector<Extra> FindExtras(RunContext& run, const fileservice::Listing& listing, const Selection& selection,
                              const FileFilter& filter, const QString& sourceRoot, const QString& targetRoot) {
    // Every listed source entry by its path relative to the root: what the target may keep.
    std::unordered_set<std::string> source;
    source.reserve(listing.FileCount() + listing.Folders().size());
    for (std::size_t i = 0; i < listing.FileCount(); ++i) source.insert(listing.File(i));
    for (const std::string& folder : listing.Folders()) source.insert(folder.substr(1));
    // Folders the listing could not read: nothing of theirs may go.
    const std::string sourcePrefix = WithSlash(ToNative(sourceRoot).toStdString());
    std::unordered_set<std::string> unread;
    for (const fileservice::Failure& failure : listing.Failures()) {
        std::string relative = failure.path.size() >= sourcePrefix.size() ? failure.path.substr(sourcePrefix.size()) : "";
        if (WithSlash(failure.path) == sourcePrefix) relative.clear();
        unread.insert(relative);
    }

    const std::string targetPrefix = WithSlash(ToNative(targetRoot).toStdString());
    std::vector<Extra> extras;
    std::vector<std::string> folders{std::string()};
    for (const std::string& folder : selection.Folders()) folders.push_back(folder.substr(1));
    std::vector<std::string> mounted;  // target folders where another file system begins
    const auto isMounted = [&mounted](const std::string& folder) {
        for (const std::string& top : mounted) {
            if (folder == top || (folder.size() > top.size() && folder.compare(0, top.size(), top) == 0 &&
                                  folder[top.size()] == '/'))
                return true;
        }
        return false;
    };
    for (const std::string& folder : folders) {
        if (run.Stopping()) break;
        if (unread.count(folder) || (!folder.empty() && run.IsBlocked(FromNative(folder))) || isMounted(folder))
            continue;
        const std::string targetFolder = folder.empty() ? targetPrefix : targetPrefix + folder;
        // A folder just made, or not made in a dry run, holds nothing yet.
        fileservice::Result<std::vector<fileservice::FolderEntry>> entries =
            fileservice::ReadFolderEntries(targetFolder);
        if (!entries) {
            if (entries.Error().error != ENOENT && entries.Error().error != ENOTDIR)
                run.Fail(FailureKind::ReadFolder, FromNative(targetFolder), entries.Error().error);
            continue;
        }
        const std::string prefix = folder.empty() ? std::string() : folder + '/';
        // By name, so that the lines come in an order a reader can follow.
        std::vector<fileservice::FolderEntry> sorted = std::move(entries.Value());
        std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
        for (const fileservice::FolderEntry& entry : sorted) {
            const std::string relative = prefix + entry.name;
            if (entry.temporary || source.count(relative)) {
                // A source folder mounted over in the target is written into, but never cleaned.
                if (entry.mountPoint && !entry.temporary) {
                    mounted.push_back(relative);
                    run.Fail(FailureKind::RemoveExtra, FromNative(relative), fileservice::kMountPoint);
                }
                continue;
            }
            if (entry.folder ? filter.ExcludesFolder(entry.name) : filter.ExcludesFile(entry.name)) continue;
            if (entry.mountPoint) {
                run.Fail(FailureKind::RemoveExtra, FromNative(relative), fileservice::kMountPoint);
                continue;
            }
            extras.push_back(Extra{targetPrefix + relative, FromNative(relative), entry.folder});
        }
        run.Events().Breathe();
    }
    return extras;
}

void RemoveExtras(RunContext& run, RunActions& actions, const std::vector<Extra>& extras) {
    const bool toTrash = run.Request().extras == ExtrasPolicy::Trash;
    for (const Extra& extra : extras) {
        if (run.Stopping()) return;
        const fileservice::Status removed = actions.RemoveExtra(extra.path, toTrash);
        if (!removed) {
            run.Fail(FailureKind::RemoveExtra, extra.entry, removed.Error().error);
            continue;
        }
        ++run.Counts().removed;
        run.Events().Removed(extra.entry, toTrash);
        run.Events().Breathe();
    }
}
