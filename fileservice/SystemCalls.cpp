#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileServiceTesting.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

std::atomic<std::int64_t> g_failWriteAfter{-1};
std::atomic<void (*)(const char*)> g_afterCopyData{nullptr};

constexpr char kTempPrefix[] = ".tvl-";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kTempPrefixLength = sizeof(kTempPrefix) - 1;
constexpr std::size_t kTempSuffixLength = sizeof(kTempSuffix) - 1;
constexpr std::size_t kHashDigits = 16;

// The temporary-like names of the last file listing (their hex digits), sorted: no copy takes
// one of them for its temporary. Almost always empty, so a copy only reads the flag.
std::mutex g_listedMutex;
std::vector<std::uint64_t> g_listedTemporaries;
std::atomic<bool> g_anyListedTemporary{false};

std::string TemporaryName(std::uint64_t hash) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name(kTempPrefix);
    name.resize(kTempPrefixLength + kHashDigits);
    for (std::size_t i = 0; i < kHashDigits; ++i) {
        name[kTempPrefixLength + kHashDigits - 1 - i] = kHex[hash & 0xF];
        hash >>= 4;
    }
    name += kTempSuffix;
    return name;
}

std::uint64_t Fnv1a64(const char* data, std::size_t size) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

// glibc offers the GNU strerror_r (returns a pointer), other C libraries the POSIX one
// (returns an int); overloads pick whichever is declared.
[[maybe_unused]] const char* StrerrorResult(const char* result, const char*) { return result; }
[[maybe_unused]] const char* StrerrorResult(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}

}  // namespace

void SetFailWriteAfterBytes(std::int64_t bytes) { g_failWriteAfter.store(bytes < 0 ? -1 : bytes); }

void SetAfterCopyDataHook(void (*hook)(const char* source)) { g_afterCopyData.store(hook); }

std::string TemporaryNameFor(const std::string& fileName) {
    // Deterministic per target name, so a later copy of the same file replaces a leftover
    // of a killed run; fixed length, so it fits beside any name.
    return TemporaryName(Fnv1a64(fileName.data(), fileName.size()));
}

namespace fileservice {

std::string ErrorText(int error) {
    char buffer[256] = {};
    return StrerrorResult(strerror_r(error, buffer, sizeof buffer), buffer);
}

void AfterCopyData(const char* source) {
    if (const auto hook = g_afterCopyData.load(std::memory_order_relaxed)) hook(source);
}

bool WriteFailureInjected() { return g_failWriteAfter.load(std::memory_order_relaxed) >= 0; }

int WriteAll(int fd, const char* data, std::size_t size, std::int64_t& written) {
    const std::int64_t failAfter = g_failWriteAfter.load(std::memory_order_relaxed);
    bool injectAfterThis = false;
    if (failAfter >= 0 && written + static_cast<std::int64_t>(size) > failAfter) {
        if (written >= failAfter) return EIO;
        size = static_cast<std::size_t>(failAfter - written);
        injectAfterThis = true;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        data += n;
        size -= static_cast<std::size_t>(n);
        written += n;
    }
    return injectAfterThis ? EIO : 0;
}

std::string TemporaryPathFor(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::uint64_t hash = Fnv1a64(path.data() + nameStart, path.size() - nameStart);
    if (g_anyListedTemporary.load(std::memory_order_acquire)) {
        // A listed file of that name is mirrored in this folder: the temporary must be another
        // name, or the copy would remove that file or be overwritten by its copy. The next
        // candidate is as deterministic as the first, so leftovers are still replaced.
        std::lock_guard<std::mutex> lock(g_listedMutex);
        while (std::binary_search(g_listedTemporaries.begin(), g_listedTemporaries.end(), hash))
            hash = (hash + 0x9E3779B97F4A7C15ull) * 1099511628211ull;
    }
    return path.substr(0, nameStart) + TemporaryName(hash);
}

bool IsTemporaryName(std::string_view name, std::uint64_t* hash) {
    if (name.size() != kTempPrefixLength + kHashDigits + kTempSuffixLength) return false;
    if (name.compare(0, kTempPrefixLength, kTempPrefix) != 0) return false;
    if (name.compare(kTempPrefixLength + kHashDigits, kTempSuffixLength, kTempSuffix) != 0) return false;
    std::uint64_t digits = 0;
    for (std::size_t i = kTempPrefixLength; i < kTempPrefixLength + kHashDigits; ++i) {
        const char c = name[i];
        if (c >= '0' && c <= '9') digits = digits << 4 | static_cast<std::uint64_t>(c - '0');
        else if (c >= 'a' && c <= 'f') digits = digits << 4 | static_cast<std::uint64_t>(c - 'a' + 10);
        else return false;
    }
    if (hash) *hash = digits;
    return true;
}

void KeepListedTemporaries(std::vector<std::uint64_t> hashes) {
    std::sort(hashes.begin(), hashes.end());
    std::lock_guard<std::mutex> lock(g_listedMutex);
    g_listedTemporaries.swap(hashes);
    g_anyListedTemporary.store(!g_listedTemporaries.empty(), std::memory_order_release);
}

int CreateTemporary(const std::string& tmpPath, mode_t mode) {
    // O_NOFOLLOW and O_EXCL: never write through a link or into a file someone else holds.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(tmpPath.c_str(), flags, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST || attempt == 1) return -errno;
        if (::unlink(tmpPath.c_str()) != 0 && errno != ENOENT) return -errno;
    }
    return -EEXIST;
}

}  // namespace fileservice
