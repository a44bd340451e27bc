#include "engine/TargetFolders.h"

#include "engine/Paths.h"
#include "engine/RunControls.h"
#include "engine/RunReport.h"
#include "fileservice/FileService.h"
#include "fileservice/SafeFile.h"

#include <cerrno>
#include <string>
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
        if (report.Stopping(controls)) return;
        const std::string folder = std::string(target.constData()) + entry;
        const QString relative = FromNative(entry.substr(1));
        // Nothing is created below a link that stands for a folder: it would land outside the target.
        if (report.IsBlocked(relative)) {
            report.FolderFailed(FromNative(folder), ENOTDIR);
            continue;
        }
        if (VBFOLDEREXISTS(folder.c_str()) != 0) {
            if (fileservice::IsLink(folder)) {
                // A link where a folder must go leads elsewhere; the run never writes through it.
                report.FolderFailed(FromNative(folder), EEXIST);
                report.BlockFolder(relative);
                continue;
            }
            VBFOLDERREMOVELEFTOVERSASYNC(folder.c_str(), (std::string(source.constData()) + entry).c_str());
            continue;
        }
        // One level: the list puts every parent before its children. A parent that failed
        // makes its children fail too, each reported with its own path.
        if (const fileservice::Status made = fileservice::MakeFolder(folder); !made)
            report.FolderFailed(FromNative(folder), made.Error().error);
        controls.KeepPainting();
    }
}
