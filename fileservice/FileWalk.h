#pragma once

// What one walk of a listed directory collects, and the walk each system provides for it: the
// listing and the file-list operations are built on it once, for both. Not part of the
// library's interface.

#include "fileservice/Failure.h"
#include "fileservice/FileNames.h"
#include "fileservice/ListedEntry.h"
#include "fileservice/Listing.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fileservice {

struct FileWalk {
    std::vector<std::string> folders;  // each beginning with '/'
    FileNames names;
    std::vector<ListedEntry> entries;      // one per name, when the walk compares
    std::vector<DifferingEntry> differing;  // by entry
    std::vector<TargetExtra> extras;        // by folder, then by name
    std::int64_t bytes = 0;
    std::vector<Failure> failures;

    // File `i` relative to the listed directory: "a/c/y.txt".
    std::string Path(std::size_t i) const {
        const std::size_t folder = names.Folder(i);
        std::string path = folder == 0 ? std::string() : folders[folder - 1].substr(1) + '/';
        path += names.Name(i);
        return path;
    }
};

// Lists the files and folders of `directory`; with `compare`, the versions of the files and of
// their counterparts below `target`; with `extras`, the entries there that the listed folders
// lack. Lack of memory ends the walk with a failure of `directory`.
FileWalk WalkListing(const std::string& directory, const std::string& target, bool compare, bool extras,
                     const std::function<void()>* tick);

// The directory as paths below it begin: trailing separators dropped, then one added.
std::string DirectoryPrefix(std::string directory);

constexpr std::int64_t kCurrencyScale = 10000;

inline std::int32_t ClampIndex(std::size_t count) {
    return count > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(count) - 1;
}

inline std::int32_t ClampCount(std::size_t count) {
    return count > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(count);
}

// Entries after the last one stay empty, as callers that pass a sized array expect.
inline void ClearFrom(std::vector<std::string>& list, std::size_t count) {
    for (std::size_t i = count; i < list.size(); ++i) list[i].clear();
}

}  // namespace fileservice
