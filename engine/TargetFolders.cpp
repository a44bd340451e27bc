#include "engine/TargetFolders.h"

#include "engine/CaseFolding.h"
#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunContext.h"
#include "fileservice/Listing.h"
#include "fileservice/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <string>

void CreateTargetFolders(RunContext& run, RunActions& actions, const fileservice::Listing& listing,
                         const std::vector<std::string>& folders, const QString& sourcePath,
                         const QString& targetPath) {
    const std::string source = ToNative(sourcePath).toStdString();
    const std::string target = ToNative(targetPath).toStdString();
    // Leftovers of an interrupted run go in the background; the first copy waits for that.
    // Where the listing read every target folder, only those it found a temporary in are read again.
    std::vector<std::string> leftovers;  // "" for the top, else as the folders are named
    const bool known = listing.TargetReadWhole();
    if (known) {
        for (const fileservice::TargetExtra& extra : listing.TargetExtras()) {
            if (!extra.entry.temporary && extra.error == 0) continue;
            std::string folder = extra.folder == 0 ? std::string() : listing.Folders()[extra.folder - 1];
            if (leftovers.empty() || leftovers.back() != folder) leftovers.push_back(std::move(folder));
        }
    }
    const auto holdsLeftovers = [&](const std::string& folder) {
        return !known || std::find(leftovers.begin(), leftovers.end(), folder) != leftovers.end();
    };
    if (holdsLeftovers(std::string())) actions.RemoveLeftovers(target, source);
    run.SetMedium(actions.ProbeMedium(target));
    const bool foldsCase = run.Medium().foldsCase;
    CaseTwins twins;
    TargetSpelling spelling;
    if (foldsCase) {
        twins = FindCaseTwins(listing);
        for (const QString& file : std::as_const(twins.files)) run.RefuseFile(file, fileservice::kNameTakenByCase);
    }
    for (const std::string& entry : folders) {
        if (run.Stopping()) return;
        const std::string folder = target + entry;
        const QString relative = FromNative(entry.substr(1));
        // Nothing is created below a link that stands for a folder: it would land outside the target.
        if (const int blocked = run.BlockedError(relative); blocked != 0) {
            run.Fail(FailureKind::MakeFolder, FromNative(folder), blocked);
            continue;
        }
        // A second spelling of a folder would mix two folders' files in one.
        if (foldsCase && twins.folders.contains(relative)) {
            run.Fail(FailureKind::MakeFolder, FromNative(folder), fileservice::kNameTakenByCase);
            run.BlockFolder(relative, fileservice::kNameTakenByCase);
            continue;
        }
        if (actions.FolderExists(folder)) {
            if (foldsCase) {
                const QString other = spelling.OtherSpelling(FromNative(folder));
                if (!other.isEmpty()) run.Events().FolderSpelledOtherwise(FromNative(folder), other);
            }
            if (fileservice::IsLink(folder)) {
                // A link where a folder must go leads elsewhere; the run never writes through it.
                run.Fail(FailureKind::MakeFolder, FromNative(folder), EEXIST);
                run.BlockFolder(relative);
                continue;
            }
            if (holdsLeftovers(entry)) actions.RemoveLeftovers(folder, source + entry);
            continue;
        }
        // One level: the list puts every parent before its children. A parent that failed
        // makes its children fail too, each reported with its own path.
        if (const fileservice::Status made = actions.MakeFolder(folder); !made)
            run.Fail(FailureKind::MakeFolder, FromNative(folder), made.Error().error);
        else
            run.Events().FolderMade(FromNative(folder));
        run.Events().Breathe();
    }
}
