// Paths, errors, times and handles between the interface and Win32.

#include "fileservice/win/Win32.h"

#include "fileservice/Utf8.h"

#include <cerrno>
#include <algorithm>
#include <cwctype>
#include <fcntl.h>
#include <io.h>
#include <vector>

namespace fileservice {
namespace {

// 100 ns steps from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDifference = 116444736000000000LL;
constexpr std::int64_t kStepsPerSecond = 10000000;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

bool WideText(std::string_view text, std::wstring& out) {
    const auto* at = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t left = text.size();
    out.reserve(out.size() + left);
    while (left > 0) {
        int length = Utf8SequenceLength(at, left);
        char32_t value = 0;
        if (length == 0 && left >= 3 && at[0] == 0xED && at[1] >= 0xA0 && at[1] <= 0xBF && (at[2] & 0xC0) == 0x80) {
            length = 3;  // a lone surrogate
        } else if (length == 0) {
            return false;
        }
        if (length == 1) value = at[0];
        else if (length == 2) value = ((at[0] & 0x1F) << 6) | (at[1] & 0x3F);
        else if (length == 3) value = ((at[0] & 0x0F) << 12) | ((at[1] & 0x3F) << 6) | (at[2] & 0x3F);
        else value = ((at[0] & 0x07) << 18) | ((at[1] & 0x3F) << 12) | ((at[2] & 0x3F) << 6) | (at[3] & 0x3F);
        if (value >= 0x10000) {
            value -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (value >> 10));
            out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
        } else {
            out += static_cast<wchar_t>(value);
        }
        at += length;
        left -= static_cast<std::size_t>(length);
    }
    return true;
}

namespace {

bool EqualsAscii(std::wstring_view name, const char* ascii) {
    std::size_t i = 0;
    for (; ascii[i]; ++i)
        if (i >= name.size() || std::towupper(name[i]) != static_cast<wchar_t>(ascii[i])) return false;
    return i == name.size();
}

// CON, PRN, AUX, NUL, COM1…COM9, LPT1…LPT9 (also "nul.txt", "CON "): Windows opens the device.
bool IsDeviceName(std::wstring_view name) {
    std::wstring_view stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (EqualsAscii(stem, device)) return true;
    if (stem.size() == 4 && (EqualsAscii(stem.substr(0, 3), "COM") || EqualsAscii(stem.substr(0, 3), "LPT")))
        return stem[3] >= L'1' && stem[3] <= L'9';
    return false;
}

// 0, or the ErrorCode for a name Windows does not allow.
int NameError(std::wstring_view name) {
    for (const wchar_t c : name)
        if (c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' || c == L'?' || c == L'*')
            return kNameNotAllowed;
    if (name.back() == L'.' || name.back() == L' ' || IsDeviceName(name)) return kNameReserved;
    return 0;
}

std::wstring CurrentFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);
    }
}

}  // namespace

Result<std::wstring> WidePath(const std::string& path) {
    std::wstring text;
    if (path.empty() || !WideText(path, text)) return Failure{path, path.empty() ? ENOENT : EILSEQ};
    // Already in Win32's own form: taken as it is.
    if (text.rfind(LR"(\\?\)", 0) == 0) return text;

    // The root: "\\?\C:" or "\\?\UNC\server\share"; the rest are names.
    std::wstring root;
    std::wstring_view rest;
    std::wstring absolute;
    if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        std::wstring_view unc = std::wstring_view(text).substr(2);
        std::size_t end = unc.find_first_of(L"\\/");
        if (end != std::wstring_view::npos) end = unc.find_first_of(L"\\/", end + 1);
        const std::wstring_view serverShare = unc.substr(0, end);
        if (serverShare.find_first_of(L"\\/") == std::wstring_view::npos) return Failure{path, ENOENT};
        root = LR"(\\?\UNC\)" + std::wstring(serverShare);
        for (wchar_t& c : root)
            if (c == L'/') c = L'\\';
        rest = end == std::wstring_view::npos ? std::wstring_view() : unc.substr(end);
    } else {
        if (!(text.size() >= 3 && text[1] == L':' && IsSeparator(text[2]))) {
            // Relative to the current folder (or to its drive's root, or to a drive's own one).
            if (text.size() >= 2 && text[1] == L':') {
                wchar_t drive[] = {text[0], L':', L'.', L'\0'};
                wchar_t full[MAX_PATH];
                const DWORD length = ::GetFullPathNameW(drive, MAX_PATH, full, nullptr);
                if (length == 0 || length >= MAX_PATH) return LastFailure(path);
                absolute = std::wstring(full, length) + L'\\' + text.substr(2);
            } else if (IsSeparator(text[0])) {
                absolute = CurrentFolder().substr(0, 2) + text;
            } else {
                absolute = CurrentFolder() + L'\\' + text;
            }
            if (absolute.rfind(LR"(\\?\)", 0) == 0) absolute.erase(0, 4);
            if (absolute.size() < 3 || absolute[1] != L':') return WidePath(Utf8Of(absolute));
            text = absolute;
        }
        root = LR"(\\?\)" + text.substr(0, 2);
        root[4] = static_cast<wchar_t>(std::towupper(root[4]));
        rest = std::wstring_view(text).substr(2);
    }

    std::vector<std::wstring_view> names;
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(L"\\/");
        if (start == std::wstring_view::npos) break;
        rest.remove_prefix(start);
        const std::size_t end = rest.find_first_of(L"\\/");
        const std::wstring_view name = rest.substr(0, end);
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end);
        if (name == L".") continue;
        if (name == L"..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        if (const int error = NameError(name); error != 0) return Failure{path, error};
        names.push_back(name);
    }
    std::wstring wide = root;
    if (names.empty()) wide += L'\\';
    for (const std::wstring_view name : names) {
        wide += L'\\';
        wide += name;
    }
    return wide;
}

std::size_t RootLength(const std::wstring& path) {
    if (path.rfind(LR"(\\?\UNC\)", 0) != 0) return 7;
    const std::size_t server = path.find(L'\\', 8);
    const std::size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() + 1 : share + 1;
}

std::string Utf8Of(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const char32_t value = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            out += static_cast<char>(0xF0 | (value >> 18));
            out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (value & 0x3F));
            ++i;
        } else {
            AppendUtf8Bmp(out, unit);
        }
    }
    return out;
}

std::string PlainPath(const std::wstring& path) {
    if (path.rfind(LR"(\\?\UNC\)", 0) == 0) return "\\\\" + Utf8Of(std::wstring_view(path).substr(8));
    if (path.rfind(LR"(\\?\)", 0) == 0) return Utf8Of(std::wstring_view(path).substr(4));
    return Utf8Of(path);
}

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_ACCESS:
    case ERROR_CANNOT_MAKE: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
    case ERROR_USER_MAPPED_FILE: return EBUSY;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME: return kNameNotAllowed;
    case ERROR_PRIVILEGE_NOT_HELD: return EPERM;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return ENOTSUP;
    case ERROR_CANT_RESOLVE_FILENAME: return ELOOP;
    case ERROR_NOT_READY: return ENODEV;
    case ERROR_FILE_TOO_LARGE: return EFBIG;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    default: return EIO;
    }
}

Failure LastFailure(const std::string& path) { return Failure{path, ErrnoOf(::GetLastError())}; }

bool FileInTheWay(const std::wstring& path) {
    const std::size_t root = std::max<std::size_t>(RootLength(path), 1);
    for (std::size_t slash = path.rfind(L'\\'); slash != std::wstring::npos && slash >= root;
         slash = path.rfind(L'\\', slash - 1)) {
        const EntryAttributes folder = ReadEntryAttributes(path.substr(0, slash));
        if (folder.Exists()) return !(folder.attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    return false;
}

struct timespec TimespecOf(const FILETIME& time) {
    LARGE_INTEGER count;
    count.LowPart = time.dwLowDateTime;
    count.HighPart = static_cast<LONG>(time.dwHighDateTime);
    return TimespecOf(count);
}

struct timespec TimespecOf(const LARGE_INTEGER& time) {
    const std::int64_t since1970 = time.QuadPart - kEpochDifference;
    std::int64_t seconds = since1970 / kStepsPerSecond;
    std::int64_t steps = since1970 % kStepsPerSecond;
    if (steps < 0) {  // before 1970: the remainder counts up from the earlier second
        steps += kStepsPerSecond;
        --seconds;
    }
    struct timespec spec {};
    spec.tv_sec = static_cast<time_t>(seconds);
    spec.tv_nsec = static_cast<long>(steps * 100);
    return spec;
}

FILETIME FiletimeOf(const struct timespec& time) {
    const std::int64_t count =
        static_cast<std::int64_t>(time.tv_sec) * kStepsPerSecond + time.tv_nsec / 100 + kEpochDifference;
    FILETIME file;
    file.dwLowDateTime = static_cast<DWORD>(count & 0xFFFFFFFF);
    file.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(count) >> 32);
    return file;
}

Result<FileHandle> AdoptHandle(HANDLE handle, const std::string& path) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        ::CloseHandle(handle);
        return Failure{path, EMFILE};
    }
    return FileHandle(fd, path);
}

HANDLE NativeHandle(const FileHandle& file) { return reinterpret_cast<HANDLE>(::_get_osfhandle(file.Fd())); }

HANDLE OpenWide(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags) {
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, flags | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool IsNameSurrogate(DWORD attributes, DWORD reparseTag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparseTag);
}

EntryAttributes ReadEntryAttributes(const std::wstring& path) {
    EntryAttributes entry;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return entry;
    entry.attributes = data.dwFileAttributes;
    if (!(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return entry;
    const HANDLE handle = OpenWide(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) return entry;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) entry.reparseTag = tag.ReparseTag;
    ::CloseHandle(handle);
    return entry;
}

}  // namespace fileservice
