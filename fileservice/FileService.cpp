// Folder checks, version texts and their comparison, leftover clean-up and line deletion.
// Listing lives in DirectoryWalk.cpp, copying in SafeCopy.cpp and CopyPool.cpp.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <memory>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kNanosPerSecond = 1000000000;
// FAT keeps modification times in steps of two seconds.
constexpr std::int64_t kToleranceNanos = 2 * kNanosPerSecond;
constexpr int kNanoDigits = 9;

struct VersionTime {
    std::int64_t seconds = 0;
    std::int64_t nanos = 0;
    std::int64_t size = -1;  // -1: the text carries none
};

// Parses "<seconds>[.<up to nine digits>][ <size>]"; anything else is no version.
bool ParseVersion(const char* text, VersionTime& time) {
    if (!text || !*text) return false;
    const char* end = text + std::strlen(text);
    const char* blank = std::find(text, end, ' ');
    time.size = -1;
    if (blank != end) {
        const auto [afterSize, error] = std::from_chars(blank + 1, end, time.size);
        if (error != std::errc() || afterSize != end || afterSize == blank + 1 || time.size < 0) return false;
        end = blank;
    }
    const auto [afterSeconds, error] = std::from_chars(text, end, time.seconds);
    if (error != std::errc() || afterSeconds == text) return false;
    time.nanos = 0;
    if (afterSeconds == end) return true;
    if (*afterSeconds != '.') return false;
    const char* digit = afterSeconds + 1;
    const std::ptrdiff_t digits = end - digit;
    if (digits < 1 || digits > kNanoDigits) return false;
    for (int i = 0; i < kNanoDigits; ++i) {
        int value = 0;
        if (i < digits) {
            if (digit[i] < '0' || digit[i] > '9') return false;
            value = digit[i] - '0';
        }
        time.nanos = time.nanos * 10 + value;
    }
    return true;
}

// Reads the whole of `fd` into `content`; returns 0 or errno.
int ReadAll(int fd, std::size_t sizeHint, std::string& content) {
    content.resize(sizeHint + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) content.resize(content.size() * 2);
        const ssize_t n = ::read(fd, content.data() + used, content.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    content.resize(used);
    return 0;
}

// Replaces `path` with `content` through a temporary and a rename, keeping owner and mode.
int ReplaceFile(const std::string& path, const std::string& content, const struct stat& original) {
    const std::string tmp = fileservice::TemporaryPathFor(path);
    const int fd = fileservice::CreateTemporary(tmp, S_IRUSR | S_IWUSR);
    if (fd < 0) return -fd;
    std::int64_t written = 0;
    int error = fileservice::WriteAll(fd, content.data(), content.size(), written);
    // Owner first: changing it clears set-id bits that fchmod then restores. Only root
    // can give a file away; otherwise the rewritten file belongs to us, as any rewrite would.
    if (error == 0 && (original.st_uid != ::geteuid() || original.st_gid != ::getegid()))
        (void)::fchown(fd, original.st_uid, original.st_gid);
    if (error == 0 && ::fchmod(fd, original.st_mode & 07777) != 0) error = errno;
    // Unlike a mirror copy, the edited file has no second copy to restore it from: sync it.
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(tmp.c_str());
    return error;
}

// Decides whether a line (without its ending) with this number (1 = first) is the one to remove.
using LineMatcher = bool (*)(std::string_view line, std::int64_t number, const void* context);

// Reads `file`, removes the first line `matches` accepts, and replaces the file atomically.
std::int32_t DeleteLine(const char* file, LineMatcher matches, const void* context) {
    if (!file || !*file) return EINVAL;
    try {
        std::string path = file;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (S_ISLNK(st.st_mode)) {
            // Edit the file the link points to; replacing the link itself would cut it off.
            char* real = ::realpath(path.c_str(), nullptr);
            if (!real) return errno == ENOENT ? 0 : errno;
            path = real;
            std::free(real);
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return errno == ENOENT ? 0 : errno;
        if (::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        }
        std::string content;
        const int readError = ReadAll(fd, static_cast<std::size_t>(st.st_size), content);
        ::close(fd);
        if (readError != 0) return readError;

        std::size_t position = 0;
        std::int64_t number = 1;
        while (position < content.size()) {
            const std::size_t newline = content.find('\n', position);
            const std::size_t lineEnd = newline == std::string::npos ? content.size() : newline + 1;
            std::string_view line(content.data() + position,
                                  (newline == std::string::npos ? content.size() : newline) - position);
            // "\r\n" and "\n" end a line; a lone '\r' at the end of the file is content.
            if (newline != std::string::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (matches(line, number, context)) {
                content.erase(position, lineEnd - position);
                return ReplaceFile(path, content, st);
            }
            position = lineEnd;
            ++number;
        }
        return 0;
    } catch (const std::exception&) {
        return ENOMEM;
    }
}

}  // namespace

std::int32_t VBFOLDEREXISTS(const char* folder) {
    struct stat st;
    if (!folder || !*folder || ::stat(folder, &st) != 0) return 0;
    return S_ISDIR(st.st_mode) ? 1 : 0;
}

std::string VBFILEVERSION(const char* file) {
    if (!file || !*file) return {};
    struct timespec mtime;
    std::int64_t size = -1;
    // The files of the last listing, asked in listing order, cost no second stat
    // (see ListingSnapshot.cpp).
    const fileservice::Listed listed = fileservice::ListedVersion(file, mtime, size);
    if (listed == fileservice::Listed::NoFile) return {};
    if (listed == fileservice::Listed::Unknown) {
        struct stat st;
        // The link's own time: links are mirrored as links, with their own times.
        if (::lstat(file, &st) != 0 || S_ISDIR(st.st_mode)) return {};
        mtime = st.st_mtim;
        size = st.st_size;
    }
    // "<seconds>.<nine digits> <size>", without printf: a pass asks this twice per file.
    char text[64];
    char* end = std::to_chars(text, text + 24, static_cast<long long>(mtime.tv_sec)).ptr;
    *end++ = '.';
    long nanos = static_cast<long>(mtime.tv_nsec);
    for (int i = kNanoDigits - 1; i >= 0; --i) {
        end[i] = static_cast<char>('0' + nanos % 10);
        nanos /= 10;
    }
    end += kNanoDigits;
    if (size >= 0) {
        *end++ = ' ';
        end = std::to_chars(end, text + sizeof text, static_cast<long long>(size)).ptr;
    }
    return std::string(text, static_cast<std::size_t>(end - text));
}

std::int32_t VBFILEISNEWER(const char* first, const char* second, std::int32_t) {
    VersionTime firstTime;
    VersionTime secondTime;
    if (!ParseVersion(first, firstTime)) return 0;
    // No target yet (or none that we can read a time from): copy.
    if (!ParseVersion(second, secondTime)) return -1;
    const __int128 difference =
        (static_cast<__int128>(firstTime.seconds) - secondTime.seconds) * kNanosPerSecond +
        (firstTime.nanos - secondTime.nanos);
    if (difference > kToleranceNanos) return -1;
    // Within the tolerance the times match; a file of another size is still not the same
    // (a cut or emptied copy). A target newer than that is never replaced.
    const bool otherSize = firstTime.size >= 0 && secondTime.size >= 0 && firstTime.size != secondTime.size;
    return otherSize && difference >= -kToleranceNanos ? -1 : 0;
}

std::int32_t VBFOLDERREMOVELEFTOVERS(const char* folder, const char* sourceFolder) {
    if (!folder || !*folder) return -1;
    // A pending copy's temporary is not a leftover.
    fileservice::WaitForPendingCopies();
    return fileservice::RemoveLeftovers(folder, sourceFolder);
}

namespace fileservice {

std::int32_t RemoveLeftovers(const char* folder, const char* sourceFolder) {
    try {
        const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
        if (!dir) {
            ::close(fd);
            return -1;
        }
        // Collect first: removing entries while reading the folder may skip others.
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir.get())) {
            if (entry->d_type != DT_DIR && IsTemporaryName(entry->d_name)) names.emplace_back(entry->d_name);
        }
        if (names.empty()) return 0;
        // A name the source has is a mirrored file that only looks like a leftover.
        int sourceFd = -1;
        if (sourceFolder && *sourceFolder) {
            sourceFd = ::open(sourceFolder, O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (sourceFd < 0 && errno != ENOENT && errno != ENOTDIR) return 0;  // cannot tell: keep them all
        }
        std::int32_t removed = 0;
        for (const std::string& name : names) {
            struct stat st;
            if (sourceFd >= 0 && (::fstatat(sourceFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT))
                continue;
            // Flag 0 refuses directories, so a folder that happens to match stays.
            if (::unlinkat(::dirfd(dir.get()), name.c_str(), 0) == 0) ++removed;
        }
        if (sourceFd >= 0) ::close(sourceFd);
        return removed;
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace fileservice

std::int32_t VBFILEDELETEBYLINENUMBER(const char* file, std::int32_t& lineNumber) {
    const std::int64_t wanted = lineNumber;
    if (wanted < 1) return 0;
    return DeleteLine(
        file, [](std::string_view, std::int64_t number, const void* context) {
            return number == *static_cast<const std::int64_t*>(context);
        },
        &wanted);
}

std::int32_t VBFILEDELETELINEBYTEXT(const char* file, const char* line, std::int8_t&) {
    if (!line) return EINVAL;
    const std::string_view wanted(line);
    return DeleteLine(
        file, [](std::string_view candidate, std::int64_t, const void* context) {
            return candidate == *static_cast<const std::string_view*>(context);
        },
        &wanted);
}
