// Every file-system write of the program goes through here, so that the rules hold in one
// place: nothing half-written under a real name, no open that blocks on a FIFO, no write
// through a link that stands where a new file goes. Tests inject failures here too.

#include "fileservice/SafeFile.h"

#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileServiceTesting.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>

namespace {

// The test-injection point: failures that are hard to cause for real.
std::atomic<std::int64_t> g_failWriteAfter{-1};
std::atomic<bool> g_failNextReplaceAfterHalf{false};
std::atomic<void (*)(const char*)> g_afterCopyData{nullptr};
std::atomic<void (*)(int, const char*)> g_beforeSourceStat{nullptr};

fileservice::Failure Errno(const std::string& path) { return fileservice::Failure{path, errno}; }

// Opened without blocking (a FIFO would wait for its other end), then checked for what it is.
fileservice::Result<fileservice::FileHandle> OpenRegular(const std::string& path, int flags, mode_t mode,
                                                         struct stat* opened = nullptr) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    // ENXIO: a FIFO without a reader, or a device without its device, opened for writing.
    if (fd < 0) return errno == ENXIO ? fileservice::Failure{path, fileservice::kNotRegularFile} : Errno(path);
    fileservice::FileHandle file(fd, path);
    struct stat st;
    if (::fstat(fd, &st) != 0) return Errno(path);
    if (S_ISDIR(st.st_mode)) return fileservice::Failure{path, EISDIR};
    if (!S_ISREG(st.st_mode)) return fileservice::Failure{path, fileservice::kNotRegularFile};
    ::fcntl(fd, F_SETFL, flags & O_APPEND);
    if (opened) *opened = st;
    return file;
}

// A hidden name beside `target` that no one else picks: a replacement never takes another's
// temporary, also when two processes save the same file.
std::string ReplacementPath(const std::string& target) {
    std::random_device device;
    const unsigned long long number = (static_cast<unsigned long long>(device()) << 32) | device();
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx", number);
    // Short: a long file name must not push the temporary's past NAME_MAX.
    return folder + "/." + name.substr(0, 64) + suffix + ".tmp";
}

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

void SetFailWriteAfterBytes(std::int64_t bytes) { g_failWriteAfter.store(bytes < 0 ? -1 : bytes); }

void FailNextReplaceAfterHalf() { g_failNextReplaceAfterHalf.store(true); }

void SetAfterCopyDataHook(void (*hook)(const char* source)) { g_afterCopyData.store(hook); }

void SetBeforeSourceStatHook(void (*hook)(int folderFd, const char* name)) { g_beforeSourceStat.store(hook); }

namespace fileservice {

void BeforeSourceStat(int folderFd, const char* name) {
    if (const auto hook = g_beforeSourceStat.load(std::memory_order_relaxed)) hook(folderFd, name);
}

void AfterCopyData(const char* source) {
    if (const auto hook = g_afterCopyData.load(std::memory_order_relaxed)) hook(source);
}

bool WriteFailureInjected() { return g_failWriteAfter.load(std::memory_order_relaxed) >= 0; }

FileHandle::~FileHandle() {
    if (m_fd >= 0) ::close(m_fd);
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

Status FileHandle::Close() {
    const int fd = m_fd;
    m_fd = -1;
    if (fd >= 0 && ::close(fd) != 0) return Errno(m_path);
    return {};
}

Result<FileHandle> OpenForReading(const std::string& path, bool followLink, struct stat* opened) {
    return OpenRegular(path, followLink ? O_RDONLY : O_RDONLY | O_NOFOLLOW, 0, opened);
}

Result<std::string> ReadRegularFile(const std::string& path) {
    Result<FileHandle> opened = OpenForReading(path);
    if (!opened) return opened.Error();
    const int fd = opened.Value().Fd();
    struct stat st;
    std::string content;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) content.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return Errno(path);
        }
        if (got == 0) return content;
        content.append(chunk, static_cast<std::size_t>(got));
    }
}

Result<std::int64_t> RegularFileSize(const std::string& path, bool followLink) {
    struct stat st;
    if ((followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return Errno(path);
    if (S_ISDIR(st.st_mode)) return Failure{path, EISDIR};
    if (!S_ISREG(st.st_mode)) return Failure{path, kNotRegularFile};
    return static_cast<std::int64_t>(st.st_size);
}

Result<FileHandle> OpenForAppend(const std::string& path) {
    return OpenRegular(path, O_WRONLY | O_APPEND | O_CREAT, 0666);
}

Result<FileHandle> CreateExclusive(const std::string& path, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return Errno(path);
    return FileHandle(fd, path);
}

Result<FileHandle> CreateTemporary(const std::string& path, mode_t mode) {
    Result<FileHandle> created = CreateExclusive(path, mode);
    if (created || created.Error().error != EEXIST) return created;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return Errno(path);
    return CreateExclusive(path, mode);
}

Status WriteAll(const FileHandle& file, std::string_view data, std::int64_t& written) {
    const std::int64_t failAfter = g_failWriteAfter.load(std::memory_order_relaxed);
    bool injectAfterThis = false;
    if (failAfter >= 0 && written + static_cast<std::int64_t>(data.size()) > failAfter) {
        if (written >= failAfter) return Failure{file.Path(), EIO};
        data = data.substr(0, static_cast<std::size_t>(failAfter - written));
        injectAfterThis = true;
    }
    while (!data.empty()) {
        const ssize_t n = ::write(file.Fd(), data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Errno(file.Path());
        }
        if (n == 0) return Failure{file.Path(), EIO};
        data.remove_prefix(static_cast<std::size_t>(n));
        written += n;
    }
    if (injectAfterThis) return Failure{file.Path(), EIO};
    return {};
}

Result<FileHandle> CreateReplacementTemporary(const std::string& target) {
    Result<FileHandle> created = Failure{target, EEXIST};
    // A name taken meanwhile is never reused, only the next one tried.
    for (int attempt = 0; attempt < 20 && !created && created.Error().error == EEXIST; ++attempt)
        created = CreateExclusive(ReplacementPath(target), 0666);
    return created;
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
    if (status && g_failNextReplaceAfterHalf.exchange(false)) {
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
    // File systems without that rename: a hard link never replaces either.
    if (errno != EINVAL && errno != ENOSYS) return Errno(to);
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
    if (failure.error == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
    return failure;
}

bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool EntryExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
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
