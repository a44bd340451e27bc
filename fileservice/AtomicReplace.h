#pragma once

// The writes that create, replace, rename or remove entries, through the safe-file layer:
// nothing half-written under a real name, no write through a link that stands where a new
// file goes. Temporaries all have one scheme of names (Temporaries.cpp).

#include "fileservice/Failure.h"
#include "fileservice/SafeRead.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <time.h>

namespace fileservice {

// Creates `path` for writing, never over an existing entry and never through a link.
Result<FileHandle> CreateExclusive(const std::string& path, mode_t mode);

// CreateExclusive for a temporary of a fixed name: an entry left there by a killed run is
// removed and the creation tried once more.
Result<FileHandle> CreateTemporary(const std::string& path, mode_t mode);

// Whether a replacement waits until its content is on the disk before it renames.
enum class ReplaceSync {
    Synced,    // the user's files: after a crash the file is the old or the new one, whole
    Unsynced,  // the program's own records (the log): atomic for every reader, but a crash
               // right after may leave the file empty on some file systems
};

// Replaces the file at `path` (the file a link leads to) by `content`: a temporary beside it,
// synced (unless Unsynced), renamed over it; owner and mode kept, a new file 0666 less the
// umask. On failure the file is as it was and no temporary is left.
Status ReplaceFile(const std::string& path, std::string_view content, ReplaceSync sync = ReplaceSync::Synced);

Status Rename(const std::string& from, const std::string& to);
// Renames only while nothing stands at `to` (EEXIST otherwise), also a broken link or a folder.
Status RenameNoReplace(const std::string& from, const std::string& to);

// A new hidden file beside `target` under a name no one else picks, for content that is
// renamed over (or onto) `target` once it is whole.
Result<FileHandle> CreateReplacementTemporary(const std::string& target);
Status Remove(const std::string& path);
// Removes `path` and, for a folder, everything below it, for good (links are not followed).
Status RemoveTree(const std::string& path);

// Makes the folder `path` (EEXIST when anything stands there).
Status MakeFolder(const std::string& path, mode_t mode = 0777);
// Makes the folder `path` with `mode` and its missing parents; an existing folder is success,
// anything else standing there ENOTDIR.
Status MakeFolders(const std::string& path, mode_t mode = 0777);

// Makes the link `path` leading to `linkTarget`, in place of an entry a killed run left there.
Status CreateLinkTemporary(const std::string& path, const std::string& linkTarget);
// Sets the times of the link `path` itself; a file system that keeps none is no failure.
Status SetLinkTimes(const std::string& path, const struct timespec times[2]);
// Sets the permission bits and then the times of an open file (the times last, so that
// nothing bumps them). Gives the MetadataLost bits (Medium.h) of what the file system refused:
// that is the medium's limit, never a failure of the data.
int SetModeAndTimes(const FileHandle& file, mode_t mode, const struct timespec times[2]);
// Cuts or extends the open file to `size` bytes.
Status Truncate(const FileHandle& file, off_t size);
#ifndef _WIN32
// Copies up to `length` bytes inside the kernel (at the offsets given, else the files'
// own); the bytes copied, 0 at the end. Fails with the errno, also where the file system
// cannot (EXDEV, EINVAL, ENOSYS, EOPNOTSUPP, EBADF: the caller reads and writes instead).
Result<std::int64_t> CopyRange(const FileHandle& in, off_t* inAt, const FileHandle& out, off_t* outAt,
                               std::size_t length);
#endif
}  // namespace fileservice
