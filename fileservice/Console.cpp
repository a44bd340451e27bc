#include "fileservice/Console.h"

#include <cstdio>

#ifdef _WIN32
#include <cstdlib>
#include <cstring>
#include <io.h>
#include <string>
#include <windows.h>
#endif

namespace fileservice {

#ifdef _WIN32

namespace {

UINT g_oldOutputPage = 0;

void RestoreOutputPage() { SetConsoleOutputCP(g_oldOutputPage); }

// A handle the process inherited (a redirection) or none.
bool HasStream(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() {
    const bool hasOut = HasStream(STD_OUTPUT_HANDLE);
    const bool hasErr = HasStream(STD_ERROR_HANDLE);
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started without one: nowhere to write
    if (!hasOut) std::freopen("CONOUT$", "w", stdout);
    if (!hasErr) std::freopen("CONOUT$", "w", stderr);
    g_oldOutputPage = GetConsoleOutputCP();
    if (g_oldOutputPage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreOutputPage);
}

void WriteText(std::FILE* stream, const char* utf8) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    const int length = static_cast<int>(std::strlen(utf8));
    const int wide = length == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8, length, nullptr, 0);
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode) || wide <= 0) {
        std::fputs(utf8, stream);
        return;
    }
    std::fflush(stream);
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, length, text.data(), wide);
    DWORD written = 0;
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

#else

void UseParentConsole() {}

void WriteText(std::FILE* stream, const char* utf8) { std::fputs(utf8, stream); }

#endif

}  // namespace fileservice
