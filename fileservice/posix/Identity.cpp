// Folder identity, locks and the checks of what stands at a path.

#include "fileservice/Identity.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

fileservice::Failure Errno(const std::string& path) { return fileservice::Failure{path, errno}; }

constexpr int kIdentityFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// Far deeper than any real tree; a walk that never ends would be a file system gone wrong.
constexpr int kMaxDepth = 1 << 16;

bool IdentityOf(int fd, fileservice::FolderIdentity& identity) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

// The folder at `path` (links followed), opened to find its parents, and its identity.
fileservice::Result<fileservice::FileHandle> OpenFolder(const std::string& path,
                                                        fileservice::FolderIdentity& identity) {
    const int fd = ::open(path.c_str(), kIdentityFlags);
    if (fd < 0) return Errno(path);
    fileservice::FileHandle folder(fd, path);
    if (!IdentityOf(fd, identity)) return fileservice::Failure{path, ENOTDIR};
    return folder;
}

// Replaces `folder` by its parent and gives the parent's identity. The parent is reached by
// opening ".." relative to the folder, not by cutting path text: ".." of a folder reached
// through a link or a second mount is its real parent, and at the top of a mount the kernel
// steps out to the folder the mount stands in. O_PATH needs no read permission, only the
// right to look the folders up.
fileservice::Status StepToParent(fileservice::FileHandle& folder, fileservice::FolderIdentity& identity) {
    const int parent = ::openat(folder.Fd(), "..", kIdentityFlags);
    if (parent < 0) return Errno(folder.Path());
    folder = fileservice::FileHandle(parent, folder.Path());
    if (!IdentityOf(parent, identity)) return fileservice::Failure{folder.Path(), ENOTDIR};
    return {};
}

}  // namespace

namespace fileservice {

bool EntryExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsStickyFolder(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
}

bool CanWriteInto(const std::string& folder) {
    if (::access(folder.c_str(), W_OK) != 0) return false;
    struct statvfs fs;
    return ::statvfs(folder.c_str(), &fs) != 0 || (fs.f_flag & ST_RDONLY) == 0;
}

Result<FileHandle> LockFolder(const std::string& path) {
    // A descriptor of the folder itself: the lock belongs to the folder, so no file is ever
    // written into a user's target for it. O_PATH descriptors cannot be locked.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Errno(path);
    FileHandle folder(fd, path);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return Failure{path, kFolderInUse};
        return Errno(path);
    }
    return folder;
}

Result<FolderIdentity> ReadFolderIdentity(const std::string& path) {
    FolderIdentity identity;
    const Result<FileHandle> folder = OpenFolder(path, identity);
    if (!folder) return folder.Error();
    return identity;
}

Result<bool> IsSameOrInsideFolder(const std::string& inner, const std::string& outer) {
    const Result<FolderIdentity> wanted = ReadFolderIdentity(outer);
    if (!wanted) return wanted.Error();
    FolderIdentity current;
    Result<FileHandle> folder = OpenFolder(inner, current);
    if (!folder) return folder.Error();
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (current == wanted.Value()) return true;
        FolderIdentity parent;
        if (Status stepped = StepToParent(folder.Value(), parent); !stepped) return stepped.Error();
        if (parent == current) return false;  // the root is its own parent
        current = parent;
    }
    return Failure{inner, ELOOP};
}

Result<bool> IsFileSystemRoot(const std::string& path) {
    FolderIdentity folder;
    Result<FileHandle> opened = OpenFolder(path, folder);
    if (!opened) return opened.Error();
    FolderIdentity parent;
    if (Status stepped = StepToParent(opened.Value(), parent); !stepped) return stepped.Error();
    return parent == folder || parent.device != folder.device;
}

}  // namespace fileservice
