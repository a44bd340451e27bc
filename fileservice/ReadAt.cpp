#include "fileservice/ReadAt.h"

#include <cerrno>
#include <string>

#ifdef _WIN32
#include "fileservice/win/Win32.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fileservice {

#ifdef _WIN32

// FileHandle keeps the file's handle behind a C runtime descriptor (win/Win32.h).
Result<std::size_t> ReadAt(const FileHandle& file, char* buffer, std::size_t size, std::int64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!::ReadFile(NativeHandle(file), buffer, wanted, &read, &at)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) return std::size_t{0};
        return LastFailure(file.Path());
    }
    return static_cast<std::size_t>(read);
}

Result<std::int64_t> OpenFileSize(const FileHandle& file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(NativeHandle(file), &size)) return LastFailure(file.Path());
    return static_cast<std::int64_t>(size.QuadPart);
}

#else

Result<std::size_t> ReadAt(const FileHandle& file, char* buffer, std::size_t size, std::int64_t offset) {
    for (;;) {
        const ssize_t n = ::pread(file.Fd(), buffer, size, static_cast<off_t>(offset));
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return Failure{file.Path(), errno};
    }
}

Result<std::int64_t> OpenFileSize(const FileHandle& file) {
    struct stat st;
    if (::fstat(file.Fd(), &st) != 0) return Failure{file.Path(), errno};
    return static_cast<std::int64_t>(st.st_size);
}

#endif

Result<std::string> ReadRegularFile(const std::string& path) {
    Result<FileHandle> opened = OpenForReading(path);
    if (!opened) return opened.Error();
    std::string content;
    if (const Result<std::int64_t> size = OpenFileSize(opened.Value()); size && size.Value() > 0)
        content.reserve(static_cast<std::size_t>(size.Value()));
    char chunk[65536];
    for (std::int64_t at = 0;;) {
        const Result<std::size_t> got = ReadAt(opened.Value(), chunk, sizeof chunk, at);
        if (!got) return got.Error();
        if (got.Value() == 0) return content;
        content.append(chunk, got.Value());
        at += static_cast<std::int64_t>(got.Value());
    }
}

}  // namespace fileservice
