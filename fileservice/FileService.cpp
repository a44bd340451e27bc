// Version texts and their comparison, and line deletion. Listing lives in DirectoryWalk.cpp,
// copying in SafeCopy.cpp and CopyPool.cpp, the parts that ask the file system in FileServiceOs.cpp.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/AtomicReplace.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>

namespace {

constexpr std::int64_t kNanosPerSecond = 1000000000;
// FAT keeps modification times in steps of two seconds.
constexpr std::int64_t kToleranceNanos = 2 * kNanosPerSecond;
constexpr std::int64_t kHourNanos = 3600 * kNanosPerSecond;
constexpr int kNanoDigits = 9;

struct VersionTime {
    std::int64_t seconds = 0;
    std::int64_t nanos = 0;
    std::int64_t size = -1;  // -1: the text carries none
};

// Parses "<seconds>[.<up to nine digits>][ <size>]"; anything else is no version.
bool ParseVersion(const char* text, VersionTime& time) {
    if (!text || !*text) return false;
    const char* end = text + std::strlen(text);
    const char* blank = std::find(text, end, ' ');
    time.size = -1;
    if (blank != end) {
        const auto [afterSize, error] = std::from_chars(blank + 1, end, time.size);
        if (error != std::errc() || afterSize != end || afterSize == blank + 1 || time.size < 0) return false;
        end = blank;
    }
    const auto [afterSeconds, error] = std::from_chars(text, end, time.seconds);
    if (error != std::errc() || afterSeconds == text) return false;
    time.nanos = 0;
    if (afterSeconds == end) return true;
    if (*afterSeconds != '.') return false;
    const char* digit = afterSeconds + 1;
    const std::ptrdiff_t digits = end - digit;
    if (digits < 1 || digits > kNanoDigits) return false;
    for (int i = 0; i < kNanoDigits; ++i) {
        int value = 0;
        if (i < digits) {
            if (digit[i] < '0' || digit[i] > '9') return false;
            value = digit[i] - '0';
        }
        time.nanos = time.nanos * 10 + value;
    }
    return true;
}

// Decides whether a line (without its ending) with this number (1 = first) is the one to remove.
using LineMatcher = bool (*)(std::string_view line, std::int64_t number, const void* context);

// Reads `file`, removes the first line `matches` accepts, and replaces the file atomically.
// A link is followed to its file; replacing the link itself would cut it off.
std::int32_t DeleteLine(const char* file, LineMatcher matches, const void* context) {
    if (!file || !*file) return EINVAL;
    try {
        const std::string path = file;
        fileservice::Result<std::string> read = fileservice::ReadRegularFile(path);
        if (!read) return read.Error().error == ENOENT ? 0 : read.Error().error;
        std::string& content = read.Value();
        std::size_t position = 0;
        std::int64_t number = 1;
        while (position < content.size()) {
            const std::size_t newline = content.find('\n', position);
            const std::size_t lineEnd = newline == std::string::npos ? content.size() : newline + 1;
            std::string_view line(content.data() + position,
                                  (newline == std::string::npos ? content.size() : newline) - position);
            // "\r\n" and "\n" end a line; a lone '\r' at the end of the file is content.
            if (newline != std::string::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (matches(line, number, context)) {
                content.erase(position, lineEnd - position);
                const fileservice::Status replaced = fileservice::ReplaceFile(path, content);
                return replaced ? 0 : replaced.Error().error;
            }
            position = lineEnd;
            ++number;
        }
        return 0;
    } catch (const std::exception&) {
        return ENOMEM;
    }
}

}  // namespace

namespace fileservice {

std::string VersionText(const struct timespec& mtime, std::int64_t size) {
    // Without printf: a run asks this twice per file.
    char text[64];
    char* end = std::to_chars(text, text + 24, static_cast<long long>(mtime.tv_sec)).ptr;
    *end++ = '.';
    long nanos = static_cast<long>(mtime.tv_nsec);
    for (int i = kNanoDigits - 1; i >= 0; --i) {
        end[i] = static_cast<char>('0' + nanos % 10);
        nanos /= 10;
    }
    end += kNanoDigits;
    if (size >= 0) {
        *end++ = ' ';
        end = std::to_chars(end, text + sizeof text, static_cast<long long>(size)).ptr;
    }
    return std::string(text, static_cast<std::size_t>(end - text));
}

}  // namespace fileservice

// The time as "<seconds since 1970>.<exactly nine digits>" (a '-' before times before 1970),
// then a blank and the size in bytes.
std::string VBFILEVERSION(const char* file) { return fileservice::LiveVersion(file); }

// Newer: `second` is empty (no target yet) or no version text, or the first time is more than
// two seconds later (FAT keeps 2-second stamps, so a file just copied there never counts as
// newer), or the times are within those two seconds and both texts carry sizes that differ (a
// cut or emptied copy is not up to date). A text without a size compares by its time; an empty
// or unreadable `first` is never newer. Every `mode` is treated like 1.
std::int32_t VBFILEISNEWER(const char* first, const char* second, std::int32_t) {
    return CompareVersions(first, second, false) == VersionOrder::Newer ? -1 : 0;
}

VersionOrder CompareVersions(const char* source, const char* target, bool localTimes) {
    VersionTime firstTime;
    VersionTime secondTime;
    if (!ParseVersion(source, firstTime)) return VersionOrder::Same;
    // No target yet (or none that we can read a time from): copy.
    if (!ParseVersion(target, secondTime)) return VersionOrder::Newer;
    const __int128 difference =
        (static_cast<__int128>(firstTime.seconds) - secondTime.seconds) * kNanosPerSecond +
        (firstTime.nanos - secondTime.nanos);
    // FAT keeps local times: after a change of the clock every file reads an hour off. Only
    // at a known, equal size: a file edited an hour after its copy mostly changes its size.
    const __int128 offHour = (difference < 0 ? -difference : difference) - kHourNanos;
    if (localTimes && firstTime.size >= 0 && firstTime.size == secondTime.size && offHour <= kToleranceNanos &&
        offHour >= -kToleranceNanos)
        return VersionOrder::Same;
    if (difference > kToleranceNanos) return VersionOrder::Newer;
    // Within the tolerance the times match; a file of another size is still not the same
    // (a cut or emptied copy). A target newer than that is never replaced.
    if (difference < -kToleranceNanos) return VersionOrder::TargetNewer;
    const bool otherSize = firstTime.size >= 0 && secondTime.size >= 0 && firstTime.size != secondTime.size;
    return otherSize ? VersionOrder::Newer : VersionOrder::Same;
}

std::int32_t VBFOLDERREMOVELEFTOVERS(const char* folder, const char* sourceFolder) {
    if (!folder || !*folder) return -1;
    // A pending copy's temporary is not a leftover.
    fileservice::WaitForPendingCopies();
    return fileservice::RemoveLeftovers(folder, sourceFolder);
}

std::int32_t VBFILEDELETEBYLINENUMBER(const char* file, std::int32_t& lineNumber) {
    const std::int64_t wanted = lineNumber;
    if (wanted < 1) return 0;
    return DeleteLine(
        file, [](std::string_view, std::int64_t number, const void* context) {
            return number == *static_cast<const std::int64_t*>(context);
        },
        &wanted);
}

std::int32_t VBFILEDELETELINEBYTEXT(const char* file, const char* line, std::int8_t&) {
    if (!line) return EINVAL;
    const std::string_view wanted(line);
    return DeleteLine(
        file, [](std::string_view candidate, std::int64_t, const void* context) {
            return candidate == *static_cast<const std::string_view*>(context);
        },
        &wanted);
}
