#include "fileservice/FolderEntries.h"
#include "fileservice/StatStage.h"

#include "fileservice/FileServiceInternal.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fileservice {
namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// A mount begins at `name` below the open folder `parent`: another device, or the kernel's
// mount-root mark (which a bind mount of the same file system carries too).
bool MountsAt(int parent, const char* name, dev_t parentDevice) {
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx sx {};
    if (::statx(parent, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &sx) == 0) {
        if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
            return true;
        return makedev(sx.stx_dev_major, sx.stx_dev_minor) != parentDevice;
    }
#endif
    struct stat st {};
    return ::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev != parentDevice;
}

// Empties and removes the folder `name` below `parent`; false with errno on the first failure.
bool RemoveFolderAt(int parent, const char* name, dev_t device, int& error) {
    Fd folder(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.Get() < 0) {
        error = errno;
        return false;
    }
    DIR* dir = ::fdopendir(folder.Get());
    if (!dir) {
        error = errno;
        return false;
    }
    const int dirFd = folder.Release();
    bool ok = true;
    while (ok) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                error = errno;
                ok = false;
            }
            break;
        }
        const char* child = entry->d_name;
        if (child[0] == '.' && (child[1] == '\0' || (child[1] == '.' && child[2] == '\0'))) continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = ::fstatat(dirFd, child, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (!isFolder) {
            if (::unlinkat(dirFd, child, 0) != 0) {
                error = errno;
                ok = false;
            }
            continue;
        }
        if (MountsAt(dirFd, child, device)) {
            error = kMountPoint;
            ok = false;
            continue;
        }
        ok = RemoveFolderAt(dirFd, child, device, error);
    }
    ::closedir(dir);
    if (ok && ::unlinkat(parent, name, AT_REMOVEDIR) != 0) {
        error = errno;
        ok = false;
    }
    return ok;
}

// The folder part of `path` (at least "/"), and its last name.
void Split(const std::string& path, std::string& parent, std::string& name) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    parent = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : trimmed.substr(0, slash);
    name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

Result<std::vector<FolderEntry>> ReadFolderEntries(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Failure{folder, errno};
    return ReadFolderEntriesFrom(fd, folder);
}

Result<std::vector<FolderEntry>> ReadFolderEntriesFrom(int folderFd, const std::string& folder) {
    Fd fd(folderFd);
    struct stat self {};
    if (::fstat(fd.Get(), &self) != 0) return Failure{folder, errno};
    DIR* dir = ::fdopendir(fd.Get());
    if (!dir) return Failure{folder, errno};
    const int dirFd = fd.Release();
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            const int error = errno;
            ::closedir(dir);
            if (error != 0) return Failure{folder, error};
            return entries;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        FolderEntry item{name, entry->d_type == DT_DIR, false, IsTemporaryName(name)};
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            item.folder = ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (item.folder) item.mountPoint = MountsAt(dirFd, name, self.st_dev);
        entries.push_back(std::move(item));
    }
}

Status RemoveForGood(const std::string& path) {
    FoldersMayHaveChanged();
    std::string parentPath;
    std::string name;
    Split(path, parentPath, name);
    Fd parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.Get() < 0) return Failure{path, errno};
    struct stat parentStat {};
    struct stat st {};
    if (::fstat(parent.Get(), &parentStat) != 0 || ::fstatat(parent.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Failure{path, errno};
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(parent.Get(), name.c_str(), 0) != 0) return Failure{path, errno};
        return {};
    }
    if (MountsAt(parent.Get(), name.c_str(), parentStat.st_dev)) return Failure{path, kMountPoint};
    int error = 0;
    if (!RemoveFolderAt(parent.Get(), name.c_str(), st.st_dev, error)) return Failure{path, error};
    return {};
}

}  // namespace fileservice
