#pragma once

#include "engine/RunEvents.h"

#include <QString>
#include <functional>

class Logfile;

// A run's status lines, as the window's list, the terminal and the log file show them: the
// summary (log file only), each file copied in the copy-all modes once its copy is done,
// each failure, each file left because its target is newer, what the target could not keep,
// and the line that ends the run. A dry run shows only its failures here.
class RunLog final : public RunEvents {
public:
    explicit RunLog(Logfile& log) : m_log(log) {}
    ~RunLog() override;

    void Started(const RunRequest& request) override;
    void Summary(const RunSummary& summary) override;
    void CopyLanded(const CopyItem& item) override;
    void TargetNewer(const QString& entry) override;
    void FolderSpelledOtherwise(const QString& folder, const QString& existing) override;
    void MetadataNotKept(int lost) override;
    void Failed(const RunFailure& failure) override;
    void Removed(const QString& entry, bool toTrash) override;
    void Ended(RunOutcome outcome, const RunCounts& counts) override;

private:
    void Release();

    Logfile& m_log;
    RunRequest m_request;
    bool m_held = false;
    bool m_emptyingFailed = false;
};

// What a dry run would do, one line each for `print` (control characters escaped): the
// target it would move to the trash, each folder it would make (below the target: "/Fotos"),
// each file it would copy (relative to the source), each target entry it would remove, and
// at the end the files and bytes.
class DryRunLines final : public RunEvents {
public:
    explicit DryRunLines(std::function<void(const QString&)> print) : m_print(std::move(print)) {}

    void Started(const RunRequest& request) override;
    void TargetTrashed(const QString& target) override;
    void FolderMade(const QString& folder) override;
    void CopyHandedOver(const CopyItem& item) override;
    void Removed(const QString& entry, bool toTrash) override;
    void TargetNewer(const QString& entry) override;
    void Ended(RunOutcome outcome, const RunCounts& counts) override;

private:
    void Print(const QString& line);

    std::function<void(const QString&)> m_print;
    QString m_target;  // without a trailing '/'
    std::int32_t m_files = 0;
    std::int64_t m_bytes = 0;
};
