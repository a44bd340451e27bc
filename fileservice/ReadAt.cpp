#include "fileservice/ReadAt.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fileservice {

#ifdef _WIN32

namespace {

// The handle behind the C runtime's descriptor that FileHandle holds.
HANDLE OsHandle(const FileHandle& file) { return reinterpret_cast<HANDLE>(_get_osfhandle(file.Fd())); }

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
    }
}

}  // namespace

Result<std::size_t> ReadAt(const FileHandle& file, char* buffer, std::size_t size, std::int64_t offset) {
    const HANDLE handle = OsHandle(file);
    if (handle == INVALID_HANDLE_VALUE) return Failure{file.Path(), EBADF};
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!ReadFile(handle, buffer, wanted, &read, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) return std::size_t{0};
        return Failure{file.Path(), ErrnoOf(error)};
    }
    return static_cast<std::size_t>(read);
}

Result<std::int64_t> OpenFileSize(const FileHandle& file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(OsHandle(file), &size)) return Failure{file.Path(), ErrnoOf(GetLastError())};
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

}  // namespace fileservice
