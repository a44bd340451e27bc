#pragma once

// The one layer through which the program writes files and opens the files a user may have
// replaced by something else: atomic replacement, FIFO-safe opens, folders, folder identity,
// and the pieces the desktop trash needs. Tests inject failures here (FileServiceTesting.h).

#include "fileservice/Failure.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace fileservice {

// An open file descriptor and the path it was opened by; closed with its owner.
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // Closes now; a failed close means that written data may be lost.
    Status Close();

private:
    int m_fd = -1;
    std::string m_path;
};

// The regular file at `path` opened for reading (a link followed unless `followLink` is false,
// ELOOP then); anything else is refused (kNotRegularFile, EISDIR) without blocking on a FIFO.
// `opened`, when given, gets what the open found there.
Result<FileHandle> OpenForReading(const std::string& path, bool followLink = true, struct stat* opened = nullptr);

// The whole of the regular file at `path`, opened as OpenForReading does.
Result<std::string> ReadRegularFile(const std::string& path);

// The size of the regular file at `path` (a link followed unless `followLink` is false),
// read without opening it.
Result<std::int64_t> RegularFileSize(const std::string& path, bool followLink = true);

// The regular file at `path` opened for appending, created (0666 less the umask) when missing;
// anything else is refused without blocking (kNotRegularFile, EISDIR).
Result<FileHandle> OpenForAppend(const std::string& path);

// Creates `path` for writing, never over an existing entry and never through a link.
Result<FileHandle> CreateExclusive(const std::string& path, mode_t mode);

// CreateExclusive for a temporary of a fixed name: an entry left there by a killed run is
// removed and the creation tried once more.
Result<FileHandle> CreateTemporary(const std::string& path, mode_t mode);

// Writes all of `data`; `written` counts the bytes of this file so far (see SetFailWriteAfterBytes).
Status WriteAll(const FileHandle& file, std::string_view data, std::int64_t& written);

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
// Makes the folder `path` with `mode` and its missing parents; an existing folder is success.
Status MakeFolders(const std::string& path, mode_t mode = 0777);

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
