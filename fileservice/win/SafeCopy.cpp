// One copy on Win32: into a temporary beside the target, then MoveFileExW over it (replacing,
// write-through); the allocated ranges of a sparse source are copied and its holes stay
// holes where NTFS keeps them; a source that changed while it was read is read again.
// Links (symbolic links, junctions) are mirrored as symbolic links, never followed; a volume
// mounted in a folder is reported (kMountPoint), other links of other systems too.
//
// As on POSIX, no flush per file: a killed process cannot lose data that was renamed into
// place, and the rename itself is written through.

#include "fileservice/FileServiceInternal.h"
#include "fileservice/AtomicReplace.h"
#include "fileservice/Medium.h"
#include "fileservice/win/WinEntries.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>
#include <vector>
#include <winioctl.h>

namespace fileservice {
namespace {

constexpr DWORD kBufferSize = 128 * 1024;
// What a copy carries over besides the data: whether anyone may write, and how it shows.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The layout FSCTL_GET_REPARSE_POINT answers with for links and junctions (ntifs.h, which
// user-mode headers do not offer).
struct LinkReparseData {
    ULONG ReparseTag;
    USHORT ReparseDataLength;
    USHORT Reserved;
    USHORT SubstituteNameOffset;
    USHORT SubstituteNameLength;
    USHORT PrintNameOffset;
    USHORT PrintNameLength;
};
// A symbolic link has a flags word before its names; a junction has none.
constexpr std::size_t kSymlinkNamesAt = sizeof(LinkReparseData) + sizeof(ULONG);
constexpr std::size_t kJunctionNamesAt = sizeof(LinkReparseData);

char* CopyBuffer() {
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer) buffer.reset(new char[kBufferSize]);
    return buffer.get();
}

// What a source is, read on its handle: the state a copy must find unchanged at its end.
struct SourceState {
    FILE_BASIC_INFO basic{};
    std::int64_t size = 0;
    bool operator==(const SourceState& other) const {
        return size == other.size && basic.LastWriteTime.QuadPart == other.basic.LastWriteTime.QuadPart &&
               basic.ChangeTime.QuadPart == other.basic.ChangeTime.QuadPart;
    }
};

Status ReadState(const FileHandle& file, SourceState& state) {
    const HANDLE handle = NativeHandle(file);
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &state.basic, sizeof state.basic) ||
        !::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return LastFailure(file.Path());
    state.size = standard.EndOfFile.QuadPart;
    return {};
}

Status Seek(const FileHandle& file, std::int64_t at) {
    LARGE_INTEGER to;
    to.QuadPart = at;
    if (!::SetFilePointerEx(NativeHandle(file), to, nullptr, FILE_BEGIN)) return LastFailure(file.Path());
    return {};
}

// Copies from the current offsets: `length` bytes, or to the end for -1 (a source cut
// meanwhile ends it early, which the check for a changed source then notices).
Status CopyBytes(const FileHandle& in, const FileHandle& out, std::int64_t length, std::int64_t& written) {
    char* const buffer = CopyBuffer();
    while (length != 0) {
        const DWORD chunk = length < 0 ? kBufferSize : static_cast<DWORD>(std::min<std::int64_t>(length, kBufferSize));
        DWORD got = 0;
        if (!::ReadFile(NativeHandle(in), buffer, chunk, &got, nullptr)) return LastFailure(in.Path());
        if (got == 0) return {};
        if (Status status = WriteAll(out, std::string_view(buffer, got), written); !status) return status;
        if (length > 0) length -= got;
    }
    return {};
}

// A sparse source: only its allocated ranges are copied into a sparse temporary, so that a
// disk image of 2 GiB holding 4 KiB of data takes 4 KiB in the target too. Where the target
// cannot be sparse (FAT), the whole file is copied.
Status CopySparse(const FileHandle& in, const FileHandle& out, std::int64_t size) {
    std::int64_t written = 0;
    DWORD returned = 0;
    if (!::DeviceIoControl(NativeHandle(out), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr))
        return CopyBytes(in, out, -1, written);
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.Length.QuadPart = size;
    std::vector<FILE_ALLOCATED_RANGE_BUFFER> ranges(64);
    for (;;) {
        const bool all = ::DeviceIoControl(NativeHandle(in), FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query,
                                           ranges.data(), static_cast<DWORD>(ranges.size() * sizeof ranges[0]),
                                           &returned, nullptr);
        if (!all && ::GetLastError() != ERROR_MORE_DATA) {
            // A file system that cannot tell its ranges (nothing is copied yet): all of it.
            const DWORD error = ::GetLastError();
            const bool unsupported = error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED;
            if (unsupported && query.FileOffset.QuadPart == 0) return CopyBytes(in, out, -1, written);
            return Failure{in.Path(), ErrnoOf(error)};
        }
        const std::size_t count = returned / sizeof ranges[0];
        for (std::size_t i = 0; i < count; ++i) {
            const std::int64_t start = ranges[i].FileOffset.QuadPart;
            if (Status status = Seek(in, start); !status) return status;
            if (Status status = Seek(out, start); !status) return status;
            if (Status status = CopyBytes(in, out, ranges[i].Length.QuadPart, written); !status) return status;
        }
        if (all || count == 0) break;
        const std::int64_t next = ranges[count - 1].FileOffset.QuadPart + ranges[count - 1].Length.QuadPart;
        query.Length.QuadPart -= next - query.FileOffset.QuadPart;
        query.FileOffset.QuadPart = next;
    }
    return Truncate(out, size);
}

// Copies the data of `in`, then checks on the handle that the source did not change
// meanwhile: a copy of a file being written would be a mix of old and new bytes under the
// source's time. A changed source is copied once more from the start; `state` ends as the
// state that was copied.
Status CopyUnchanged(const FileHandle& in, const FileHandle& out, SourceState& state) {
    for (int pass = 0;; ++pass) {
        std::int64_t written = 0;
        const Status copied = (state.basic.FileAttributes & FILE_ATTRIBUTE_SPARSE_FILE)
                                  ? CopySparse(in, out, state.size)
                                  : CopyBytes(in, out, -1, written);
        AfterCopyData(in.Path().c_str());
        if (!copied) return copied;
        SourceState after;
        if (Status read = ReadState(in, after); !read) return read;
        if (after == state) return {};
        if (pass == 1) return Failure{in.Path(), kSourceChanged};
        state = after;
        if (Status status = Seek(in, 0); !status) return status;
        if (Status cut = Truncate(out, 0); !cut) return cut;
        if (Status status = Seek(out, 0); !status) return status;
    }
}

// The text a link leads to, as the link keeps it (relative where it was made so), and
// whether it is a folder's link. kMountPoint for a volume mounted there; kNotRegularFile for
// links of other systems.
Result<std::string> ReadLinkTarget(const std::wstring& wide, const std::string& path) {
    const HANDLE handle = OpenWide(wide, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) return LastFailure(path);
    std::vector<unsigned char> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD returned = 0;
    const bool read = ::DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                                        static_cast<DWORD>(buffer.size()), &returned, nullptr);
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    if (!read) return Failure{path, ErrnoOf(error)};
    if (returned < sizeof(LinkReparseData)) return Failure{path, kNotRegularFile};
    const auto* data = reinterpret_cast<const LinkReparseData*>(buffer.data());
    std::size_t namesAt = 0;
    if (data->ReparseTag == IO_REPARSE_TAG_SYMLINK) {
        namesAt = kSymlinkNamesAt;
    } else if (data->ReparseTag == IO_REPARSE_TAG_MOUNT_POINT) {
        if (IsVolumeMountPoint(wide)) return Failure{path, kMountPoint};
        namesAt = kJunctionNamesAt;
    } else {
        return Failure{path, kNotRegularFile};
    }
    const USHORT printOffset = data->PrintNameOffset, printLength = data->PrintNameLength;
    const USHORT substituteOffset = data->SubstituteNameOffset, substituteLength = data->SubstituteNameLength;
    if (namesAt + std::max(printOffset + printLength, substituteOffset + substituteLength) > returned)
        return Failure{path, kNotRegularFile};
    const auto* names = reinterpret_cast<const wchar_t*>(buffer.data() + namesAt);
    if (printLength > 0) return Utf8Of(std::wstring_view(names + printOffset / 2, printLength / 2));
    std::wstring_view substitute(names + substituteOffset / 2, substituteLength / 2);
    if (substitute.rfind(LR"(\??\)", 0) == 0) substitute.remove_prefix(4);
    return Utf8Of(substitute);
}

Status CopyLink(const std::string& destination, const std::string& source, const std::wstring& wide,
                const EntryAttributes& entry) {
    const Result<std::string> target = ReadLinkTarget(wide, source);
    if (!target) return target.Error();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return LastFailure(source);
    const std::string tmp = TemporaryPathFor(destination, source);
    const bool folder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (Status made = CreateLinkTemporary(tmp, target.Value(), folder); !made) return made;
    const struct timespec times[2] = {TimespecOf(data.ftLastAccessTime), TimespecOf(data.ftLastWriteTime)};
    // Some file systems keep no link times; the link itself is still mirrored.
    Status status = SetLinkTimes(tmp, times);
    if (status) status = Rename(tmp, destination);
    if (!status) (void)Remove(tmp);
    return status;
}

Result<std::int64_t> CopyRegular(const std::string& destination, const std::string& source, const CopyTraits& traits,
                                 int& lost) {
    Result<FileHandle> in = OpenForReading(source, false);
    if (!in) return in.Error();
    SourceState state;
    if (Status read = ReadState(in.Value(), state); !read) return read.Error();
    // Before a byte is written: the file system would refuse it at its limit, gigabytes later.
    if (traits.maxFileSize >= 0 && state.size > traits.maxFileSize) return Failure{destination, kTooLargeForFat};

    const std::string tmp = TemporaryPathFor(destination, source);
    Result<FileHandle> out = CreateTemporary(tmp, 0600);
    if (!out) return out.Error();

    Status status = CopyUnchanged(in.Value(), out.Value(), state);
    // The times of the state that was copied, set after the last write so nothing bumps them;
    // the attributes last, as a read-only one refuses later changes. Told only for a file
    // that lands.
    int notKept = 0;
    const FILETIME access{state.basic.LastAccessTime.LowPart, static_cast<DWORD>(state.basic.LastAccessTime.HighPart)};
    const FILETIME write{state.basic.LastWriteTime.LowPart, static_cast<DWORD>(state.basic.LastWriteTime.HighPart)};
    if (status) {
        const HANDLE handle = NativeHandle(out.Value());
        if (!::SetFileTime(handle, nullptr, &access, &write)) notKept |= kTimesLost;
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = state.basic.FileAttributes & kKeptAttributes;
        if (basic.FileAttributes != 0 && !::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic))
            notKept |= kModeLost;
    }
    const Status closed = out.Value().Close();
    if (status) status = closed;
    if (status) status = Rename(tmp, destination);
    if (!status) {
        (void)Remove(tmp);
        return status.Error();
    }
    if (traits.timesAfterRename) {
        const Result<std::wstring> wide = WidePath(destination);
        const HANDLE handle =
            wide ? OpenWide(wide.Value(), FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT)
                 : INVALID_HANDLE_VALUE;
        if (handle == INVALID_HANDLE_VALUE || !::SetFileTime(handle, nullptr, &access, &write)) notKept |= kTimesLost;
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
    lost |= notKept;
    return state.size;
}

}  // namespace

Result<std::int64_t> CopyFileSafely(const std::string& destination, const std::string& source,
                                    const CopyTraits& traits, int* lost) {
    int ignored = 0;
    if (destination.empty() || source.empty()) return Failure{destination, ENOENT};
    const Result<std::wstring> wide = WidePath(source);
    if (!wide) return Failure{source, wide.Error().error};
    const Result<std::wstring> wideDestination = WidePath(destination);
    if (!wideDestination) return wideDestination.Error();
    const EntryAttributes entry = ReadEntryAttributes(wide.Value());
    if (!entry.Exists()) return LastFailure(source);
    if (entry.IsLink()) {
        const Status copied = CopyLink(destination, source, wide.Value(), entry);
        if (!copied) return copied.Error();
        return std::int64_t{0};
    }
    // A folder, a device: never opened as a file.
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) return Failure{source, kNotRegularFile};
    return CopyRegular(destination, source, traits, lost ? *lost : ignored);
}

// Paths are looked up as they are: nothing kept open between copies.
void KeepCopyFoldersOpen() {}
void CloseCopyFolders() {}
void FoldersMayHaveChanged() {}

}  // namespace fileservice
