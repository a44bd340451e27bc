// One copy: into a file without a name in the target's folder, named once it is whole, or
// where the file system has no such files, into a hidden temporary beside the target, then
// renamed over it; holes of a sparse source stay holes, and a source that changed while it
// was read is read again.
//
// An interrupted copy must leave the old target intact, never a truncated one. A file
// without a name vanishes with its process; a temporary is removed on every failure, and a
// leftover of a killed process carries a name that the next copy of the same file (or the
// folder clean-up) removes.
//
// No fsync: a killed process cannot lose data that was renamed into place, and syncing
// every file would make a mirror of many small files several times slower. After a
// power loss a just-renamed file may be empty; a copy-all run repairs it.

#include "fileservice/FileServiceInternal.h"
#include "fileservice/AtomicReplace.h"
#include "fileservice/Medium.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace fileservice {
namespace {

constexpr std::size_t kBufferSize = 128 * 1024;
constexpr std::size_t kMaxRangeChunk = std::size_t{1} << 30;

Failure Errno(const FileHandle& file) { return Failure{file.Path(), errno}; }

// The file system (or the pair of them) cannot copy inside the kernel: read and write instead.
bool InKernelCopyUnavailable(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

// Set up once data follows copy_file_range, so that copy workers that never need it do not keep it.
char* CopyBuffer() {
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer) buffer.reset(new char[kBufferSize]);
    return buffer.get();
}

// Copies from the current offsets until end of file: copy_file_range as long as the file
// system takes it, then read/write, which also confirms the end (a source that grew is
// copied as far as it was read, which CopyUnchanged then notices; some file systems report
// no data to copy_file_range).
Status CopyData(const FileHandle& in, const FileHandle& out, std::int64_t expectedSize) {
    std::int64_t written = 0;
    if (!WriteFailureInjected()) {
        while (written < expectedSize) {
            const std::size_t chunk =
                static_cast<std::size_t>(std::min<std::int64_t>(expectedSize - written, kMaxRangeChunk));
            const Result<std::int64_t> n = CopyRange(in, nullptr, out, nullptr, chunk);
            if (n && n.Value() > 0) {
                written += n.Value();
                continue;
            }
            if (n || InKernelCopyUnavailable(n.Error().error)) break;
            return n.Error();
        }
    }

    // Mostly the first read only confirms the end: the large buffer is set up once data follows.
    char probe[512];
    char* buffer = probe;
    std::size_t size = sizeof probe;
    for (;;) {
        const ssize_t n = ::read(in.Fd(), buffer, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Errno(in);
        }
        if (n == 0) return {};
        if (Status status = WriteAll(out, std::string_view(buffer, static_cast<std::size_t>(n)), written); !status)
            return status;
        if (buffer == probe) {
            buffer = CopyBuffer();
            size = kBufferSize;
        }
    }
}

// Copies the bytes [start, end) of `in` to the same place in `out`; a source cut meanwhile
// ends it early (the check for a changed source catches that).
Status CopySegment(const FileHandle& in, const FileHandle& out, off_t start, off_t end, std::int64_t& written) {
    off_t inAt = start;
    off_t outAt = start;
    if (!WriteFailureInjected()) {
        while (inAt < end) {
            const std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(end - inAt, kMaxRangeChunk));
            const Result<std::int64_t> n = CopyRange(in, &inAt, out, &outAt, chunk);
            if (n && n.Value() > 0) {
                written += n.Value();
                continue;
            }
            if (n) return {};
            if (InKernelCopyUnavailable(n.Error().error)) break;
            return n.Error();
        }
    }
    if (inAt < end && ::lseek(out.Fd(), inAt, SEEK_SET) < 0) return Errno(out);
    char* const buffer = CopyBuffer();
    while (inAt < end) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(end - inAt, kBufferSize));
        const ssize_t n = ::pread(in.Fd(), buffer, chunk, inAt);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Errno(in);
        }
        if (n == 0) return {};
        if (Status status = WriteAll(out, std::string_view(buffer, static_cast<std::size_t>(n)), written); !status)
            return status;
        inAt += n;
    }
    return {};
}

// A sparse file: only its data is copied and the holes stay holes, so that a disk image of
// 2 GiB holding 4 KiB of data takes 4 KiB in the target too, not 2 GiB. Where the file
// system cannot tell data from holes, the whole file is copied.
Status CopySparse(const FileHandle& in, const FileHandle& out, off_t size) {
    std::int64_t written = 0;
    for (off_t at = 0;;) {
        const off_t data = ::lseek(in.Fd(), at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break;  // only a hole follows
            if (at == 0 && errno == EINVAL)
                return ::lseek(in.Fd(), 0, SEEK_SET) < 0 ? Status(Errno(in)) : CopyData(in, out, size);
            return Errno(in);
        }
        const off_t hole = ::lseek(in.Fd(), data, SEEK_HOLE);
        if (hole < 0) return Errno(in);
        if (Status status = CopySegment(in, out, data, hole, written); !status) return status;
        at = hole;
    }
    return Truncate(out, size);
}

bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Copies the data of `in`, then checks on the descriptor that the source did not change
// meanwhile: a copy of a file being written would be a mix of old and new bytes under the
// source's time, and the next only-newer run would take it for up to date. A changed source
// is copied once more from the start; `st` ends as the state that was copied.
Status CopyUnchanged(const FileHandle& in, const FileHandle& out, struct stat& st) {
    for (int pass = 0;; ++pass) {
        // Allocated blocks from the fstat already made: a dense file, nearly every file, costs
        // nothing more.
        const bool sparse = st.st_blocks * 512 < st.st_size;
        const Status copied = sparse ? CopySparse(in, out, st.st_size) : CopyData(in, out, st.st_size);
        AfterCopyData(in.Path().c_str());
        if (!copied) return copied;
        struct stat after;
        if (::fstat(in.Fd(), &after) != 0) return Errno(in);
        if (SameState(st, after)) return {};
        if (pass == 1) return Failure{in.Path(), kSourceChanged};
        st = after;
        if (::lseek(in.Fd(), 0, SEEK_SET) < 0) return Errno(in);
        if (Status cut = Truncate(out, 0); !cut) return cut;
        if (::lseek(out.Fd(), 0, SEEK_SET) < 0) return Errno(out);
    }
}

Status CopyLink(const std::string& destination, const std::string& source, const struct stat& st) {
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlink(source.c_str(), target.data(), target.size());
        if (n < 0) return Failure{source, errno};
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            break;
        }
        target.resize(target.size() * 2);  // the link changed under us
    }

    const std::string tmp = TemporaryPathFor(destination, source);
    if (Status made = CreateLinkTemporary(tmp, target); !made) return made;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    // Some file systems keep no link times; the link itself is still mirrored.
    Status status = SetLinkTimes(tmp, times);
    if (status) status = Rename(tmp, destination);
    if (!status) (void)Remove(tmp);
    return status;
}

std::atomic<std::uint64_t> g_folderGeneration{0};
thread_local bool t_keepFolders = false;

// Where a copy reads or writes: the name in a folder kept open, or the whole path.
struct Place {
    int folder;
    const char* name;
};

// One folder a copy worker keeps open, with the generation it was opened in.
class KeptFolder {
public:
    KeptFolder() = default;
    KeptFolder(const KeptFolder&) = delete;
    KeptFolder& operator=(const KeptFolder&) = delete;
    ~KeptFolder() { Close(); }

    // The folder of `path` and the name in it; the path itself where no folder is kept.
    Place For(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        if (!t_keepFolders || slash == std::string::npos || slash == 0) return {AT_FDCWD, path.c_str()};
        const std::string_view folder(path.data(), slash + 1);
        const std::uint64_t generation = g_folderGeneration.load(std::memory_order_acquire);
        if (m_fd < 0 || generation != m_generation || folder != m_folder) {
            Close();
            m_folder = folder;
            // A folder that cannot be opened is left to the path, which then gives the failure.
            m_fd = ::open(m_folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (m_fd < 0) return {AT_FDCWD, path.c_str()};
            m_generation = generation;
        }
        return {m_fd, path.c_str() + slash + 1};
    }

    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    std::string m_folder;  // with its last slash
    int m_fd = -1;
    std::uint64_t m_generation = 0;
};

thread_local KeptFolder t_sourceFolder;
thread_local KeptFolder t_targetFolder;

// Naming a descriptor needs /proc where the kernel does not let its opener link it directly
// (before Linux 6.10, without CAP_DAC_READ_SEARCH). Without /proc every copy takes a named
// temporary.
bool UnnamedFilesUsable() {
#ifdef O_TMPFILE
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable && !UnnamedCopiesDisabled();
#else
    return false;
#endif
}

// A new file costs one entry in the folder this way, not a temporary's entry and its
// rename. Fails where the file system has no such files (FAT, exFAT, FUSE, NFS).
Result<FileHandle> CreateUnnamed(const std::string& destination, const Place& to) {
#ifdef O_TMPFILE
    int fd = -1;
    if (to.folder != AT_FDCWD) {
        fd = ::openat(to.folder, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, S_IRUSR | S_IWUSR);
    } else {
        const std::size_t slash = destination.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string(".") : destination.substr(0, slash + 1);
        fd = ::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, S_IRUSR | S_IWUSR);
    }
    if (fd < 0) return Failure{destination, errno};
    return FileHandle(fd, destination);
#else
    (void)to;
    return Failure{destination, EOPNOTSUPP};
#endif
}

std::atomic<int> g_linkByDescriptor{0};  // 1 the kernel allows it, -1 it does not, 0 not known yet

Status LinkUnnamed(const FileHandle& file, const Place& to, const std::string& path) {
    const int known = LinkThroughProcForced() ? -1 : g_linkByDescriptor.load(std::memory_order_relaxed);
    if (known >= 0) {
        if (::linkat(file.Fd(), "", to.folder, to.name, AT_EMPTY_PATH) == 0) {
            if (known == 0) g_linkByDescriptor.store(1, std::memory_order_relaxed);
            return {};
        }
        // Refused, it says ENOENT.
        if (known == 1 || errno != ENOENT) return Failure{path, errno};
    }
    char link[40];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", file.Fd());
    if (::linkat(AT_FDCWD, link, to.folder, to.name, AT_SYMLINK_FOLLOW) != 0) return Failure{path, errno};
    if (known == 0) g_linkByDescriptor.store(-1, std::memory_order_relaxed);
    return {};
}

// Names the whole unnamed copy and closes it: a new file at once; over an existing entry
// through a temporary name and a rename, so the old file is replaced whole or not at all.
Status NameAndClose(FileHandle& file, const std::string& destination, const Place& to, const std::string& source) {
    Status linked = LinkUnnamed(file, to, destination);
    if (linked || linked.Error().error != EEXIST) {
        const Status closed = file.Close();
        // Nothing stood at the name before: a copy whose close failed is taken back.
        if (linked && !closed) (void)Remove(destination);
        return linked ? closed : linked;
    }
    const std::string tmp = TemporaryPathFor(destination, source);
    const Place temporary{AT_FDCWD, tmp.c_str()};
    linked = LinkUnnamed(file, temporary, tmp);
    if (!linked && linked.Error().error == EEXIST && Remove(tmp)) linked = LinkUnnamed(file, temporary, tmp);  // a leftover
    Status status = file.Close();
    if (!linked) return linked;
    if (status) status = Rename(tmp, destination);
    if (!status) (void)Remove(tmp);
    return status;
}

// A rename refused for a name with a character that FAT, exFAT and Windows do not allow
// (fusefat says EPERM, exfat-fuse ENOENT): the name is the reason, not the system's text.
Failure NamedFailure(Failure failure, const std::string& destination) {
    const int error = failure.error;
    if (error != EPERM && error != EINVAL && error != ENOENT && error != EILSEQ) return failure;
    const std::string_view name = std::string_view(destination).substr(destination.rfind('/') + 1);
    if (name.find_first_of(":*?\"<>|\\") != std::string_view::npos) failure.error = kNameNotAllowed;
    return failure;
}

Result<std::int64_t> CopyRegular(const std::string& destination, const std::string& source, const Place& from,
                                 const CopyTraits& traits, int& lost) {
    // Opened without blocking: should a FIFO have replaced the file since lstat, it is refused.
    struct stat st;
    Result<FileHandle> in = OpenForReadingIn(from.folder, from.name, source, &st);
    if (!in) return in.Error();
    // Before a byte is written: the file system would refuse it at its limit, gigabytes later.
    if (traits.maxFileSize >= 0 && st.st_size > traits.maxFileSize) return Failure{destination, kTooLargeForFat};

    const bool mayBeUnnamed = UnnamedFilesUsable();
    const Place to = mayBeUnnamed ? t_targetFolder.For(destination) : Place{AT_FDCWD, destination.c_str()};
    Result<FileHandle> out = mayBeUnnamed ? CreateUnnamed(destination, to) : Failure{destination, EOPNOTSUPP};
    const bool unnamed = out.Ok();
    std::string tmp;
    if (!unnamed) {
        tmp = TemporaryPathFor(destination, source);
        out = CreateTemporary(tmp, S_IRUSR | S_IWUSR);
        if (!out) return out.Error();
    }

    Status status = CopyUnchanged(in.Value(), out.Value(), st);
    // Permission bits only: set-id bits are dropped, as the copy may belong to another owner.
    // The times of the state that was copied, set after the last write so nothing bumps them.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    // Told only for a file that lands.
    int notKept = 0;
    if (status) notKept = SetModeAndTimes(out.Value(), st.st_mode & 0777, times);
    if (unnamed) {
        // Closing without a name leaves nothing behind.
        if (status) {
            status = NameAndClose(out.Value(), destination, to, source);
            if (!status) status = NamedFailure(status.Error(), destination);
        }
        if (!status) return status.Error();
    } else {
        const Status closed = out.Value().Close();
        if (status) status = closed;
        if (status) {
            status = Rename(tmp, destination);
            if (!status) status = NamedFailure(status.Error(), destination);
        }
        if (!status) {
            (void)Remove(tmp);
            return status.Error();
        }
    }
    // fusefat gives a renamed file the time of the rename.
    if (traits.timesAfterRename && ::utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        notKept |= kTimesLost;
    lost |= notKept;
    return static_cast<std::int64_t>(st.st_size);
}

}  // namespace

Result<std::int64_t> CopyFileSafely(const std::string& destination, const std::string& source,
                                    const CopyTraits& traits, int* lost) {
    int ignored = 0;
    if (destination.empty() || source.empty()) return Failure{destination, ENOENT};
    const Place from = t_sourceFolder.For(source);
    struct stat st;
    if (::fstatat(from.folder, from.name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Failure{source, errno};
    if (S_ISLNK(st.st_mode)) {
        const Status copied = CopyLink(destination, source, st);
        if (!copied) return copied.Error();
        return std::int64_t{0};
    }
    // FIFOs, sockets and devices are never opened: opening a FIFO blocks.
    if (!S_ISREG(st.st_mode)) return Failure{source, kNotRegularFile};
    return CopyRegular(destination, source, from, traits, lost ? *lost : ignored);
}

void KeepCopyFoldersOpen() { t_keepFolders = true; }

void CloseCopyFolders() {
    t_sourceFolder.Close();
    t_targetFolder.Close();
}

void FoldersMayHaveChanged() { g_folderGeneration.fetch_add(1, std::memory_order_release); }

}  // namespace fileservice
