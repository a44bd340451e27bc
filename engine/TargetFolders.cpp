#include "engine/TargetFolders.h"

#include "engine/Paths.h"
#include "engine/RunControls.h"
#include "engine/RunReport.h"
#include "fileservice/FileService.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

void CreateTargetFolders(RunControls& controls, RunReport& report, const QString& sourcePath,
                         const QString& targetPath) {
    const QByteArray source = ToNative(sourcePath);
    std::int32_t listFlag = 1;
    VBFOLDERCOUNT(source.constData(), listFlag);
    std::vector<std::string> folderList;
    listFlag = 0;
    VBFOLDERLIST(source.constData(), listFlag, folderList);

    const QByteArray target = ToNative(targetPath);
    // Leftovers of an interrupted run go in the background; the first copy waits for that.
    VBFOLDERREMOVELEFTOVERSASYNC(target.constData(), source.constData());
    for (const std::string& entry : folderList) {
        const std::string folder = std::string(target.constData()) + entry;
        const QString relative = FromNative(entry.substr(1));
        // Nothing is created below a link that stands for a folder: it would land outside the target.
        if (report.IsBlocked(relative)) {
            report.FolderFailed(FromNative(folder), QString::fromLocal8Bit(std::strerror(ENOTDIR)));
            continue;
        }
        if (VBFOLDEREXISTS(folder.c_str()) != 0) {
            struct stat st;
            if (::lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
                // A link where a folder must go leads elsewhere; the run never writes through it.
                report.FolderFailed(FromNative(folder), QString::fromLocal8Bit(std::strerror(EEXIST)));
                report.BlockFolder(relative);
                continue;
            }
            VBFOLDERREMOVELEFTOVERSASYNC(folder.c_str(), (std::string(source.constData()) + entry).c_str());
            continue;
        }
        const std::string& created = folder;
        // One level: the list puts every parent before its children. A parent that failed
        // makes its children fail too, each reported with its own path.
        if (::mkdir(created.c_str(), 0777) != 0)
            report.FolderFailed(FromNative(created), QString::fromLocal8Bit(std::strerror(errno)));
        controls.KeepPainting();
    }
}
