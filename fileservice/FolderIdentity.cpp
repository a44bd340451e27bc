// The parents are reached by opening ".." relative to the folder itself, not by cutting the
// path text: ".." of a folder reached through a link or a second mount is its real parent, and
// at the top of a mount the kernel steps out to the folder the mount stands in. O_PATH needs
// no read permission on the folders, only the right to look them up.

#include "fileservice/FolderIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kOpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// Far deeper than any real tree; a walk that never ends would be a file system gone wrong.
constexpr int kMaxDepth = 1 << 16;

bool IdentityOf(int fd, FolderIdentity& identity) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

// The parent of the folder `fd` (which it closes), or -1.
int OpenParent(int fd) {
    const int parent = ::openat(fd, "..", kOpenFlags);
    ::close(fd);
    return parent;
}

}  // namespace

bool ReadFolderIdentity(const char* path, FolderIdentity& identity) {
    if (!path || !*path) return false;
    const int fd = ::open(path, kOpenFlags);
    if (fd < 0) return false;
    const bool read = IdentityOf(fd, identity);
    ::close(fd);
    return read;
}

int IsSameOrInsideFolder(const char* inner, const char* outer) {
    FolderIdentity wanted;
    if (!ReadFolderIdentity(outer, wanted) || !inner || !*inner) return -1;
    int fd = ::open(inner, kOpenFlags);
    FolderIdentity current;
    if (fd < 0 || !IdentityOf(fd, current)) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (current == wanted) {
            ::close(fd);
            return 1;
        }
        fd = OpenParent(fd);
        FolderIdentity parent;
        if (fd < 0 || !IdentityOf(fd, parent)) break;
        if (parent == current) {  // the root is its own parent
            ::close(fd);
            return 0;
        }
        current = parent;
    }
    if (fd >= 0) ::close(fd);
    return -1;
}

int IsFileSystemRoot(const char* path) {
    if (!path || !*path) return -1;
    int fd = ::open(path, kOpenFlags);
    FolderIdentity folder;
    if (fd < 0 || !IdentityOf(fd, folder)) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    fd = OpenParent(fd);
    FolderIdentity parent;
    const bool read = fd >= 0 && IdentityOf(fd, parent);
    if (fd >= 0) ::close(fd);
    if (!read) return -1;
    return parent == folder || parent.device != folder.device ? 1 : 0;
}
