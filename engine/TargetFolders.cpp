#include "engine/TargetFolders.h"

#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunControls.h"
#include "engine/RunReport.h"
#include "fileservice/FileService.h"
#include "fileservice/Listing.h"
#include "fileservice/SafeFile.h"

#include <cerrno>
#include <string>
#include <vector>

void CreateTargetFolders(RunControls& controls, RunReport& report, RunActions& actions, const QString& sourcePath,
                         const QString& targetPath, const fileservice::Listing& listing) {
    const QByteArray source = ToNative(sourcePath);
    const std::vector<std::string>& folderList = listing.Folders();

    const QByteArray target = ToNative(targetPath);
    // Leftovers of an interrupted run go in the background; the first copy waits for that.
    actions.RemoveLeftovers(target.constData(), source.constData());
    for (const std::string& entry : folderList) {
        if (report.Stopping(controls)) return;
        const std::string folder = std::string(target.constData()) + entry;
        const QString relative = FromNative(entry.substr(1));
        // Nothing is created below a link that stands for a folder: it would land outside the target.
        if (report.IsBlocked(relative)) {
            report.FolderFailed(FromNative(folder), ENOTDIR);
            continue;
        }
        if (actions.FolderExists(folder)) {
            if (fileservice::IsLink(folder)) {
                // A link where a folder must go leads elsewhere; the run never writes through it.
                report.FolderFailed(FromNative(folder), EEXIST);
                report.BlockFolder(relative);
                continue;
            }
            actions.RemoveLeftovers(folder, std::string(source.constData()) + entry);
            continue;
        }
        // One level: the list puts every parent before its children. A parent that failed
        // makes its children fail too, each reported with its own path.
        if (const fileservice::Status made = actions.MakeFolder(folder); !made)
            report.FolderFailed(FromNative(folder), made.Error().error);
        controls.KeepPainting();
    }
}
