// The parts of FileService.h that ask the file system: folder checks, live versions and the
// clean-up of a copy's leftovers.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/AtomicReplace.h"

#include <cerrno>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

std::int32_t VBFOLDEREXISTS(const char* folder) {
    struct stat st;
    if (!folder || !*folder || ::stat(folder, &st) != 0) return 0;
    return S_ISDIR(st.st_mode) ? 1 : 0;
}

namespace fileservice {

std::string LiveVersion(const char* file) {
    struct stat st;
    // The link's own time: links are mirrored as links, with their own times.
    if (!file || !*file || ::lstat(file, &st) != 0 || S_ISDIR(st.st_mode)) return {};
    return VersionText(st.st_mtim, st.st_size);
}

std::int32_t RemoveLeftovers(const char* folder, const char* sourceFolder) {
    try {
        const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
        if (!dir) {
            ::close(fd);
            return -1;
        }
        // Collect first: removing entries while reading the folder may skip others.
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir.get())) {
            if (entry->d_type != DT_DIR && IsTemporaryName(entry->d_name)) names.emplace_back(entry->d_name);
        }
        if (names.empty()) return 0;
        // A name the source has is a mirrored file that only looks like a leftover.
        int sourceFd = -1;
        if (sourceFolder && *sourceFolder) {
            sourceFd = ::open(sourceFolder, O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (sourceFd < 0 && errno != ENOENT && errno != ENOTDIR) return 0;  // cannot tell: keep them all
        }
        std::int32_t removed = 0;
        for (const std::string& name : names) {
            struct stat st;
            if (sourceFd >= 0 && (::fstatat(sourceFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT))
                continue;
            // Removing refuses folders, so a folder that happens to match stays.
            if (Remove(std::string(folder) + '/' + name)) ++removed;
        }
        if (sourceFd >= 0) ::close(sourceFd);
        return removed;
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace fileservice
