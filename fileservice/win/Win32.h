#pragma once

// What every Win32 source of the file service shares: paths turned from the interface's UTF-8
// into what Win32 takes, Win32 errors turned into the errno values the texts word, FILETIME
// turned into the times the version texts carry, and handles kept in a FileHandle.

#include "fileservice/Failure.h"
#include "fileservice/SafeRead.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <time.h>
// Also for the tests that include this: no min and max macros, no sockets.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// windows.h makes ReplaceFile a macro (ReplaceFileW), which would rename the layer's own.
#undef ReplaceFile

namespace fileservice {

// `path` as Win32 takes it: UTF-16, absolute, '\' between names, "." and ".." resolved by
// text, behind the \\?\ prefix, so that neither MAX_PATH nor Win32's renaming of names applies.
// Names Windows does not allow fail here, before anything is touched: a character of
// < > : " | ? * or below a blank (kNameNotAllowed), a device name such as CON or NUL, or a name
// that ends in a dot or a blank (kNameReserved). Bytes that are no UTF-8 fail with EILSEQ.
Result<std::wstring> WidePath(const std::string& path);

// `text` (UTF-8) appended to `out` as UTF-16; false for bytes that are no UTF-8. A surrogate
// written on its own (Utf8Of) comes back as it was.
bool WideText(std::string_view text, std::wstring& out);

// The length of the root of a path in that form, with its separator: 7 for "\\?\C:\", up to
// the share's end for "\\?\UNC\server\share\".
std::size_t RootLength(const std::wstring& path);

// The UTF-8 form of a UTF-16 name; an unpaired surrogate is kept (as Utf8.h writes it).
std::string Utf8Of(std::wstring_view text);

// The errno value (or ErrorCode) that tells the user what the Win32 error means.
int ErrnoOf(DWORD error);
// The failure of the last Win32 call at `path`.
Failure LastFailure(const std::string& path);

// A path in Win32's form as the user writes it, for failures and texts: "C:\a" for
// "\\?\C:\a", "\\server\share" for "\\?\UNC\server\share".
std::string PlainPath(const std::wstring& path);

// FILETIME counts 100 ns since 1601; the version texts count from 1970.
struct timespec TimespecOf(const FILETIME& time);
FILETIME FiletimeOf(const struct timespec& time);
// A LARGE_INTEGER of FILE_BASIC_INFO as the same count.
struct timespec TimespecOf(const LARGE_INTEGER& time);

// The handle kept in a FileHandle (its descriptor wraps it); the FileHandle owns it from then
// on, also on failure (EMFILE).
Result<FileHandle> AdoptHandle(HANDLE handle, const std::string& path);
HANDLE NativeHandle(const FileHandle& file);

// Opens `path` as CreateFileW does, with every sharing mode, so that the program never keeps a
// user's program from a file; `flags` gets FILE_FLAG_BACKUP_SEMANTICS (folders open too).
HANDLE OpenWide(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags);

// A reparse point that stands for another name (a symbolic link, a junction): a link, never
// followed. Other reparse points (cloud placeholders, deduplicated files) are their data.
bool IsNameSurrogate(DWORD attributes, DWORD reparseTag);

// The attributes of what stands at `path` itself (a link not followed), and the reparse tag.
struct EntryAttributes {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD reparseTag = 0;
    bool Exists() const { return attributes != INVALID_FILE_ATTRIBUTES; }
    bool IsLink() const { return Exists() && IsNameSurrogate(attributes, reparseTag); }
    bool IsFolder() const { return Exists() && (attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(); }
};
EntryAttributes ReadEntryAttributes(const std::wstring& path);
// Whether the nearest of `path`'s folders that exists is a file: where Win32 says "path not
// found", POSIX says ENOTDIR, and so do the texts.
bool FileInTheWay(const std::wstring& path);

// The FILETIME pair a copy carries over: last access and last write.
struct FileTimes {
    FILETIME access{};
    FILETIME write{};
};

}  // namespace fileservice
