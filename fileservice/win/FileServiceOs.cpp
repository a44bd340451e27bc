// The parts of FileService.h that ask the file system, on Win32: folder checks, live versions
// and the clean-up of a copy's leftovers.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/AtomicReplace.h"
#include "fileservice/win/WinEntries.h"

#include <exception>
#include <vector>

std::int32_t VBFOLDEREXISTS(const char* folder) {
    if (!folder || !*folder) return 0;
    const fileservice::Result<std::wstring> wide = fileservice::WidePath(folder);
    if (!wide) return 0;
    // A link to a folder counts: its target's attributes.
    const DWORD attributes = ::GetFileAttributesW(wide.Value().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return 1;
    const HANDLE handle = fileservice::OpenWide(wide.Value(), FILE_READ_ATTRIBUTES, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    ::CloseHandle(handle);
    return 1;
}

namespace fileservice {

std::string LiveVersion(const char* file) {
    if (!file || !*file) return {};
    const Result<std::wstring> wide = WidePath(file);
    if (!wide) return {};
    // The link's own time: links are mirrored as links, with their own times.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide.Value().c_str(), GetFileExInfoStandard, &data)) return {};
    EntryAttributes entry;
    entry.attributes = data.dwFileAttributes;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) entry = ReadEntryAttributes(wide.Value());
    if (entry.IsFolder()) return {};
    const std::int64_t size = entry.IsLink() ? 0
                                             : static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                                                         data.nFileSizeLow);
    return VersionText(TimespecOf(data.ftLastWriteTime), size);
}

std::int32_t RemoveLeftovers(const char* folder, const char* sourceFolder) {
    try {
        const Result<std::wstring> wide = WidePath(folder);
        if (!wide) return -1;
        // Collect first: removing entries while reading the folder may skip others.
        std::vector<std::string> names;
        const Status read = ForEachEntry(wide.Value(), folder, [&](const WIN32_FIND_DATAW& found) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                std::string name = Utf8Of(found.cFileName);
                if (IsTemporaryName(name)) names.push_back(std::move(name));
            }
            return true;
        });
        if (!read) return -1;
        if (names.empty()) return 0;
        // A name the source has is a mirrored file that only looks like a leftover.
        std::wstring source;
        if (sourceFolder && *sourceFolder) {
            const Result<std::wstring> wideSource = WidePath(sourceFolder);
            if (!wideSource) return 0;  // cannot tell: keep them all
            source = wideSource.Value();
            const DWORD attributes = ::GetFileAttributesW(source.c_str());
            const DWORD error = ::GetLastError();
            if (attributes == INVALID_FILE_ATTRIBUTES && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
                return 0;
        }
        std::int32_t removed = 0;
        for (const std::string& name : names) {
            if (!source.empty()) {
                std::wstring wideName;
                if (!WideText(name, wideName)) continue;
                if (::GetFileAttributesW((source + L'\\' + wideName).c_str()) != INVALID_FILE_ATTRIBUTES ||
                    (::GetLastError() != ERROR_FILE_NOT_FOUND && ::GetLastError() != ERROR_PATH_NOT_FOUND))
                    continue;
            }
            // Removing refuses folders, so a folder that happens to match stays.
            if (Remove(std::string(folder) + '/' + name)) ++removed;
        }
        return removed;
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace fileservice
