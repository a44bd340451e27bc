#include "fileservice/SystemError.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fileservice {

#ifdef _WIN32

std::string SystemErrorText(int error) {
    wchar_t wide[256] = {};
    if (_wcserror_s(wide, sizeof wide / sizeof wide[0], error) != 0) return "Unknown error";
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return "Unknown error";
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(length - 1));
    return text;
}

#else

namespace {

// glibc offers the GNU strerror_r (returns a pointer), other C libraries the POSIX one
// (returns an int); overloads pick whichever is declared.
[[maybe_unused]] const char* StrerrorResult(const char* result, const char*) { return result; }
[[maybe_unused]] const char* StrerrorResult(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}

}  // namespace

std::string SystemErrorText(int error) {
    char buffer[256] = {};
    return StrerrorResult(strerror_r(error, buffer, sizeof buffer), buffer);
}

#endif

}  // namespace fileservice
