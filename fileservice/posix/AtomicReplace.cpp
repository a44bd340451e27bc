// The writes of entries: exclusive creation, atomic replacement through a temporary of the
// one scheme (Temporaries.cpp), renames, removals, folders, and the pieces a copy sets on
// its temporary.

#include "fileservice/AtomicReplace.h"

#include "fileservice/FileServiceInternal.h"
#include "fileservice/Medium.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

fileservice::Failure Errno(const std::string& path) { return fileservice::Failure{path, errno}; }

// The path a replacement writes to: the file a link leads to, so that the link stays.
std::string ReplacedPath(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;  // a dangling link is replaced like a missing file
    std::string resolved = real;
    std::free(real);
    return resolved;
}

void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

namespace fileservice {

Result<FileHandle> CreateExclusive(const std::string& path, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return Errno(path);
    return FileHandle(fd, path);
}

Status ReplaceFile(const std::string& path, std::string_view content, ReplaceSync sync) {
    const std::string target = ReplacedPath(path);
    struct stat st;
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) return Failure{target, EISDIR};
    if (existed && !S_ISREG(st.st_mode)) return Failure{target, kNotRegularFile};

    Result<FileHandle> created = CreateReplacementTemporary(target);
    if (!created) return created.Error();
    FileHandle& temporary = created.Value();
    const std::string temporaryPath = temporary.Path();

    Status status;
    if (existed) {
        // Owner first: changing it clears set-id bits that fchmod then restores. Only root can
        // give a file away; otherwise the new file is ours, as after any rewrite.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(temporary.Fd(), st.st_uid, st.st_gid);
        }
        if (::fchmod(temporary.Fd(), st.st_mode & 07777) != 0) status = Errno(temporaryPath);
    }
    std::int64_t written = 0;
    if (status && TakeInjectedHalfReplace()) {
        (void)WriteAll(temporary, content.substr(0, content.size() / 2), written);
        status = Failure{temporaryPath, ENOSPC};
    }
    if (status) status = WriteAll(temporary, content, written);
    // The file has no second copy to restore it from, unlike a mirrored one: sync it.
    if (status && sync == ReplaceSync::Synced && ::fsync(temporary.Fd()) != 0) status = Errno(temporaryPath);
    const Status closed = temporary.Close();
    if (status) status = closed;
    if (status && ::rename(temporaryPath.c_str(), target.c_str()) != 0) status = Errno(target);
    if (!status) {
        ::unlink(temporaryPath.c_str());
        return status;
    }
    if (sync == ReplaceSync::Synced) SyncFolderOf(target);
    return {};
}

Status Rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return Errno(from);
    return {};
}

Status RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    // File systems without that rename: a hard link never replaces either. A folder cannot
    // be linked; it is renamed once nothing stands at `to` (a plain rename would replace
    // only an empty folder there).
    if (errno != EINVAL && errno != ENOSYS) return Errno(to);
    struct stat st;
    if (::lstat(from.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (::lstat(to.c_str(), &st) == 0) return Failure{to, EEXIST};
        if (::rename(from.c_str(), to.c_str()) != 0) return Errno(to);
        return {};
    }
    if (::link(from.c_str(), to.c_str()) != 0) return Errno(to);
    return Remove(from);
}

Status Remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return Errno(path);
    return {};
}

Status RemoveTree(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(path), error);
    if (error) return Failure{path, error.value()};
    return {};
}

Status MakeFolder(const std::string& path, mode_t mode) {
    if (::mkdir(path.c_str(), mode) != 0) return Errno(path);
    return {};
}

Status MakeFolders(const std::string& path, mode_t mode) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
        const std::string parent = folder.substr(0, slash);
        // A file in the way shows at the next step (ENOTDIR).
        if (::mkdir(parent.c_str(), 0777) != 0 && errno != EEXIST) return Errno(parent);
    }
    if (::mkdir(folder.c_str(), mode) == 0) return {};
    const Failure failure = Errno(folder);
    struct stat st;
    if (failure.error != EEXIST) return failure;
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
    return Failure{folder, ENOTDIR};  // a file stands where the folder must go
}

Status CreateLinkTemporary(const std::string& path, const std::string& linkTarget) {
    if (::symlink(linkTarget.c_str(), path.c_str()) == 0) return {};
    if (errno != EEXIST) return Errno(path);
    // A leftover of a killed run.
    if (::unlink(path.c_str()) != 0 || ::symlink(linkTarget.c_str(), path.c_str()) != 0) return Errno(path);
    return {};
}

Status SetLinkTimes(const std::string& path, const struct timespec times[2]) {
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0 && errno != EOPNOTSUPP) return Errno(path);
    return {};
}

int SetModeAndTimes(const FileHandle& file, mode_t mode, const struct timespec times[2]) {
    int lost = 0;
    // FAT keeps no modes (fusefat: ENOSYS); the times are still set.
    if (::fchmod(file.Fd(), mode) != 0) lost |= kModeLost;
    if (::futimens(file.Fd(), times) != 0) lost |= kTimesLost;
    return lost;
}

Status Truncate(const FileHandle& file, off_t size) {
    if (::ftruncate(file.Fd(), size) != 0) return Errno(file.Path());
    return {};
}

Result<std::int64_t> CopyRange(const FileHandle& in, off_t* inAt, const FileHandle& out, off_t* outAt,
                               std::size_t length) {
    for (;;) {
        const ssize_t n = ::copy_file_range(in.Fd(), inAt, out.Fd(), outAt, length, 0);
        if (n >= 0) return static_cast<std::int64_t>(n);
        if (errno != EINTR) return Errno(out.Path());
    }
}

}  // namespace fileservice
