#pragma once

// Pieces shared by the file-service sources; not part of the library's interface.

#include "fileservice/ComparePass.h"
#include "fileservice/Failure.h"
#include "fileservice/StatStage.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <time.h>
#include <vector>

namespace fileservice {

// A listed modification time as nanoseconds since 1970; kNotListed when the listing did not
// stat the entry or the time does not fit (such entries are read live).
constexpr std::int64_t kNotListed = INT64_MIN;
std::int64_t ListedTime(const struct timespec& mtime);

// A hash of a name relative to the listed directory: the listing keeps it instead of a second
// copy of every name, which the caller holds.
std::uint64_t NameHash(std::string_view name);

// The files of one walk, in listing order.
struct FileWalk {
    std::vector<std::string> names;
    std::vector<ListedEntry> entries;        // one per name, when the listing keeps versions
    std::vector<DifferingEntry> differing;   // by entry
    std::int64_t bytes = 0;
    std::vector<Failure> failures;
    std::vector<std::uint64_t> temporaries;  // listed names that look like the copy's temporaries, sorted
};

// The folders of one walk, each beginning with '/'.
struct FolderWalk {
    std::vector<std::string> folders;
    std::size_t files = 0;  // entries that are no folders: the size of the file listing to come
};

// What a comparing file listing saw, so that any listed entry or its counterpart is found
// without the names (see ComparePass.cpp).
class ListedVersions {
public:
    // Takes the versions of `walk` (listed below `sourcePrefix`, read along below `targetPrefix`).
    void Keep(std::string sourcePrefix, std::string targetPrefix, FileWalk& walk);
    bool Empty() const { return m_entries.empty(); }

    enum class Listed { Unknown, Time, NoFile };
    // What the listing saw at `path`; `size` -1 where the answer leaves it out. Unknown: read it live.
    Listed LookUp(std::string_view path, struct timespec& mtime, std::int64_t& size);

private:
    const ListedEntry* Find(std::string_view path, const std::string& prefix);
    const ListedEntry* FindSorted(std::uint64_t hash) const;
    const DifferingEntry* FindDiffering(std::uint64_t hash) const;
    Listed TargetVersion(const ListedEntry& entry, struct timespec& mtime, std::int64_t& size) const;
    Listed SourceVersion(const ListedEntry& entry, struct timespec& mtime, std::int64_t& size) const;

    std::string m_sourcePrefix;
    std::string m_targetPrefix;
    std::vector<ListedEntry> m_entries;        // in listing order, or by hash once m_sorted
    std::vector<DifferingEntry> m_differing;  // by hash
    std::size_t m_cursor = 0;                  // the entry asked for last, while in listing order
    bool m_sorted = false;
};

struct ComparePass::State {
    std::string sourcePrefix;  // "/src/": the listed directory as paths below it begin
    std::string targetPrefix;  // "/dst/"; empty: nothing is compared
    std::optional<FolderWalk> counted;  // the folder count's walk, until the folder list takes it
    std::optional<FileWalk> listed;     // the file count's walk, until the file list takes it
    std::size_t fileHint = 0;           // files the folder walk saw: the file listing's size
    ListedVersions versions;
    std::shared_ptr<const std::vector<std::uint64_t>> temporaries;
    std::vector<Failure> failures;
    std::function<void()> tick;  // between the folders a listing reads
};

// The pass open on this thread, or null.
ComparePass::State* OpenPass();

// Runs a test's hook before the listing stats `name` in `folderFd` (see SetBeforeSourceStatHook).
void BeforeSourceStat(int folderFd, const char* name);

// Runs a test's hook after a pass over the data of `source` (see SetAfterCopyDataHook).
void AfterCopyData(const char* source);

// True while a test injects write failures; copies then use read/write only.
bool WriteFailureInjected();

// The temporary path beside `path`: its folder, '/', TemporaryNameFor(its name), or the next
// such name whose hash is not in `listed` (sorted; may be null).
std::string TemporaryPathFor(const std::string& path, const std::vector<std::uint64_t>* listed);

// True for a name of the form TemporaryNameFor() produces; `hash` gets its 16 hex digits.
bool IsTemporaryName(std::string_view name, std::uint64_t* hash = nullptr);

// Copies `source` to `destination` through a temporary (never a name in `listed`) and a
// rename; nothing is left behind on failure. Gives the bytes copied (0 for a link).
Result<std::int64_t> CopyFileSafely(const std::string& destination, const std::string& source,
                      const std::vector<std::uint64_t>* listed);

// Removes the copy's temporaries in `folder` (not below it) that `sourceFolder` (may be null)
// does not have, without waiting for anything; returns how many, -1 when `folder` cannot be read.
std::int32_t RemoveLeftovers(const char* folder, const char* sourceFolder);

// Waits until the copy pool has nothing pending (no-op when it never started).
void WaitForPendingCopies();

}  // namespace fileservice
