// One copy: into a hidden temporary beside the target, then renamed over it.
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
constexpr std::size_t kBufferSize = 128 * 1024;
constexpr std::size_t kMaxRangeChunk = std::size_t{1} << 30;

int Failed(int error, std::string& reason) {
    reason = ErrorText(error);
    return error;
}

// Copies from the current offsets until end of file: copy_file_range as long as the file
// system takes it, then read/write, which also confirms the end (a source that grew is
// copied as far as it was read; some file systems report no data to copy_file_range).
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

    // Mostly this read only confirms the end: the large buffer is set up once data follows,
    // so that copy workers that never need it do not keep it.
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
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer) buffer.reset(new char[kBufferSize]);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), kBufferSize);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (const int error = WriteAll(out, buffer.get(), static_cast<std::size_t>(n), written)) return error;
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

    int error = CopyData(in, out, st.st_size);
    // Permission bits only: set-id bits are dropped, as the copy may belong to another owner.
    if (error == 0 && ::fchmod(out, st.st_mode & 0777) != 0) error = errno;
    // The times of the source as opened, set after the last write so nothing bumps them; a
    // source that changed during the copy then still counts as newer on the next run.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (error == 0 && ::futimens(out, times) != 0) error = errno;
    ::close(in);
    if (::close(out) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(tmp.c_str(), destination.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(tmp.c_str());
        return Failed(error, reason);
    }
    return 0;
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
