#include "engine/Vergleich.h"

#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunContext.h"
#include "engine/Selection.h"
#include "fileservice/FileService.h"
#include "fileservice/Listing.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {
constexpr int kProgressMax = 100;

}  // namespace

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
        // A file that is not copied costs no path: only-newer with nothing changed builds none.
        std::string name;
        const auto named = [&]() -> const std::string& {
            if (name.empty()) name = listing.File(i);
            return name;
        };
        // Most runs refuse nothing: the name is not turned into text per file for nothing.
        bool copy = !(run.RefusesAny() && run.RefuseIfBlocked(FromNative(named())));
        if (copy && onlyNewer) {
            const VersionOrder order = actions.Order(listing, i, run.Medium().localTimes);
            copy = order == VersionOrder::Newer;
            if (order == VersionOrder::TargetNewer) run.TargetNewer(FromNative(named()));
        }
        if (copy) {
            JoinNative(sourceFile, sourcePrefix, named());
            JoinNative(targetFile, targetPrefix, name);
            const std::int64_t ticket = actions.Copy(sourceFile, targetFile);
            ++handedOver;
            CopyItem item{FromNative(name), sourceFile};
            run.Events().CopyHandedOver(item);
            run.Landing().HandedOver(std::move(item), ticket, run);
        }
        run.Landing().Tell(run);
        // Copying everything counts every listed file once its line is told (RunContext::FileTold);
        // only-newer counts the copies and moves the bar.
        if (onlyNewer && copy) run.SetProgress(run.Count() + 1, std::min(kProgressMax, run.Percent() + progressStep));
        run.Events().Breathe();
    }
    if (onlyNewer && !run.Stopped()) run.SetProgress(run.Count(), kProgressMax);

    // A stopped run hands over nothing more, but the copies in flight end whole.
    run.Counts().landed = handedOver - run.Landing().Finish(run);
}
