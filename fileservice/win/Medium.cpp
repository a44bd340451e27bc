// What a target's file system keeps, on Win32: its name from GetVolumeInformationW ("NTFS",
// "FAT32", "exFAT"…), letter case learnt from what the folder does (a folder of NTFS may be
// set to tell case apart).

#include "fileservice/Medium.h"

#include "fileservice/AtomicReplace.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/win/WinEntries.h"

#include <cwchar>
#include <cwctype>
#include <unordered_set>

namespace fileservice {
namespace {

// A folder's first names are enough to find one that tells; a huge folder is not read whole.
constexpr int kNamesToTry = 512;

bool IsFatType(const std::string& type) { return type == "FAT" || type == "FAT12" || type == "FAT16" || type == "FAT32"; }

// Where no name tells: Windows' own file systems fold case.
bool FoldsByType(const std::string& type) { return IsFatType(type) || type == "exFAT" || type == "NTFS"; }

// The name with every ASCII letter in the other case; empty when it has none.
std::wstring SwappedCase(const std::wstring& name) {
    std::wstring swapped = name;
    bool letter = false;
    for (wchar_t& c : swapped) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        else if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        else continue;
        letter = true;
    }
    return letter ? swapped : std::wstring();
}

// 1: folds, 0: does not, -1: no name in the folder tells.
int CaseByExistingName(const std::wstring& folder) {
    std::unordered_set<std::wstring> names;
    int read = 0;
    const Status listed = ForEachEntry(folder, {}, [&](const WIN32_FIND_DATAW& found) {
        names.emplace(found.cFileName);
        return ++read < kNamesToTry;
    });
    if (!listed) return -1;
    for (const std::wstring& name : names) {
        const std::wstring swapped = SwappedCase(name);
        if (swapped.empty()) continue;
        // Both spellings listed: the folder tells them apart.
        if (names.count(swapped)) return 0;
        return ReadEntryAttributes(folder + L'\\' + swapped).Exists() ? 1 : 0;
    }
    return -1;
}

}  // namespace

std::string FileSystemType(const std::string& path) {
    const Result<std::wstring> wide = WidePath(path);
    if (!wide) return {};
    std::wstring root(wide.Value().size() + 2, L'\0');
    if (!::GetVolumePathNameW(wide.Value().c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
    root.resize(std::wcslen(root.c_str()));
    wchar_t name[MAX_PATH + 1];
    if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1)) return {};
    return Utf8Of(name);
}

Medium ProbeMedium(const std::string& folder, bool mayWrite) {
    Medium medium;
    const std::string type = FileSystemType(folder);
    const Result<std::wstring> wide = WidePath(folder);
    int folds = wide ? CaseByExistingName(wide.Value()) : -1;
    if (folds < 0 && mayWrite) folds = CaseFoldsByProbe(folder);
    medium.foldsCase = folds < 0 ? FoldsByType(type) : folds == 1;
    if (IsFatType(type)) {
        // FAT keeps local times, which Windows reads an hour off after a change of the clock.
        medium.localTimes = true;
        medium.maxFileSize = kFatMaxFileSize;
    }
    return medium;
}

}  // namespace fileservice
