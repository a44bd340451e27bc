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
#include <string_view>

namespace {

std::string WithSlash(const std::string& path) { return !path.empty() && path.back() == '/' ? path : path + '/'; }

}  // namespace

namespace {

// The names of each listed folder's own source entries, without copying a name: index 0 is
// the root, index k + 1 the listing's folder k. The listing gives every folder's files as one
// run, in the order of its folders, and each folder after its parent.
std::vector<std::vector<std::string_view>> SourceNames(const fileservice::Listing& listing) {
    const std::vector<std::string>& folders = listing.Folders();
    std::vector<std::vector<std::string_view>> names(folders.size() + 1);
    std::vector<std::size_t> parents;  // the open chain of folders, by index
    for (std::size_t k = 0; k < folders.size(); ++k) {
        const std::string_view folder = std::string_view(folders[k]).substr(1);
        const std::size_t slash = folder.rfind('/');
        const std::string_view parent = slash == std::string_view::npos ? std::string_view() : folder.substr(0, slash);
        while (!parents.empty() && std::string_view(folders[parents.back() - 1]).substr(1) != parent) parents.pop_back();
        names[parents.empty() ? 0 : parents.back()].push_back(folder.substr(slash + 1));
        parents.push_back(k + 1);
    }
    std::size_t index = 0;
    std::string_view current;  // the folder of `index`, relative
    for (std::size_t i = 0; i < listing.FileCount(); ++i) {
        const std::string_view file = listing.File(i);
        const std::size_t slash = file.rfind('/');
        const std::string_view parent = slash == std::string_view::npos ? std::string_view() : file.substr(0, slash);
        while (parent != current && index < folders.size()) current = std::string_view(folders[index++]).substr(1);
        names[parent == current ? index : 0].push_back(file.substr(slash == std::string_view::npos ? 0 : slash + 1));
    }
    for (std::vector<std::string_view>& list : names) std::sort(list.begin(), list.end());
    return names;
}

}  // namespace

std::vector<Extra> FindExtras(RunContext& run, const fileservice::Listing& listing, const Selection& selection,
                              const FileFilter& filter, const QString& sourceRoot, const QString& targetRoot) {
    const std::vector<std::vector<std::string_view>> source = SourceNames(listing);
    // Folders the listing could not read: nothing of theirs may go.
    const std::string sourcePrefix = WithSlash(ToNative(sourceRoot).toStdString());
    std::vector<std::string> unread;
    for (const fileservice::Failure& failure : listing.Failures())
        unread.push_back(failure.path.size() <= sourcePrefix.size() ? std::string() : failure.path.substr(sourcePrefix.size()));

    const std::string targetPrefix = WithSlash(ToNative(targetRoot).toStdString());
    std::vector<Extra> extras;
    std::vector<std::string> mounted;  // target folders where another file system begins
    const auto below = [](const std::string& folder, const std::vector<std::string>& tops) {
        for (const std::string& top : tops) {
            if (folder == top || (folder.size() > top.size() && folder.compare(0, top.size(), top) == 0 &&
                                  folder[top.size()] == '/'))
                return true;
        }
        return false;
    };
    const std::vector<std::string>& listed = listing.Folders();
    const std::vector<std::string>& selected = selection.Folders();
    std::size_t next = 0;  // the selection's next folder: the listing's, less what the filter left out
    for (std::size_t k = 0; k <= listed.size(); ++k) {
        if (run.Stopping()) break;
        std::string folder;
        if (k > 0) {
            if (next >= selected.size() || selected[next] != listed[k - 1]) continue;
            ++next;
            folder = listed[k - 1].substr(1);
        }
        if (std::find(unread.begin(), unread.end(), folder) != unread.end() ||
            (!folder.empty() && run.IsBlocked(FromNative(folder))) || below(folder, mounted))
            continue;
        const std::string targetFolder = folder.empty() ? targetPrefix : targetPrefix + folder;
        // A folder just made, or not made in a dry run, holds nothing yet.
        fileservice::Result<std::vector<fileservice::FolderEntry>> entries = fileservice::ReadFolderEntries(targetFolder);
        if (!entries) {
            if (entries.Error().error != ENOENT && entries.Error().error != ENOTDIR)
                run.Fail(FailureKind::ReadFolder, FromNative(targetFolder), entries.Error().error);
            continue;
        }
        const std::string prefix = folder.empty() ? std::string() : folder + '/';
        // By name, so that the lines come in an order a reader can follow.
        std::vector<fileservice::FolderEntry> sorted = std::move(entries.Value());
        std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
        const std::vector<std::string_view>& names = source[k];
        for (const fileservice::FolderEntry& entry : sorted) {
            const bool inSource = std::binary_search(names.begin(), names.end(), std::string_view(entry.name));
            if (entry.temporary || inSource) {
                // A source folder mounted over in the target is written into, but never cleaned.
                if (entry.mountPoint && !entry.temporary) {
                    mounted.push_back(prefix + entry.name);
                    run.Fail(FailureKind::RemoveExtra, FromNative(prefix + entry.name), fileservice::kMountPoint);
                }
                continue;
            }
            if (entry.folder ? filter.ExcludesFolder(entry.name) : filter.ExcludesFile(entry.name)) continue;
            const std::string relative = prefix + entry.name;
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
