#pragma once

// What a folder is and who holds it: links, the shared trash's sticky bit, write access,
// locks, and device and inode as identity.

#include "fileservice/Failure.h"
#include "fileservice/SafeRead.h"

#include <cstdint>
#include <string>

namespace fileservice {

// True when a symbolic link stands at `path`.
bool IsLink(const std::string& path);
// True when anything stands at `path` (a dangling link too).
bool EntryExists(const std::string& path);
// True for a real folder (not a link) with the sticky bit, as a shared trash must be.
bool IsStickyFolder(const std::string& path);
// True when this process may create files in the folder `path` and its mount is writable
// (root passes the permission check everywhere, also on a read-only mount).
bool CanWriteInto(const std::string& folder);

// Locks the folder `path` itself (not a file in it) for as long as the handle stays open, also
// against a process that reaches it by another path; kFolderInUse while another holds it. The
// lock ends with the process, also a killed one. File systems without locks fail otherwise.
Result<FileHandle> LockFolder(const std::string& path);

// Device and inode of a folder: "the same folder" and "inside" are decided by these, never
// by path text, since one folder can be reached by two paths (a link, a second mount).
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

// The identity of the folder at `path` (links followed); ENOTDIR where no folder is.
Result<FolderIdentity> ReadFolderIdentity(const std::string& path);
// Whether `inner` or one of its parents up to the root is the folder `outer`.
Result<bool> IsSameOrInsideFolder(const std::string& inner, const std::string& outer);
// Whether `path` is the top folder of a file system (or the root).
Result<bool> IsFileSystemRoot(const std::string& path);

}  // namespace fileservice
