// Folder identity, locks and the checks of what stands at a path, on Win32. A folder is
// known by its volume's serial number and its file index, never by path text.

#include "fileservice/Identity.h"

#include "fileservice/AtomicReplace.h"
#include "fileservice/win/WinEntries.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>

namespace fileservice {
namespace {

// Far deeper than any real tree; a walk that never ends would be a file system gone wrong.
constexpr int kMaxDepth = 1 << 16;

std::wstring FinalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length);
        length = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

// The folder at `wide` (links followed), opened for its identity and its final path.
Result<HANDLE> OpenFolder(const std::wstring& wide, const std::string& path, FolderIdentity& identity) {
    const HANDLE handle = OpenWide(wide, FILE_READ_ATTRIBUTES, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE) return LastFailure(path);
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(handle);
        return Failure{path, ENOTDIR};
    }
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return handle;
}

Result<FolderIdentity> IdentityAt(const std::wstring& wide, const std::string& path) {
    FolderIdentity identity;
    const Result<HANDLE> opened = OpenFolder(wide, path, identity);
    if (!opened) return opened.Error();
    ::CloseHandle(opened.Value());
    return identity;
}

// The final path of the folder (links and junctions resolved, as the file system names it).
Result<std::wstring> FinalFolderPath(const std::string& path, FolderIdentity& identity) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const Result<HANDLE> opened = OpenFolder(wide.Value(), path, identity);
    if (!opened) return opened.Error();
    std::wstring final = FinalPath(opened.Value());
    const DWORD error = ::GetLastError();
    ::CloseHandle(opened.Value());
    if (final.empty()) return Failure{path, ErrnoOf(error)};
    return final;
}

// Where lock files live: the user's local program data, never the locked folder.
std::wstring LockFolderPath() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    std::wstring base;
    if (length > 0 && length < MAX_PATH) {
        base = std::wstring(buffer, length);
    } else {
        const DWORD temp = ::GetTempPathW(MAX_PATH, buffer);
        if (temp == 0 || temp >= MAX_PATH) return {};
        base = std::wstring(buffer, temp);
    }
    const Result<std::wstring> wide = WidePath(Utf8Of(base) + "\\Trevalon\\locks");
    return wide ? wide.Value() : std::wstring();
}

}  // namespace

bool EntryExists(const std::string& path) {
    const Result<std::wstring> wide = WidePath(path);
    return wide && ReadEntryAttributes(wide.Value()).Exists();
}

bool IsLink(const std::string& path) {
    const Result<std::wstring> wide = WidePath(path);
    return wide && ReadEntryAttributes(wide.Value()).IsLink();
}

// Windows has no sticky bit; only the freedesktop trash asks for one.
bool IsStickyFolder(const std::string&) { return false; }

bool CanWriteInto(const std::string& folder) {
    const Result<std::wstring> wide = WidePath(folder);
    if (!wide) return false;
    // The folder's access list decides: opening it for adding a file is granted or refused.
    const HANDLE handle = OpenWide(wide.Value(), FILE_ADD_FILE, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD flags = 0;
    const bool read = ::GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0);
    ::CloseHandle(handle);
    return !read || (flags & FILE_READ_ONLY_VOLUME) == 0;
}

Result<FileHandle> LockFolder(const std::string& path) {
    // LockFileEx locks a file's bytes, and a folder has none; so the lock is taken on a file
    // named by the folder's identity, outside of it: no file is written into a user's target,
    // and a second path to the same folder meets the same lock.
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const Result<FolderIdentity> identity = IdentityAt(wide.Value(), path);
    if (!identity) return identity.Error();
    const std::wstring locks = LockFolderPath();
    if (locks.empty()) return Failure{path, ENOENT};
    if (Status made = MakeFolders(Utf8Of(locks)); !made) return made.Error();
    wchar_t name[64];
    std::swprintf(name, 64, L"\\%08llx-%016llx.lock", static_cast<unsigned long long>(identity.Value().device),
                  static_cast<unsigned long long>(identity.Value().inode));
    const HANDLE handle = ::CreateFileW((locks + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastFailure(path);
    Result<FileHandle> lock = AdoptHandle(handle, path);
    if (!lock) return lock;
    // Ends with the handle, also when the process is killed.
    OVERLAPPED whole{};
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return Failure{path, kFolderInUse};
        return Failure{path, ErrnoOf(error)};
    }
    return lock;
}

Result<FolderIdentity> ReadFolderIdentity(const std::string& path) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    return IdentityAt(wide.Value(), path);
}

Result<bool> IsSameOrInsideFolder(const std::string& inner, const std::string& outer) {
    const Result<FolderIdentity> wanted = ReadFolderIdentity(outer);
    if (!wanted) return wanted.Error();
    FolderIdentity current;
    Result<std::wstring> final = FinalFolderPath(inner, current);
    if (!final) return final.Error();
    // The final path names the real folders, so its parents by text are the real parents.
    std::wstring folder = final.Value();
    const std::size_t rootLength = RootLength(folder);
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (current == wanted.Value()) return true;
        if (folder.size() <= rootLength) return false;
        const std::size_t slash = folder.find_last_of(L'\\');
        folder.resize(slash < rootLength ? rootLength : slash);
        const Result<FolderIdentity> parent = IdentityAt(folder, inner);
        if (!parent) return parent.Error();
        current = parent.Value();
    }
    return Failure{inner, ELOOP};
}

Result<bool> IsFileSystemRoot(const std::string& path) {
    FolderIdentity identity;
    const Result<std::wstring> final = FinalFolderPath(path, identity);
    if (!final) return final.Error();
    std::wstring folder = final.Value();
    if (folder.back() != L'\\') folder += L'\\';
    std::wstring volume(folder.size() + 1, L'\0');
    if (!::GetVolumePathNameW(folder.c_str(), volume.data(), static_cast<DWORD>(volume.size())))
        return LastFailure(path);
    volume.resize(std::wcslen(volume.c_str()));
    if (volume.back() != L'\\') volume += L'\\';
    // The volume path may come without the \\?\ prefix.
    const std::wstring_view bare = std::wstring_view(folder).substr(folder.rfind(LR"(\\?\)", 0) == 0 ? 4 : 0);
    const std::wstring_view volumeBare = std::wstring_view(volume).substr(volume.rfind(LR"(\\?\)", 0) == 0 ? 4 : 0);
    return ::CompareStringOrdinal(bare.data(), static_cast<int>(bare.size()), volumeBare.data(),
                                  static_cast<int>(volumeBare.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace fileservice
