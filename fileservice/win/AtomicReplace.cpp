// The writes of entries on Win32: exclusive creation, atomic replacement through a temporary
// and MoveFileExW, renames, removals, folders, links, and the pieces a copy sets on its
// temporary. A read-only file is replaced and removed as on POSIX, where the mode of a file
// does not guard its name: its attribute is lifted for that step and put back if it fails.

#include "fileservice/AtomicReplace.h"

#include "fileservice/FileServiceInternal.h"
#include "fileservice/Medium.h"
#include "fileservice/win/Win32.h"
#include "fileservice/win/WinEntries.h"

#include <cerrno>

namespace fileservice {
namespace {

constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// The path a replacement writes to: the file a link leads to, so that the link stays.
std::wstring ReplacedPath(const std::wstring& path) {
    if (!ReadEntryAttributes(path).IsLink()) return path;
    const HANDLE handle = OpenWide(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE) return path;  // a dangling link is replaced like a missing file
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
    if (length >= resolved.size()) {
        resolved.resize(length);
        length = ::GetFinalPathNameByHandleW(handle, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
    }
    ::CloseHandle(handle);
    if (length == 0 || length >= resolved.size()) return path;
    resolved.resize(length);
    return resolved;
}

Result<FileHandle> CreateNew(const std::string& path, mode_t mode) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    // CREATE_NEW never opens what stands there, a link neither.
    const DWORD attributes = (mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    const HANDLE handle = ::CreateFileW(wide.Value().c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_PATH_NOT_FOUND && FileInTheWay(wide.Value())) return Failure{path, ENOTDIR};
        return Failure{path, ErrnoOf(error)};
    }
    return AdoptHandle(handle, path);
}

}  // namespace

Status MoveReplacing(const std::wstring& from, const std::wstring& to, const std::string& failurePath) {
    if (::MoveFileExW(from.c_str(), to.c_str(), kMoveFlags)) return {};
    const DWORD error = ::GetLastError();
    const EntryAttributes there = ReadEntryAttributes(to);
    if (there.IsFolder()) return Failure{failurePath, EISDIR};
    if (error != ERROR_ACCESS_DENIED || !there.Exists() || !(there.attributes & FILE_ATTRIBUTE_READONLY))
        return Failure{failurePath, ErrnoOf(error)};
    if (!::SetFileAttributesW(to.c_str(), there.attributes & ~FILE_ATTRIBUTE_READONLY)) return LastFailure(failurePath);
    if (::MoveFileExW(from.c_str(), to.c_str(), kMoveFlags)) return {};
    const Failure failure = LastFailure(failurePath);
    ::SetFileAttributesW(to.c_str(), there.attributes);
    return failure;
}

Result<FileHandle> CreateExclusive(const std::string& path, mode_t mode) { return CreateNew(path, mode); }

Status ReplaceFile(const std::string& path, std::string_view content, ReplaceSync sync) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const std::wstring target = ReplacedPath(wide.Value());
    const std::string targetPath = target == wide.Value() ? path : PlainPath(target);
    const EntryAttributes there = ReadEntryAttributes(target);
    if (there.IsFolder()) return Failure{targetPath, EISDIR};

    Result<FileHandle> created = CreateReplacementTemporary(targetPath);
    if (!created) return created.Error();
    FileHandle& temporary = created.Value();
    const std::string temporaryPath = temporary.Path();

    Status status;
    std::int64_t written = 0;
    if (TakeInjectedHalfReplace()) {
        (void)WriteAll(temporary, content.substr(0, content.size() / 2), written);
        status = Failure{temporaryPath, ENOSPC};
    }
    if (status) status = WriteAll(temporary, content, written);
    // The file has no second copy to restore it from, unlike a mirrored one: flush it.
    if (status && sync == ReplaceSync::Synced && !::FlushFileBuffers(NativeHandle(temporary)))
        status = LastFailure(temporaryPath);
    // The old file's attributes (read-only, hidden) go to the new one; its folder gave both
    // the same permissions.
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (status && there.Exists() && (there.attributes & kKept)) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = there.attributes & kKept;
        if (!::SetFileInformationByHandle(NativeHandle(temporary), FileBasicInfo, &basic, sizeof basic))
            status = LastFailure(temporaryPath);
    }
    const Status closed = temporary.Close();
    if (status) status = closed;
    const Result<std::wstring> temporaryWide = WidePath(temporaryPath);
    if (status && !temporaryWide) status = temporaryWide.Error();
    if (status) status = MoveReplacing(temporaryWide.Value(), target, targetPath);
    if (!status) {
        (void)Remove(temporaryPath);
        return status;
    }
    return {};
}

Status Rename(const std::string& from, const std::string& to) {
    const Result<std::wstring> wideFrom = WidePath(from);
    if (!wideFrom) return wideFrom.Error();
    const Result<std::wstring> wideTo = WidePath(to);
    if (!wideTo) return Failure{to, wideTo.Error().error};
    Status moved = MoveReplacing(wideFrom.Value(), wideTo.Value(), from);
    // Where the name is the reason, the failure names the new one.
    if (!moved && moved.Error().error == EISDIR) return Failure{to, EISDIR};
    return moved;
}

Status RenameNoReplace(const std::string& from, const std::string& to) {
    const Result<std::wstring> wideFrom = WidePath(from);
    if (!wideFrom) return wideFrom.Error();
    const Result<std::wstring> wideTo = WidePath(to);
    if (!wideTo) return wideTo.Error();
    // Without MOVEFILE_REPLACE_EXISTING nothing at `to` is ever replaced, a folder neither.
    if (!::MoveFileExW(wideFrom.Value().c_str(), wideTo.Value().c_str(), MOVEFILE_WRITE_THROUGH)) return LastFailure(to);
    return {};
}

Status Remove(const std::string& path) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const EntryAttributes entry = ReadEntryAttributes(wide.Value());
    if (!entry.Exists()) return LastFailure(path);
    if (entry.IsFolder()) return Failure{path, EISDIR};
    return DeleteEntry(wide.Value(), entry, path);
}

Status RemoveTree(const std::string& path) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    return RemoveEntryTree(wide.Value(), path, false);
}

Status MakeFolder(const std::string& path, mode_t) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    if (!::CreateDirectoryW(wide.Value().c_str(), nullptr)) return LastFailure(path);
    return {};
}

Status MakeFolders(const std::string& path, mode_t) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const std::wstring& folder = wide.Value();
    // Every parent below the root; a file in the way shows at the next step.
    for (std::size_t slash = folder.find(L'\\', RootLength(folder)); slash != std::wstring::npos;
         slash = folder.find(L'\\', slash + 1)) {
        const std::wstring parent = folder.substr(0, slash);
        if (!::CreateDirectoryW(parent.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return Failure{PlainPath(parent), ErrnoOf(::GetLastError())};
    }
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return {};
    const Failure failure = LastFailure(path);
    if (failure.error != EEXIST) return failure;
    // A link to a folder counts, as stat() follows it.
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return Failure{path, ENOTDIR};  // a file stands where the folder must go
}

Status CreateLinkTemporary(const std::string& path, const std::string& linkTarget) {
    // The kind of link Windows needs: a folder's, where the target is a folder now.
    std::string resolved = linkTarget;
    const bool absolute = linkTarget.size() >= 2 && (linkTarget[1] == ':' || linkTarget[0] == '\\' || linkTarget[0] == '/');
    if (!absolute) resolved = path.substr(0, path.find_last_of("\\/") + 1) + linkTarget;
    const Result<std::wstring> wideTarget = WidePath(resolved);
    const bool folder = wideTarget && ReadEntryAttributes(wideTarget.Value()).IsFolder();
    return CreateLinkTemporary(path, linkTarget, folder);
}

Status CreateLinkTemporary(const std::string& path, const std::string& linkTarget, bool folder) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    // The link's own text, relative where it was, only with Windows' separators.
    std::wstring target;
    if (!WideText(linkTarget, target)) return Failure{path, EILSEQ};
    for (wchar_t& c : target)
        if (c == L'/') c = L'\\';
    const DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE | (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    bool made = ::CreateSymbolicLinkW(wide.Value().c_str(), target.c_str(), flags);
    if (!made && ::GetLastError() != ERROR_ALREADY_EXISTS) return LastFailure(path);
    if (!made) {
        // A leftover of a killed run.
        if (Status removed = Remove(path); !removed) return removed;
        if (!::CreateSymbolicLinkW(wide.Value().c_str(), target.c_str(), flags)) return LastFailure(path);
    }
    // Some systems (Wine) answer success and make nothing.
    if (!ReadEntryAttributes(wide.Value()).IsLink()) return Failure{path, ENOTSUP};
    return {};
}

Status SetLinkTimes(const std::string& path, const struct timespec times[2]) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const HANDLE handle = OpenWide(wide.Value(), FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) return LastFailure(path);
    const FILETIME access = FiletimeOf(times[0]);
    const FILETIME write = FiletimeOf(times[1]);
    const bool set = ::SetFileTime(handle, nullptr, &access, &write);
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    if (!set && ErrnoOf(error) != ENOTSUP) return Failure{path, ErrnoOf(error)};
    return {};
}

int SetModeAndTimes(const FileHandle& file, mode_t mode, const struct timespec times[2]) {
    int lost = 0;
    const HANDLE handle = NativeHandle(file);
    // The times first: a read-only attribute would refuse them on some file systems.
    const FILETIME access = FiletimeOf(times[0]);
    const FILETIME write = FiletimeOf(times[1]);
    if (!::SetFileTime(handle, nullptr, &access, &write)) lost |= kTimesLost;
    // Windows keeps of the mode only whether anyone may write.
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return lost | kModeLost;
    const DWORD attributes = (mode & 0222) == 0 ? basic.FileAttributes | FILE_ATTRIBUTE_READONLY
                                                : basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (attributes != basic.FileAttributes) {
        FILE_BASIC_INFO changed{};
        changed.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
        if (!::SetFileInformationByHandle(handle, FileBasicInfo, &changed, sizeof changed)) lost |= kModeLost;
    }
    return lost;
}

Status Truncate(const FileHandle& file, off_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    if (!::SetFileInformationByHandle(NativeHandle(file), FileEndOfFileInfo, &end, sizeof end))
        return LastFailure(file.Path());
    return {};
}

}  // namespace fileservice
