#include "FaultHelpers.h"

#include "texts/Texts.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unistd.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint64_t state = 0x9E3779B97F4A7C15ull * (seed + 1);
    for (std::size_t i = 0; i < size; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(bytes.data() + i, &state, std::min<std::size_t>(8, size - i));
    }
    return bytes;
}

std::string FileBytes(const fs::path& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    struct stat st;
    if (::fstat(fd, &st) == 0) bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) bytes.resize(bytes.size() + 4096);
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);
    return bytes;
}

bool IsTemporaryName(const std::string& name) {
    if (name.size() != 25 || name.rfind(".tvl-", 0) != 0 || name.compare(21, 4, ".tmp") != 0) return false;
    return std::all_of(name.begin() + 5, name.begin() + 21,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::vector<std::string> TemporariesBelow(const fs::path& root) {
    std::vector<std::string> found;
    for (const std::string& entry : EntriesBelow(root)) {
        if (IsTemporaryName(fs::path(entry).filename().string())) found.push_back(entry);
    }
    return found;
}

bool CopyCaughtHalfWay(const std::vector<fs::path>& folders, pid_t pid) {
    for (const fs::path& folder : folders) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) continue;
        bool found = false;
        while (const dirent* entry = ::readdir(dir)) {
            if (!IsTemporaryName(entry->d_name)) continue;
            struct stat st;
            if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_size > 0) {
                found = true;
                break;
            }
        }
        ::closedir(dir);
        if (found) return true;
    }
    // An unnamed file shows in the holder's descriptors as "<folder>/#<inode> (deleted)".
    const fs::path descriptors = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    for (const auto& fd : fs::directory_iterator(descriptors, error)) {
        const fs::path open = fs::read_symlink(fd.path(), error);
        if (error || !open.filename().string().starts_with("#")) continue;
        struct stat st;
        if (std::find(folders.begin(), folders.end(), open.parent_path()) != folders.end() &&
            ::stat(fd.path().c_str(), &st) == 0 && st.st_size > 0)
            return true;
    }
    return false;
}

std::vector<std::string> EntriesBelow(const fs::path& root) {
    std::vector<std::string> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::file_status status = it->symlink_status(ec);
        // Lexically: `root` may lie behind /proc/<pid>/root, which must not be resolved.
        if (!fs::is_directory(status)) entries.push_back(it->path().lexically_relative(root).string());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<std::string> Containing(const std::vector<std::string>& lines, const std::string& part) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) out.push_back(line);
    }
    return out;
}

std::string CompletionFor(int failures) { return CompletionMessage(failures).toStdString(); }

std::string Reason(int error) { return ReasonText(error).toStdString(); }

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

std::string Join(const QStringList& lines) { return lines.join(QLatin1Char('\n')).toStdString(); }
