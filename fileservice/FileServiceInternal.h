#pragma once

// Pieces shared by the file-service sources; not part of the library's interface.

#include "fileservice/Failure.h"
#include "fileservice/FileService.h"
#include "fileservice/ListedEntry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <time.h>

namespace fileservice {

// A modification time as the listing keeps it (see ListedEntry.h).
std::int64_t ListedTime(const struct timespec& mtime);

// "<seconds>.<nine digits>[ <size>]": the version text of a time and, unless it is -1, a size.
std::string VersionText(const struct timespec& mtime, std::int64_t size);
// The version text of the file (a link's own) at `path` as it is now; empty for none.
std::string LiveVersion(const char* path);

// Runs a test's hook before the listing stats `name` in `folderFd` (see SetBeforeSourceStatHook).
void BeforeSourceStat(int folderFd, const char* name);

// Runs a test's hook after a pass over the data of `source` (see SetAfterCopyDataHook).
void AfterCopyData(const char* source);

// A copy worker keeps the folders of its copies open from one file to the next, so that a
// file's operations look up its name only (SafeCopy.cpp). It calls KeepCopyFoldersOpen once,
// and CloseCopyFolders before it waits for work: no medium stays busy after a run.
// FoldersMayHaveChanged makes every worker open its folders anew: called by whatever moves
// or removes folders, and by the pool when work arrives after a pause, so that a folder
// replaced meanwhile (an old target moved to the trash and made again) is not written into.
void KeepCopyFoldersOpen();
void CloseCopyFolders();
void FoldersMayHaveChanged();

// True while a test injects write failures; copies then use read/write only.
bool WriteFailureInjected();
// Whether a test asked copies to take named temporaries only (FileServiceTesting.h).
bool UnnamedCopiesDisabled();
// Whether a test asked copies to name their files through /proc (FileServiceTesting.h).
bool LinkThroughProcForced();
// The bytes after which a test makes the data writes of a file fail (EIO); -1: none.
std::int64_t InjectedWriteLimit();
// True once after a test asked the next replacement to fail half written.
bool TakeInjectedHalfReplace();

// The temporary a copy of `source` to `destination` writes first: beside `destination`,
// TemporaryNameFor(its name), or the next such name that the source's folder does not have.
std::string TemporaryPathFor(const std::string& destination, const std::string& source);

// A temporary beside `target` under a random name of the same scheme.
std::string UniqueTemporaryPath(const std::string& target);
// Whether the file system of `folder` folds case (1) or not (0), told by a hidden file of the
// temporaries' scheme made there and asked for in the other case (so a killed run's leftover
// is cleaned up); -1 where none can be made.
int CaseFoldsByProbe(const std::string& folder);

// True for a name of the form the temporaries have.
bool IsTemporaryName(std::string_view name);

// Copies `source` to `destination` through a temporary and a rename; nothing is left behind
// on failure. Gives the bytes copied (0 for a link). Keeps to `traits` (a regular file too
// large fails before its temporary is made); `lost` gains the MetadataLost bits (Medium.h)
// of what the target could not keep.
Result<std::int64_t> CopyFileSafely(const std::string& destination, const std::string& source,
                                    const CopyTraits& traits = {}, int* lost = nullptr);

// Removes the copy's temporaries in `folder` (not below it) that `sourceFolder` (may be null)
// does not have, without waiting for anything; returns how many, -1 when `folder` cannot be read.
std::int32_t RemoveLeftovers(const char* folder, const char* sourceFolder);

// Waits until the copy pool has nothing pending (no-op when it never started).
void WaitForPendingCopies();

// Closes the descriptor `fd` opened by `path` (FileHandle's close on each system).
Status CloseDescriptor(int fd, const std::string& path);

}  // namespace fileservice
