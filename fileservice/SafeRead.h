#pragma once

// Reading and appending through the safe-file layer: opens that never block on a FIFO nor
// take anything but a regular file, and the one function that writes data to a file.

#include "fileservice/Failure.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace fileservice {

// An open file descriptor and the path it was opened by; closed with its owner. On Windows the
// descriptor wraps the file's handle (win/Win32.h: NativeHandle).
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // Closes now; a failed close means that written data may be lost.
    Status Close();

private:
    int m_fd = -1;
    std::string m_path;
};

// The regular file at `path` opened for reading (a link followed unless `followLink` is false,
// ELOOP then); anything else is refused (kNotRegularFile, EISDIR) without blocking on a FIFO.
#ifdef _WIN32
Result<FileHandle> OpenForReading(const std::string& path, bool followLink = true);
#else
// `opened`, when given, gets what the open found there.
Result<FileHandle> OpenForReading(const std::string& path, bool followLink = true, struct stat* opened = nullptr);
// The same for `name` in the open folder `folder` (or AT_FDCWD), a link not followed; `path`
// names the file in failures.
Result<FileHandle> OpenForReadingIn(int folder, const char* name, const std::string& path, struct stat* opened);
#endif

// The whole of the regular file at `path`, opened as OpenForReading does.
Result<std::string> ReadRegularFile(const std::string& path);

// The size of the regular file at `path` (a link followed unless `followLink` is false),
// read without opening it.
Result<std::int64_t> RegularFileSize(const std::string& path, bool followLink = true);

// The regular file at `path` opened for appending, created (0666 less the umask) when missing;
// anything else is refused without blocking (kNotRegularFile, EISDIR).
Result<FileHandle> OpenForAppend(const std::string& path);

// Writes all of `data`; `written` counts the bytes of this file so far (see SetFailWriteAfterBytes).
Status WriteAll(const FileHandle& file, std::string_view data, std::int64_t& written);

}  // namespace fileservice
