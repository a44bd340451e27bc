// Reads, appends and data writes of the safe-file layer.

#include "fileservice/SafeRead.h"

#include "fileservice/FileServiceInternal.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

fileservice::Failure Errno(const std::string& path) { return fileservice::Failure{path, errno}; }

// Opened without blocking (a FIFO would wait for its other end), then checked for what it is.
fileservice::Result<fileservice::FileHandle> OpenRegular(const std::string& path, int flags, mode_t mode,
                                                         struct stat* opened = nullptr, int folder = AT_FDCWD,
                                                         const char* name = nullptr) {
    const int fd = ::openat(folder, name ? name : path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    // ENXIO: a FIFO without a reader, or a device without its device, opened for writing.
    if (fd < 0) return errno == ENXIO ? fileservice::Failure{path, fileservice::kNotRegularFile} : Errno(path);
    fileservice::FileHandle file(fd, path);
    struct stat st;
    if (::fstat(fd, &st) != 0) return Errno(path);
    if (S_ISDIR(st.st_mode)) return fileservice::Failure{path, EISDIR};
    if (!S_ISREG(st.st_mode)) return fileservice::Failure{path, fileservice::kNotRegularFile};
    ::fcntl(fd, F_SETFL, flags & O_APPEND);
    if (opened) *opened = st;
    return file;
}

}  // namespace

namespace fileservice {

Status CloseDescriptor(int fd, const std::string& path) {
    if (::close(fd) != 0) return Errno(path);
    return {};
}

Result<FileHandle> OpenForReading(const std::string& path, bool followLink, struct stat* opened) {
    return OpenRegular(path, followLink ? O_RDONLY : O_RDONLY | O_NOFOLLOW, 0, opened);
}

Result<FileHandle> OpenForReadingIn(int folder, const char* name, const std::string& path, struct stat* opened) {
    return OpenRegular(path, O_RDONLY | O_NOFOLLOW, 0, opened, folder, name);
}

Result<std::int64_t> RegularFileSize(const std::string& path, bool followLink) {
    struct stat st;
    if ((followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return Errno(path);
    if (S_ISDIR(st.st_mode)) return Failure{path, EISDIR};
    if (!S_ISREG(st.st_mode)) return Failure{path, kNotRegularFile};
    return static_cast<std::int64_t>(st.st_size);
}

Result<FileHandle> OpenForAppend(const std::string& path) {
    return OpenRegular(path, O_WRONLY | O_APPEND | O_CREAT, 0666);
}

Status WriteAll(const FileHandle& file, std::string_view data, std::int64_t& written) {
    const std::int64_t failAfter = InjectedWriteLimit();
    bool injectAfterThis = false;
    if (failAfter >= 0 && written + static_cast<std::int64_t>(data.size()) > failAfter) {
        if (written >= failAfter) return Failure{file.Path(), EIO};
        data = data.substr(0, static_cast<std::size_t>(failAfter - written));
        injectAfterThis = true;
    }
    while (!data.empty()) {
        const ssize_t n = ::write(file.Fd(), data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Errno(file.Path());
        }
        if (n == 0) return Failure{file.Path(), EIO};
        data.remove_prefix(static_cast<std::size_t>(n));
        written += n;
    }
    if (injectAfterThis) return Failure{file.Path(), EIO};
    return {};
}

}  // namespace fileservice
