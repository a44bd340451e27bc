#pragma once

// Pieces shared by the file-service sources; not part of the library's interface.

#include "fileservice/StatStage.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <time.h>
#include <vector>

namespace fileservice {

// The system's text for `error` (thread-safe strerror).
std::string ErrorText(int error);

// A listed modification time as nanoseconds since 1970; kNotListed when the listing did not
// stat the entry or the time does not fit (such entries are read live).
constexpr std::int64_t kNotListed = INT64_MIN;
std::int64_t ListedTime(const struct timespec& mtime);

// Keeps the first `count` names of a file listing of the folder `sourcePrefix` ("/src/")
// and the times it saw (ListedTime), for the version queries that follow; `along` holds
// what was read below the second directory, if anything (see StatStage).
void InstallListingSnapshot(const std::string& sourcePrefix, const std::vector<std::string>& names,
                            std::size_t count, std::vector<std::int64_t> mtimes, AlongVersions along);
void ClearListingSnapshot();

// What the last file listing knows of a path's version.
enum class Listed { Unknown, Time, NoFile };

// For the last file listing's next entry below the second directory (see StatStage): what the
// listing read there. Right after that, for the same entry below the listed folder: the time
// (and size) it saw; then the query for the entry after is expected. `size` is -1 where
// the answer leaves it out, as both answers of an entry then do.
Listed ListedVersion(const char* path, struct timespec& mtime, std::int64_t& size);

// Runs a test's hook after a pass over the data of `source` (see SetAfterCopyDataHook).
void AfterCopyData(const char* source);

// True while a test injects write failures; copies then use read/write only.
bool WriteFailureInjected();

// Writes all of `data` to `fd`, counting into `written` (bytes of the current file so far).
// Returns 0 or the errno of the failure, injected ones included.
int WriteAll(int fd, const char* data, std::size_t size, std::int64_t& written);

// The temporary path beside `path`: its folder, '/', TemporaryNameFor(its name), or the next
// such name that the last file listing did not list.
std::string TemporaryPathFor(const std::string& path);

// True for a name of the form TemporaryNameFor() produces; `hash` gets its 16 hex digits.
bool IsTemporaryName(std::string_view name, std::uint64_t* hash = nullptr);

// Replaces the temporary-like names (their hashes) that TemporaryPathFor avoids: those a
// file listing just listed.
void KeepListedTemporaries(std::vector<std::uint64_t> hashes);

// Creates the temporary `tmpPath` exclusively (write only, `mode`); a leftover of a killed
// run is removed and the creation retried once. Returns the fd, or -errno.
int CreateTemporary(const std::string& tmpPath, mode_t mode);

// Copies `source` to `destination` through a temporary and a rename. Returns 0, or the
// errno of the failing step with `reason` set; nothing is left behind on failure.
int CopyFileSafely(const std::string& destination, const std::string& source, std::string& reason);

// Removes the copy's temporaries in `folder` (not below it) that `sourceFolder` (may be null)
// does not have, without waiting for anything; returns how many, -1 when `folder` cannot be read.
std::int32_t RemoveLeftovers(const char* folder, const char* sourceFolder);

// Waits until the copy pool has nothing pending (no-op when it never started).
void WaitForPendingCopies();

}  // namespace fileservice
