#include "engine/Vergleich.h"

#include "engine/Messages.h"
#include "engine/Paths.h"
#include "engine/RunActions.h"
#include "engine/RunControls.h"
#include "engine/RunReport.h"
#include "fileservice/FileService.h"
#include "fileservice/Listing.h"
#include "log/Logfile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

namespace {
constexpr int kProgressMax = 100;

// Copies the source file when it is newer than the target file, then advances the progress
// bar by `progressStep` (never above 100) and the counter by one; true when it was handed over.
// `index` is the file's in `listing`.
bool CopyIfNewer(RunControls& controls, RunActions& actions, const fileservice::Listing& listing, std::size_t index,
                 const std::string& sourceFile, const std::string& targetFile, const std::string& entry,
                 int progressStep) {
    const std::string targetVersion = actions.TargetVersion(listing, index);
    const std::string sourceVersion = listing.SourceVersion(index);
    if (VBFILEISNEWER(sourceVersion.c_str(), targetVersion.c_str(), 1) != -1) return false;

    actions.Copy(sourceFile, targetFile, entry);
    const int value = controls.ProgressValue();
    if (value < kProgressMax) controls.SetProgressValue(std::min(kProgressMax, value + progressStep));
    controls.SetCountText(QString::number(controls.CountText().toInt() + 1));
    return true;
}

}  // namespace

int ProgressStep(std::int32_t fileCount) {
    if (fileCount < 1) return 0;
    return static_cast<int>(std::nearbyint(100.0 / fileCount));
}

void ReportListFailures(RunReport& report, const fileservice::Listing& listing) {
    for (const fileservice::Failure& failure : listing.Failures())
        report.FolderUnreadable(FromNative(failure.path), failure.error);
}

int WaitForCopies(RunControls& controls, RunReport& report, const QString& targetRoot) {
    // Keep painting while large copies finish; the pool reports failures only at the end.
    // A stop drops the copies not yet begun; those running end whole.
    int dropped = 0;
    bool cancelled = false;
    while (VBFILECOPYPENDING() > 0) {
        if (!cancelled && report.Stopping(controls)) {
            cancelled = true;
            dropped = VBFILECOPYCANCEL();
        }
        controls.KeepPainting();
        VBFILECOPYWAITFOR(50);
    }
    const QString prefix = targetRoot.endsWith(QLatin1Char('/')) ? targetRoot : targetRoot + QLatin1Char('/');
    const std::vector<CopyFailure> failures = VBFILECOPYWAIT();
    for (const CopyFailure& copy : failures) {
        QString entry = FromNative(copy.failure.path);
        if (entry.startsWith(prefix)) entry = entry.mid(prefix.size());
        report.CopyFailed(entry, copy.failure.error);
    }
    return static_cast<int>(failures.size()) + dropped;
}

void MirrorFiles(RunControls& controls, Logfile& log, RunReport& report, RunActions& actions,
                 const fileservice::Listing& listing) {
    controls.SetProgressValue(0);

    const Currency totalBytes = listing.ByteTotal();
    const std::int32_t lastIndex =
        static_cast<std::int32_t>(std::min<std::size_t>(listing.FileCount(), INT32_MAX)) - 1;
    ReportListFailures(report, listing);

    const std::int32_t fileCount = lastIndex + 1;
    const int progressStep = ProgressStep(fileCount);
    const QString summary = SummaryText(fileCount, totalBytes.scaled);
    controls.SetFilesText(summary);
    actions.WriteSummary(log, StatusTime() + QStringLiteral(" - ") + summary);

    const QString sourceDir = controls.SourcePath();
    const QString targetDir = controls.TargetPath();
    const std::string sourcePrefix = NativePrefix(sourceDir);
    const std::string targetPrefix = NativePrefix(targetDir);
    std::string sourceFile;
    std::string targetFile;
    int handedOver = 0;
    if (!controls.CopyOnlyNew()) {
        std::int32_t processedCount = 0;
        for (std::int32_t i = 0; i <= lastIndex && !report.Stopping(controls); ++i) {
            const std::string& name = listing.File(static_cast<std::size_t>(i));
            const QString entry = FromNative(name);
            const bool refused = report.RefuseIfBlocked(entry);
            if (!refused) {
                JoinNative(sourceFile, sourcePrefix, name);
                JoinNative(targetFile, targetPrefix, name);
                actions.Copy(sourceFile, targetFile, name);
                ++handedOver;
            }
            ++processedCount;
            controls.SetCountText(QString::number(processedCount));
            if (!refused) actions.WriteCopied(log, entry);
            controls.KeepPainting();
        }
    } else {
        controls.SetProgressVisible(true);
        controls.SetFilesVisible(false);
        for (std::int32_t i = 0; i <= lastIndex && !report.Stopping(controls); ++i) {
            const std::string& name = listing.File(static_cast<std::size_t>(i));
            if (!report.HasBlocked() || !report.RefuseIfBlocked(FromNative(name))) {
                JoinNative(sourceFile, sourcePrefix, name);
                JoinNative(targetFile, targetPrefix, name);
                if (CopyIfNewer(controls, actions, listing, static_cast<std::size_t>(i), sourceFile, targetFile, name,
                                progressStep))
                    ++handedOver;
            }
            controls.KeepPainting();
        }
        if (!report.Stopped()) controls.SetProgressValue(kProgressMax);
    }

    // A stopped run hands over nothing more, but the copies in flight end whole.
    const int failedCopies = WaitForCopies(controls, report, targetDir);
    controls.SetProgressVisible(false);
    controls.SetFilesVisible(true);
    controls.RefreshTarget();
    if (report.Stopped())
        actions.WriteEnd(log, report.StoppedText(handedOver - failedCopies, fileCount));
    else
        actions.WriteEnd(log, CompletionMessage(report.Failures()));
}
