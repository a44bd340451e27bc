#include "bench/BenchTrees.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kBaseTime = 1700000000;  // 14.11.2023, a fixed past time
constexpr std::int64_t kNewYear2024 = 1704067200;  // 2024-01-01 00:00:00 UTC
constexpr std::size_t kChunk = 1 << 20;

// Names with blanks and umlauts at every level: the engine converts each name twice.
const char* const kLevelNames[] = {"Ordner \xC3\x84 ", "Teil \xC3\xB6 ", "Blatt \xC3\xBC "};
constexpr char kFileName[] = "Datei \xC3\x9F ";

std::string Numbered(const char* head, int number, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*d", digits, number);
    return std::string(head) + text;
}

std::uint64_t Mix(std::uint64_t x) {
    // splitmix64: a well-spread word per 8 bytes, cheap enough for 512 MiB.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

class TreeWriter {
public:
    TreeWriter(const TreeShape& shape) : m_shape(shape), m_buffer(new char[kChunk]) {}

    std::string Folder(const std::string& path, std::size_t level) {
        if (::mkdir(path.c_str(), 0755) != 0) return path + ": " + std::strerror(errno);
        if (level > 0 || m_shape.filesInRoot) {
            for (int i = 0; i < m_shape.filesPerFolder; ++i) {
                if (std::string error = File(path + "/" + Numbered(kFileName, i, 4) + ".dat"); !error.empty())
                    return error;
            }
        }
        if (level == m_shape.levels.size()) return {};
        const char* head = kLevelNames[std::min<std::size_t>(level, 2)];
        for (int i = 0; i < m_shape.levels[level]; ++i) {
            if (std::string error = Folder(path + "/" + Numbered(head, i, 3), level + 1); !error.empty()) return error;
        }
        return {};
    }

private:
    std::string File(const std::string& path) {
        const std::uint64_t index = m_nextIndex++;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) return path + ": " + std::strerror(errno);
        std::string error;
        for (std::int64_t done = 0; done < m_shape.fileSize && error.empty();) {
            const std::size_t size = static_cast<std::size_t>(std::min<std::int64_t>(kChunk, m_shape.fileSize - done));
            FillContent(index, m_buffer.get(), size, static_cast<std::uint64_t>(done));
            if (::write(fd, m_buffer.get(), size) != static_cast<ssize_t>(size)) error = path + ": short write";
            done += static_cast<std::int64_t>(size);
        }
        std::int64_t seconds = m_shape.fileTime;
        long nanos = 0;
        if (seconds == 0) ContentTime(index, seconds, nanos);
        const struct timespec times[2] = {{seconds, nanos}, {seconds, nanos}};
        if (error.empty() && ::futimens(fd, times) != 0) error = path + ": " + std::strerror(errno);
        ::close(fd);
        return error;
    }

    const TreeShape& m_shape;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_nextIndex = 0;
};

}  // namespace

TreeShape ShapeNamed(const std::string& name, bool& ok) {
    ok = true;
    if (name == "S") return {"S", {8, 4, 5}, 100, 4096, false};
    if (name == "L") return {"L", {}, 8, std::int64_t{64} << 20, true};
    if (name == "K") return {"K", {10, 99}, 100, 0, false, kNewYear2024};
    if (name == "M") return {"M", {10, 9}, 100, 0, false, kNewYear2024};
    if (name == "X") return {"X", {10, 99}, 1000, 0, false, kNewYear2024};
    ok = false;
    return {};
}

std::int64_t FolderCount(const TreeShape& shape) {
    std::int64_t total = 0;
    std::int64_t atLevel = 1;
    for (int count : shape.levels) {
        atLevel *= count;
        total += atLevel;
    }
    return total;
}

std::int64_t FileCount(const TreeShape& shape) {
    return (FolderCount(shape) + (shape.filesInRoot ? 1 : 0)) * shape.filesPerFolder;
}

void FillContent(std::uint64_t fileIndex, char* data, std::size_t size, std::uint64_t offset) {
    const std::uint64_t seed = Mix(fileIndex + 1);
    for (std::size_t i = 0; i < size;) {
        const std::uint64_t position = offset + i;
        const std::uint64_t word = Mix(seed ^ (position / 8));
        const std::size_t inWord = position % 8;
        const std::size_t take = std::min<std::size_t>(8 - inWord, size - i);
        for (std::size_t b = 0; b < take; ++b) data[i + b] = static_cast<char>(word >> (8 * (inWord + b)));
        i += take;
    }
}

void ContentTime(std::uint64_t fileIndex, std::int64_t& seconds, long& nanoseconds) {
    seconds = kBaseTime + static_cast<std::int64_t>(fileIndex) * 7;
    nanoseconds = static_cast<long>((fileIndex * 123456789ull) % 1000000000ull);
}

std::string MakeTree(const TreeShape& shape, const std::string& root) {
    TreeWriter writer(shape);
    return writer.Folder(root, 0);
}

std::int64_t TouchNewer(const std::string& root, int nth, std::int64_t seconds) {
    if (nth < 1) return -1;
    std::error_code error;
    std::vector<std::string> files;
    for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) files.push_back(it->path().string());
    }
    if (error) return -1;
    std::sort(files.begin(), files.end());
    std::int64_t touched = 0;
    for (std::size_t i = 0; i < files.size(); i += static_cast<std::size_t>(nth)) {
        struct stat st;
        if (::lstat(files[i].c_str(), &st) != 0) return -1;
        struct timespec times[2] = {st.st_atim, st.st_mtim};
        times[1].tv_sec += seconds;
        if (::utimensat(AT_FDCWD, files[i].c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return -1;
        ++touched;
    }
    return touched;
}
