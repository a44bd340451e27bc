#include "engine/Extras.h"

#include "engine/Filter.h"
#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunContext.h"
#include "engine/Selection.h"
#include "fileservice/FolderEntries.h"
#include "fileservice/Identity.h"
#include "fileservice/Listing.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <cerrno>
#include <string_view>

namespace {

std::string WithSlash(const std::string& path) { return !path.empty() && path.back() == '/' ? path : path + '/'; }

// The source names of listed folder `k` (0: the top) by their case-folded spelling: files, or
// the folders directly below it. Folded once per folder that has extras.
QHash<QString, std::string> FoldedNames(const fileservice::Listing& listing, std::size_t k, bool folders) {
    QHash<QString, std::string> names;
    const auto add = [&names](std::string_view name) {
        names.insert(FromNative(std::string(name)).toCaseFolded(), std::string(name));
    };
    if (folders) {
        const std::string parent = k == 0 ? std::string() : listing.Folders()[k - 1];  // "/a"
        for (const std::string& folder : listing.Folders()) {
            if (folder.size() > parent.size() + 1 && folder.compare(0, parent.size(), parent) == 0 &&
                folder[parent.size()] == '/' && folder.find('/', parent.size() + 1) == std::string::npos)
                add(std::string_view(folder).substr(parent.size() + 1));
        }
        return names;
    }
    // The folder's files are one run in listing order.
    std::size_t first = 0;
    std::size_t last = listing.FileCount();
    while (first < last) {
        const std::size_t middle = first + (last - first) / 2;
        if (listing.FileFolder(middle) < k) first = middle + 1;
        else last = middle;
    }
    for (std::size_t i = first; i < listing.FileCount() && listing.FileFolder(i) == k; ++i) add(listing.FileName(i));
    return names;
}

}  // namespace

// Whether `folder` holds an entry spelled exactly `name` (a target that keeps case may hold
// "Brief.txt" and "brief.txt" side by side). Read once per folder, and only for a case variant.
bool HasEntry(const std::string& folder, const std::string& name, std::optional<std::vector<std::string>>& names) {
    if (!names) {
        names.emplace();
        if (auto entries = fileservice::ReadFolderEntries(folder))
            for (const fileservice::FolderEntry& entry : entries.Value()) names->push_back(entry.name);
    }
    return std::find(names->begin(), names->end(), name) != names->end();
}

std::vector<Extra> FindExtras(RunContext& run, const fileservice::Listing& listing, const Selection& selection,
                              const FileFilter& filter, const QString& sourceRoot, const QString& targetRoot) {
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
    // The listing read the target's folders along with the source's.
    const std::vector<fileservice::TargetExtra>& found = listing.TargetExtras();
    auto next = found.begin();
    const std::vector<std::string>& listed = listing.Folders();
    const std::vector<std::string>& selected = selection.Folders();
    std::size_t chosen = 0;  // the selection's next folder: the listing's, less what the filter left out
    for (std::size_t k = 0; k <= listed.size() && next != found.end(); ++k) {
        if (run.Stopping()) break;
        while (next != found.end() && next->folder < k) ++next;
        const auto end = std::find_if(next, found.end(), [k](const fileservice::TargetExtra& e) { return e.folder != k; });
        const auto here = next;
        next = end;
        std::string folder;
        if (k > 0) {
            if (chosen >= selected.size() || selected[chosen] != listed[k - 1]) continue;
            ++chosen;
            folder = listed[k - 1].substr(1);
        }
        if (here == end || std::find(unread.begin(), unread.end(), folder) != unread.end() ||
            (!folder.empty() && run.IsBlocked(FromNative(folder))) || below(folder, mounted))
            continue;
        const std::string prefix = folder.empty() ? std::string() : folder + '/';
        std::optional<QHash<QString, std::string>> fileSpellings;
        std::optional<QHash<QString, std::string>> folderSpellings;
        std::optional<std::vector<std::string>> targetNames;
        for (auto extra = here; extra != end; ++extra) {
            const fileservice::FolderEntry& entry = extra->entry;
            if (extra->error != 0) {
                run.Fail(FailureKind::ReadFolder, FromNative(folder.empty() ? targetPrefix : targetPrefix + folder),
                         extra->error);
                continue;
            }
            if (entry.temporary) continue;  // a leftover: the folder's clean-up takes it
            if (extra->inSource) {
                mounted.push_back(prefix + entry.name);
                run.Fail(FailureKind::RemoveExtra, FromNative(prefix + entry.name), fileservice::kMountPoint);
                continue;
            }
            if (entry.folder ? filter.ExcludesFolder(entry.name) : filter.ExcludesFile(entry.name)) continue;
            // On a target that ignores letter case (FAT, exFAT), "brief.TXT" there is the source's
            // "Brief.txt": the copy pass reaches it by the source's name, so it is no extra. The
            // target is asked for the source's spelling: one that keeps case has none there.
            std::optional<QHash<QString, std::string>>& spellings = entry.folder ? folderSpellings : fileSpellings;
            if (!spellings) spellings = FoldedNames(listing, k, entry.folder);
            const auto source = spellings->constFind(FromNative(entry.name).toCaseFolded());
            if (source != spellings->cend() && fileservice::EntryExists(targetPrefix + prefix + source.value()) &&
                !HasEntry(targetPrefix + prefix, source.value(), targetNames))
                continue;
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
