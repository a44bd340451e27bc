// One copy: into a hidden temporary beside the target, then renamed over it; holes of a
// sparse source stay holes, and a source that changed while it was read is read again.
//
// An interrupted copy must leave the old target intact, never a truncated one; the
// temporary is removed on every failure, and a leftover of a killed process carries
// a name that the next copy of the same file (or the folder clean-up) removes.
//
// No fsync: a killed process cannot lose data that was renamed into place, and syncing
// every file would make a mirror of many small files several times slower. After a
// power loss a just-renamed file may be empty; a copy-all run repairs it.

#include "fileservice/FileServiceInternal.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fileservice {
namespace {

constexpr char kNotRegular[] = "not a regular file or link";
constexpr char kChanged[] = "source changed while it was copied";
constexpr std::size_t kBufferSize = 128 * 1024;
constexpr std::size_t kMaxRangeChunk = std::size_t{1} << 30;

int Failed(int error, std::string& reason) {
    reason = ErrorText(error);
    return error;
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
int CopyData(int in, int out, std::int64_t expectedSize) {
    std::int64_t written = 0;
    if (!WriteFailureInjected()) {
        while (written < expectedSize) {
            const std::size_t chunk =
                static_cast<std::size_t>(std::min<std::int64_t>(expectedSize - written, kMaxRangeChunk));
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
            if (n > 0) {
                written += n;
                continue;
            }
            if (n == 0) break;
            if (errno == EINTR) continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)
                break;
            return errno;
        }
    }

    // Mostly this read only confirms the end: the large buffer is set up once data follows.
    char probe[512];
    for (;;) {
        const ssize_t n = ::read(in, probe, sizeof probe);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (const int error = WriteAll(out, probe, static_cast<std::size_t>(n), written)) return error;
        break;
    }
    char* const buffer = CopyBuffer();
    for (;;) {
        const ssize_t n = ::read(in, buffer, kBufferSize);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (const int error = WriteAll(out, buffer, static_cast<std::size_t>(n), written)) return error;
    }
}

// Copies the bytes [start, end) of `in` to the same place in `out`; a source cut meanwhile
// ends it early (the check for a changed source catches that).
int CopySegment(int in, int out, off_t start, off_t end, std::int64_t& written) {
    off_t inAt = start;
    off_t outAt = start;
    if (!WriteFailureInjected()) {
        while (inAt < end) {
            const std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(end - inAt, kMaxRangeChunk));
            const ssize_t n = ::copy_file_range(in, &inAt, out, &outAt, chunk, 0);
            if (n > 0) {
                written += n;
                continue;
            }
            if (n == 0) return 0;
            if (errno == EINTR) continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)
                break;
            return errno;
        }
    }
    if (inAt < end && ::lseek(out, inAt, SEEK_SET) < 0) return errno;
    char* const buffer = CopyBuffer();
    while (inAt < end) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(end - inAt, kBufferSize));
        const ssize_t n = ::pread(in, buffer, chunk, inAt);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (const int error = WriteAll(out, buffer, static_cast<std::size_t>(n), written)) return error;
        inAt += n;
    }
    return 0;
}

// A sparse file: only its data is copied and the holes stay holes, so that a disk image of
// 2 GiB holding 4 KiB of data takes 4 KiB in the target too, not 2 GiB. Where the file
// system cannot tell data from holes, the whole file is copied.
int CopySparse(int in, int out, off_t size) {
    std::int64_t written = 0;
    for (off_t at = 0;;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break;  // only a hole follows
            if (at == 0 && errno == EINVAL) return ::lseek(in, 0, SEEK_SET) < 0 ? errno : CopyData(in, out, size);
            return errno;
        }
        const off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0) return errno;
        if (const int error = CopySegment(in, out, data, hole, written)) return error;
        at = hole;
    }
    return ::ftruncate(out, size) == 0 ? 0 : errno;
}

bool SameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Copies the data of `in`, then checks on the descriptor that the source did not change
// meanwhile: a copy of a file being written would be a mix of old and new bytes under the
// source's time, and the next only-newer run would take it for up to date. A changed source
// is copied once more from the start; `st` ends as the state that was copied.
int CopyUnchanged(int in, int out, const std::string& source, struct stat& st, std::string& reason) {
    for (int pass = 0;; ++pass) {
        // Allocated blocks from the fstat already made: a dense file, nearly every file, costs
        // nothing more.
        const bool sparse = st.st_blocks * 512 < st.st_size;
        int error = sparse ? CopySparse(in, out, st.st_size) : CopyData(in, out, st.st_size);
        AfterCopyData(source.c_str());
        if (error != 0) return Failed(error, reason);
        struct stat after;
        if (::fstat(in, &after) != 0) return Failed(errno, reason);
        if (SameState(st, after)) return 0;
        if (pass == 1) {
            reason = kChanged;
            return EAGAIN;
        }
        st = after;
        if (::lseek(in, 0, SEEK_SET) < 0 || ::ftruncate(out, 0) != 0 || ::lseek(out, 0, SEEK_SET) < 0)
            return Failed(errno, reason);
    }
}

int CopyLink(const std::string& destination, const std::string& source, const struct stat& st,
             std::string& reason) {
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlink(source.c_str(), target.data(), target.size());
        if (n < 0) return Failed(errno, reason);
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            break;
        }
        target.resize(target.size() * 2);  // the link changed under us
    }

    const std::string tmp = TemporaryPathFor(destination);
    if (::symlink(target.c_str(), tmp.c_str()) != 0) {
        if (errno != EEXIST) return Failed(errno, reason);
        // A leftover of a killed run.
        if (::unlink(tmp.c_str()) != 0 || ::symlink(target.c_str(), tmp.c_str()) != 0) return Failed(errno, reason);
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    int error = 0;
    // Some file systems keep no link times; the link itself is still mirrored.
    if (::utimensat(AT_FDCWD, tmp.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0 && errno != EOPNOTSUPP) error = errno;
    if (error == 0 && ::rename(tmp.c_str(), destination.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(tmp.c_str());
        return Failed(error, reason);
    }
    return 0;
}

int CopyRegular(const std::string& destination, const std::string& source, std::string& reason) {
    // O_NONBLOCK: should a FIFO have replaced the file since lstat, opening it must not block.
    const int in = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) return Failed(errno, reason);
    struct stat st;
    if (::fstat(in, &st) != 0) {
        const int error = errno;
        ::close(in);
        return Failed(error, reason);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(in);
        reason = kNotRegular;
        return EINVAL;
    }
    ::fcntl(in, F_SETFL, 0);

    const std::string tmp = TemporaryPathFor(destination);
    const int out = CreateTemporary(tmp, S_IRUSR | S_IWUSR);
    if (out < 0) {
        ::close(in);
        return Failed(-out, reason);
    }

    int error = CopyUnchanged(in, out, source, st, reason);
    // Permission bits only: set-id bits are dropped, as the copy may belong to another owner.
    if (error == 0 && ::fchmod(out, st.st_mode & 0777) != 0) error = Failed(errno, reason);
    // The times of the state that was copied, set after the last write so nothing bumps them.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (error == 0 && ::futimens(out, times) != 0) error = Failed(errno, reason);
    ::close(in);
    if (::close(out) != 0 && error == 0) error = Failed(errno, reason);
    if (error == 0 && ::rename(tmp.c_str(), destination.c_str()) != 0) error = Failed(errno, reason);
    if (error != 0) ::unlink(tmp.c_str());
    return error;
}

}  // namespace

int CopyFileSafely(const std::string& destination, const std::string& source, std::string& reason) {
    if (destination.empty() || source.empty()) return Failed(ENOENT, reason);
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0) return Failed(errno, reason);
    if (S_ISLNK(st.st_mode)) return CopyLink(destination, source, st, reason);
    // FIFOs, sockets and devices are never opened: opening a FIFO blocks.
    if (!S_ISREG(st.st_mode)) {
        reason = kNotRegular;
        return EINVAL;
    }
    return CopyRegular(destination, source, reason);
}

}  // namespace fileservice
