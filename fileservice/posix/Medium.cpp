// What a target's file system keeps. Under FUSE the kernel's type says little ("fuseblk"),
// so letter case is learnt from what the folder does; FAT's traits by its type.

#include "fileservice/Medium.h"

#include "fileservice/AtomicReplace.h"
#include "fileservice/FileServiceInternal.h"

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unordered_set>

namespace fileservice {
namespace {

// A folder's first names are enough to find one that tells; a huge folder is not read whole.
constexpr int kNamesToTry = 512;

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
std::string Unescaped(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

bool IsFatType(const std::string& type) {
    return type == "vfat" || type == "msdos" || type == "fat" || type == "fuse.fusefat" || type == "fuseblk.fusefat";
}

// Where no name tells: the types known to fold case.
bool FoldsByType(const std::string& type) {
    return IsFatType(type) || type == "exfat" || type == "fuse.exfat" || type == "fuseblk.exfat";
}

// The name with every ASCII letter in the other case; empty when it has none.
std::string SwappedCase(const std::string& name) {
    std::string swapped = name;
    bool letter = false;
    for (char& c : swapped) {
        const auto u = static_cast<unsigned char>(c);
        if (std::islower(u)) c = static_cast<char>(std::toupper(u));
        else if (std::isupper(u)) c = static_cast<char>(std::tolower(u));
        else continue;
        letter = true;
    }
    return letter ? swapped : std::string();
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// 1: folds, 0: does not, -1: no name in the folder tells.
int CaseByExistingName(const std::string& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return -1;
    std::unordered_set<std::string> names;
    int read = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (++read > kNamesToTry) break;
        names.emplace(entry->d_name);
    }
    for (const std::string& name : names) {
        const std::string swapped = SwappedCase(name);
        // Both spellings listed: the folder tells them apart.
        if (swapped.empty() || name == "." || name == "..") continue;
        if (names.count(swapped)) return 0;
        return Exists(folder + '/' + swapped) ? 1 : 0;
    }
    return -1;
}

}  // namespace

std::string FileSystemType(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return {};
    const std::string resolved = real;
    std::free(real);
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    std::string type;
    std::size_t best = 0;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        fields >> id >> parent >> device >> root >> mountPoint;
        mountPoint = Unescaped(mountPoint);
        const bool holds = mountPoint == "/" || resolved == mountPoint ||
                           (resolved.compare(0, mountPoint.size(), mountPoint) == 0 && resolved[mountPoint.size()] == '/');
        // The last of equal mount points is the one on top.
        if (!holds || mountPoint.size() < best) continue;
        const std::size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream rest(line.substr(dash + 3));
        rest >> type;
        best = mountPoint.size();
    }
    return type;
}

Medium ProbeMedium(const std::string& folder, bool mayWrite) {
    Medium medium;
    const std::string type = FileSystemType(folder);
    int folds = CaseByExistingName(folder);
    if (folds < 0 && mayWrite) folds = CaseFoldsByProbe(folder);
    medium.foldsCase = folds < 0 ? FoldsByType(type) : folds == 1;
    if (IsFatType(type)) {
        medium.localTimes = true;
        medium.maxFileSize = kFatMaxFileSize;
        // Harmless where the driver keeps them (the kernel's vfat), and one call per file on FAT only.
        medium.timesAfterRename = true;
    }
    return medium;
}

}  // namespace fileservice
