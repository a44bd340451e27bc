#pragma once

#include "engine/RunEvents.h"
#include "log/Logfile.h"
#include "log/RunLog.h"

#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The one listener of the tests: records every event of a run and shows its status lines as
// the window's list does, writing the log file at `logPath`.
class RecordingEvents : public RunEvents {
public:
    explicit RecordingEvents(const QString& logPath);

    std::vector<fileservice::Failure> refusals;
    std::vector<RunFailure> failures;
    QStringList copied;   // entries handed over, relative to the source
    QStringList landed;   // entries whose copy finished and landed
    QStringList targetNewer;  // entries left because their target is newer
    QStringList otherSpellings;  // "folder -> existing" of folders mirrored into another spelling
    int metadataLost = 0;  // fileservice::MetadataLost bits told
    QStringList folders;  // folders made, full paths
    QStringList trashed;
    std::optional<std::int32_t> summaryFiles;
    std::int64_t summaryBytes = 0;  // scaled, as Currency
    RunSummary summary;
    QStringList removed;  // target entries removed, relative to the copy root
    std::vector<std::pair<std::int32_t, std::int32_t>> questions;  // files and folders asked about
    bool confirm = true;  // the answer to them
    std::vector<int> progressHistory;  // the bar at each change of the count or the bar
    std::int32_t count = 0;
    std::optional<RunOutcome> outcome;
    RunCounts counts;
    int paintsBeforeSummary = 0;  // while the source was listed and the folders made
    // Asks the run to stop once this many copies were handed over (-1: never); the counter
    // of copying everything follows the copies that finished, later.
    int stopAtCount = -1;
    // Called at each event of a handed-over copy, after it is recorded.
    std::function<void(const CopyItem&)> onCopy;

    QStringList lines;  // as the status list shows them
    bool loggingOn = true;
    Logfile log;

    // The lines without their "hh:mm:ss" head.
    QStringList Messages() const;

    void Started(const RunRequest& request) override;
    void Refused(const fileservice::Failure& refusal) override;
    void TargetTrashed(const QString& target) override;
    void Summary(const RunSummary& summary) override;
    void Removed(const QString& entry, bool toTrash) override;
    bool ConfirmRemoval(std::int32_t files, std::int32_t folders) override;
    void FolderMade(const QString& folder) override;
    void CopyHandedOver(const CopyItem& item) override;
    void CopyLanded(const CopyItem& item) override;
    void TargetNewer(const QString& entry) override;
    void FolderSpelledOtherwise(const QString& folder, const QString& existing) override;
    void MetadataNotKept(int lost) override;
    void Failed(const RunFailure& failure) override;
    void Progress(std::int32_t handled, int percent) override;
    void Ended(RunOutcome ended, const RunCounts& endCounts) override;
    bool StopRequested() override;
    void Breathe() override;

private:
    RunLog m_runLog{log};
};
