// Reads, appends and data writes of the safe-file layer, on Win32.

#include "fileservice/SafeRead.h"

#include "fileservice/FileServiceInternal.h"
#include "fileservice/win/Win32.h"

#include <cerrno>
#include <io.h>

namespace fileservice {
namespace {

constexpr DWORD kChunk = 1 << 20;

// What the open handle is: 0 for a regular file, else the failure's error.
int RegularOrError(HANDLE handle, bool followLink) {
    if (::GetFileType(handle) != FILE_TYPE_DISK) return kNotRegularFile;  // a pipe, a console, a device
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) return ErrnoOf(::GetLastError());
    if (!followLink && IsNameSurrogate(tag.FileAttributes, tag.ReparseTag)) return ELOOP;
    if (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    return 0;
}

// Opens `path` and keeps it only when it is a regular file. A link itself is opened only to be
// refused; any other reparse point (a cloud placeholder, a deduplicated file) is its data.
Result<FileHandle> OpenRegular(const std::string& path, DWORD access, DWORD disposition, bool followLink) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const DWORD flags = followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE handle = OpenWide(wide.Value(), access | FILE_READ_ATTRIBUTES, disposition, flags);
    if (handle == INVALID_HANDLE_VALUE) return LastFailure(path);
    int error = RegularOrError(handle, followLink);
    if (error == 0 && !followLink) {
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
            (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ::CloseHandle(handle);
            handle = OpenWide(wide.Value(), access | FILE_READ_ATTRIBUTES, disposition, 0);
            if (handle == INVALID_HANDLE_VALUE) return LastFailure(path);
            error = RegularOrError(handle, true);
        }
    }
    if (error != 0) {
        ::CloseHandle(handle);
        return Failure{path, error};
    }
    return AdoptHandle(handle, path);
}

}  // namespace

Status CloseDescriptor(int fd, const std::string& path) {
    if (::_close(fd) != 0) return Failure{path, EIO};
    return {};
}

Result<FileHandle> OpenForReading(const std::string& path, bool followLink) {
    return OpenRegular(path, GENERIC_READ, OPEN_EXISTING, followLink);
}

Result<std::int64_t> RegularFileSize(const std::string& path, bool followLink) {
    Result<FileHandle> opened = OpenRegular(path, 0, OPEN_EXISTING, followLink);
    if (!opened) return opened.Error().error == ELOOP ? Failure{path, kNotRegularFile} : opened.Error();
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(NativeHandle(opened.Value()), &size)) return LastFailure(path);
    return static_cast<std::int64_t>(size.QuadPart);
}

Result<FileHandle> OpenForAppend(const std::string& path) {
    // Append access alone: every write lands at the end, also beside another writer.
    return OpenRegular(path, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS, true);
}

Status WriteAll(const FileHandle& file, std::string_view data, std::int64_t& written) {
    const std::int64_t failAfter = InjectedWriteLimit();
    bool injectAfterThis = false;
    if (failAfter >= 0 && written + static_cast<std::int64_t>(data.size()) > failAfter) {
        if (written >= failAfter) return Failure{file.Path(), EIO};
        data = data.substr(0, static_cast<std::size_t>(failAfter - written));
        injectAfterThis = true;
    }
    const HANDLE handle = NativeHandle(file);
    while (!data.empty()) {
        const DWORD chunk = data.size() > kChunk ? kChunk : static_cast<DWORD>(data.size());
        DWORD n = 0;
        if (!::WriteFile(handle, data.data(), chunk, &n, nullptr)) return LastFailure(file.Path());
        if (n == 0) return Failure{file.Path(), EIO};
        data.remove_prefix(n);
        written += n;
    }
    if (injectAfterThis) return Failure{file.Path(), EIO};
    return {};
}

}  // namespace fileservice
