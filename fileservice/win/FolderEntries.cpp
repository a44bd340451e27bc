// A folder's entries and removal for good, on Win32. Links (symbolic links, junctions) are
// removed themselves and never entered; a volume mounted in a folder is never entered either.

#include "fileservice/FolderEntries.h"

#include "fileservice/FileServiceInternal.h"
#include "fileservice/win/WinEntries.h"

#include <cerrno>
#include <vector>

namespace fileservice {
namespace {

std::wstring Child(const std::wstring& folder, const wchar_t* name) {
    return folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

// FileDispositionInfoEx (Windows 10 1709 on), which the headers offer only to newer targets.
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

bool IsDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

Status ForEachEntry(const std::wstring& folder, const std::string& path,
                    const std::function<bool(const WIN32_FIND_DATAW&)>& visit) {
    WIN32_FIND_DATAW found;
    const HANDLE find = ::FindFirstFileExW(Child(folder, L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        // A drive's root has no "." and ".." and so, when empty, nothing to find.
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return {};
        return LastFailure(path);
    }
    Status status;
    for (;;) {
        if (!IsDotOrDotDot(found.cFileName) && !visit(found)) break;
        if (!::FindNextFileW(find, &found)) {
            if (::GetLastError() != ERROR_NO_MORE_FILES) status = LastFailure(path);
            break;
        }
    }
    ::FindClose(find);
    return status;
}

EntryAttributes AttributesOf(const WIN32_FIND_DATAW& found) {
    EntryAttributes entry;
    entry.attributes = found.dwFileAttributes;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) entry.reparseTag = found.dwReserved0;
    return entry;
}

bool IsVolumeMountPoint(const std::wstring& path) {
    wchar_t volume[64];
    return ::GetVolumeNameForVolumeMountPointW(Child(path, L"").c_str(), volume, 64) != 0;
}

Status DeleteEntry(const std::wstring& path, const EntryAttributes& entry, const std::string& failurePath) {
    // The reparse point itself, never what it leads to.
    const bool readOnly = (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0;
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | (readOnly ? FILE_WRITE_ATTRIBUTES : 0);
    const HANDLE handle = OpenWide(path, access, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) return LastFailure(failurePath);
    // POSIX semantics: the name goes at once, not when the last other handle closes, so that a
    // new file of that name can follow.
    FILE_DISPOSITION_INFO_EX posix{};
    posix.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS |
                  FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE;
    Status status;
    if (!::SetFileInformationByHandle(handle, kDispositionInfoEx, &posix, sizeof posix)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION) {
            status = Failure{failurePath, ErrnoOf(error)};
        } else {
            // Older systems and FAT: the classic delete, which a read-only attribute refuses.
            FILE_BASIC_INFO basic{};
            basic.FileAttributes = (entry.attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
            if (readOnly && !::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) {
                status = LastFailure(failurePath);
            } else {
                FILE_DISPOSITION_INFO classic{TRUE};
                if (!::SetFileInformationByHandle(handle, FileDispositionInfo, &classic, sizeof classic)) {
                    status = LastFailure(failurePath);
                    basic.FileAttributes = entry.attributes;
                    if (readOnly) ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
                }
            }
        }
    }
    ::CloseHandle(handle);
    return status;
}

Status RemoveEntryTree(const std::wstring& path, const std::string& failurePath, bool refuseMountPoints) {
    const EntryAttributes entry = ReadEntryAttributes(path);
    if (!entry.Exists()) return LastFailure(failurePath);
    if (entry.IsLink() && (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && refuseMountPoints && IsVolumeMountPoint(path))
        return Failure{failurePath, kMountPoint};
    if (entry.IsFolder()) {
        // Collected first: the folder is not changed while it is read.
        std::vector<std::pair<std::wstring, EntryAttributes>> children;
        const Status read = ForEachEntry(path, failurePath, [&](const WIN32_FIND_DATAW& found) {
            children.emplace_back(Child(path, found.cFileName), AttributesOf(found));
            return true;
        });
        if (!read) return read;
        for (const auto& [child, attributes] : children) {
            Status removed;
            if (attributes.IsFolder()) {
                removed = RemoveEntryTree(child, failurePath, refuseMountPoints);
            } else if (refuseMountPoints && attributes.IsLink() && (attributes.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                       IsVolumeMountPoint(child)) {
                removed = Failure{failurePath, kMountPoint};
            } else {
                removed = DeleteEntry(child, attributes, failurePath);
            }
            if (!removed) return Failure{failurePath, removed.Error().error};
        }
    }
    return DeleteEntry(path, entry, failurePath);
}

Result<std::vector<FolderEntry>> ReadFolderEntries(const std::string& folder) {
    const Result<std::wstring> wide = WidePath(folder);
    if (!wide) return wide.Error();
    const EntryAttributes self = ReadEntryAttributes(wide.Value());
    if (!self.Exists()) return LastFailure(folder);
    if (!(self.attributes & FILE_ATTRIBUTE_DIRECTORY)) return Failure{folder, ENOTDIR};
    std::vector<FolderEntry> entries;
    const Status read = ForEachEntry(wide.Value(), folder, [&](const WIN32_FIND_DATAW& found) {
        const EntryAttributes entry = AttributesOf(found);
        FolderEntry item{Utf8Of(found.cFileName), entry.IsFolder(), false, false};
        item.temporary = IsTemporaryName(item.name);
        // A volume mounted here is a folder of another file system, as a mount on Linux.
        if (entry.IsLink() && (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            IsVolumeMountPoint(Child(wide.Value(), found.cFileName))) {
            item.folder = true;
            item.mountPoint = true;
        }
        entries.push_back(std::move(item));
        return true;
    });
    if (!read) return read.Error();
    return entries;
}

Status RemoveForGood(const std::string& path) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    return RemoveEntryTree(wide.Value(), path, true);
}

}  // namespace fileservice
