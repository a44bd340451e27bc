#include "engine/Vergleich.h"

#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunContext.h"
#include "engine/Selection.h"
#include "fileservice/FileService.h"
#include "fileservice/Listing.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int kProgressMax = 100;

// Waits for every handed-over copy, breathing meanwhile, and reports each failed copy by its
// entry relative to the run's target. A stop meanwhile drops the copies not yet begun; those
// running end whole. Returns how many of the handed-over copies did not land.
int WaitForCopies(RunContext& run) {
    int dropped = 0;
    bool cancelled = false;
    while (VBFILECOPYPENDING() > 0) {
        if (!cancelled && run.Stopping()) {
            cancelled = true;
            dropped = VBFILECOPYCANCEL();
        }
        run.Events().Breathe();
        VBFILECOPYWAITFOR(50);
    }
    const QString& target = run.Request().target;
    const QString prefix = target.endsWith(QLatin1Char('/')) ? target : target + QLatin1Char('/');
    const std::vector<CopyFailure> failures = VBFILECOPYWAIT();
    for (const CopyFailure& copy : failures) {
        QString entry = FromNative(copy.failure.path);
        if (entry.startsWith(prefix)) entry = entry.mid(prefix.size());
        run.Fail(FailureKind::Copy, entry, copy.failure.error);
    }
    return static_cast<int>(failures.size()) + dropped;
}

}  // namespace

bool IsNewer(const std::string& sourceVersion, const std::string& targetVersion) {
    return VBFILEISNEWER(sourceVersion.c_str(), targetVersion.c_str(), 1) == -1;
}

int ProgressStep(std::int32_t fileCount) {
    if (fileCount < 1) return 0;
    return static_cast<int>(std::nearbyint(100.0 / fileCount));
}

void ReportListFailures(RunContext& run, const fileservice::Listing& listing) {
    for (const fileservice::Failure& failure : listing.Failures())
        run.Fail(FailureKind::ReadFolder, FromNative(failure.path), failure.error);
}

void CopyFiles(RunContext& run, RunActions& actions, const fileservice::Listing& listing, const Selection& selection,
               const QString& sourceRoot, const QString& targetRoot) {
    run.SetProgress(run.Count(), 0);
    const auto fileCount = static_cast<std::int32_t>(selection.FileCount());
    run.Counts().listed = fileCount;
    run.Events().Summary(RunSummary{fileCount, selection.ByteTotal(), selection.LeftOut(), run.Counts().removed});

    const bool onlyNewer = run.Request().mode == RunMode::OnlyNewer;
    const int progressStep = ProgressStep(fileCount);
    const std::string sourcePrefix = NativePrefix(sourceRoot);
    const std::string targetPrefix = NativePrefix(targetRoot);
    std::string sourceFile;
    std::string targetFile;
    std::int32_t& handedOver = run.Counts().handedOver;
    for (std::size_t k = 0; k < selection.FileCount() && !run.Stopping(); ++k) {
        const std::size_t i = selection.Index(k);
        const std::string& name = listing.File(i);
        const bool refused = run.RefuseIfBlocked(FromNative(name));
        JoinNative(sourceFile, sourcePrefix, name);
        bool copy = !refused;
        if (copy && onlyNewer) copy = IsNewer(listing.SourceVersion(i), actions.TargetVersion(listing, i));
        if (copy) {
            JoinNative(targetFile, targetPrefix, name);
            actions.Copy(sourceFile, targetFile);
            ++handedOver;
            run.Events().CopyHandedOver(CopyItem{FromNative(name), sourceFile});
        }
        // Copying everything counts every listed file; only-newer counts the copies and
        // moves the bar.
        if (!onlyNewer) run.SetProgress(run.Count() + 1, run.Percent());
        else if (copy) run.SetProgress(run.Count() + 1, std::min(kProgressMax, run.Percent() + progressStep));
        run.Events().Breathe();
    }
    if (onlyNewer && !run.Stopped()) run.SetProgress(run.Count(), kProgressMax);

    // A stopped run hands over nothing more, but the copies in flight end whole.
    const int failedCopies = WaitForCopies(run);
    run.Counts().landed = handedOver - failedCopies;
}
