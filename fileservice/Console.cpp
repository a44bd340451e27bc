#include "fileservice/Console.h"

#ifdef _WIN32
#include <cstdio>
#include <cstdlib>
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

#else

void UseParentConsole() {}

#endif

}  // namespace fileservice
