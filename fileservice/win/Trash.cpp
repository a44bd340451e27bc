// The recycle bin, through the shell: SHFileOperationW with FOF_ALLOWUNDO moves the item into
// its drive's recycle bin, from which Explorer puts it back. The shell deletes for good where
// a drive has no recycle bin; such a drive is refused before, and FOF_WANTNUKEWARNING makes
// the shell ask rather than delete where an item does not fit into the bin.

#include "fileservice/Trash.h"

#include "fileservice/win/Win32.h"

#include <cerrno>
#include <objbase.h>
#include <shellapi.h>

namespace fileservice {
namespace {

constexpr char kRecycleBin[] = "::{645FF040-5081-101B-9F08-00AA002F954E}";

// The shell's old DE_* codes, which SHFileOperationW returns instead of Win32 errors.
int ErrnoOfShell(int code) {
    switch (code) {
    case ERROR_CANCELLED:
    case 0x75: return ECANCELED;  // DE_OPCANCELLED
    case 0x78:                    // DE_ACCESSDENIEDSRC
    case ERROR_ACCESS_DENIED: return EACCES;
    case 0x7C:  // DE_INVALIDFILES
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_SHARING_VIOLATION: return EBUSY;
    case 0x7A:  // DE_FILENAMETOOLONG
        return ENAMETOOLONG;
    default: return EIO;
    }
}

// The path as the shell takes it: without the \\?\ prefix, which SHFileOperationW refuses.
std::wstring ShellPath(const std::wstring& wide) {
    if (wide.rfind(LR"(\\?\UNC\)", 0) == 0) return L"\\" + wide.substr(7);
    return wide.substr(4);
}

}  // namespace

Result<std::string> MoveToTrash(const std::string& path) {
    if (path.empty()) return Failure{path, ENOENT};
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return wide.Error();
    const std::wstring item = ShellPath(wide.Value());
    if (!ReadEntryAttributes(wide.Value()).Exists()) return LastFailure(path);

    // The drive's root: never trashed itself, and its type tells whether it has a bin.
    std::wstring root(item.size() + 2, L'\0');
    if (!::GetVolumePathNameW(item.c_str(), root.data(), static_cast<DWORD>(root.size()))) return LastFailure(path);
    root.resize(std::wcslen(root.c_str()));
    std::wstring bare = item;
    if (bare.back() != L'\\') bare += L'\\';
    if (::CompareStringOrdinal(bare.c_str(), -1, root.c_str(), -1, TRUE) == CSTR_EQUAL) return Failure{path, EBUSY};
    if (::GetDriveTypeW(root.c_str()) != DRIVE_FIXED) return Failure{path, kNoRecycleBin};
    if (item.size() >= MAX_PATH) return Failure{path, ENAMETOOLONG};

    std::wstring from = item;
    from.push_back(L'\0');  // the list of items ends with an empty one
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_WANTNUKEWARNING;
    // The shell may need COM on this thread; a thread that has it already keeps it as it is.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const int result = ::SHFileOperationW(&operation);
    if (SUCCEEDED(com)) ::CoUninitialize();
    if (result != 0) return Failure{path, ErrnoOfShell(result)};
    if (operation.fAnyOperationsAborted) return Failure{path, ECANCELED};
    // Whatever the shell said, the item must be gone from here.
    if (ReadEntryAttributes(wide.Value()).Exists()) return Failure{path, EIO};
    return std::string(kRecycleBin);
}

}  // namespace fileservice
