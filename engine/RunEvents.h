#pragma once

// What a run tells while it goes: typed events, in the order they happen. The engine owns
// its counters; the window, the log, the terminal and the dry run are listeners. The engine
// asks its listener only whether to stop and when to breathe (let a window paint).

#include "engine/RunRequest.h"
#include "fileservice/Failure.h"
#include "fileservice/FileService.h"

#include <QString>
#include <cstdint>
#include <string>

// Why a run refuses to start; above the file service's codes, so one int holds either.
enum RefusalCode : int {
    kProgramDirAsTarget = 0x20000,
    kSourceUnreadable,
    kTargetMissing,
    kDriveAsSubfolder,
    kSameFolder,
    kTargetInsideSource,
    kTargetCannotBeEmptied,
    kSourceInsideEmptiedTarget,
    kSourceEmpty,
    kTargetInUse,
    kFilterEntry,  // the file-type filter holds an entry that cannot be a name
};

// How a run ended: refused before anything was touched, done without or with failures, or
// stopped on request.
enum class RunOutcome { Refused, Succeeded, Failed, Stopped };

// What a failure hit: a file's copy (path relative to the target), a folder that could not
// be made, a source folder that could not be read, the emptying of the target, or a target
// entry the source lacks that could not be removed (relative to the copy root).
enum class FailureKind { Copy, MakeFolder, ReadFolder, EmptyTarget, RemoveExtra };

struct RunFailure {
    FailureKind kind;
    QString path;
    int error = 0;  // an errno value, a file service code or a RefusalCode
};

// A file handed over to be copied: its name relative to the source root, and its source path.
struct CopyItem {
    QString entry;
    std::string source;
};

// The source as the run copies it: its files and their bytes, the files the filter left out,
// and the target entries the source lacks that were removed.
struct RunSummary {
    std::int32_t files = 0;
    Currency bytes;
    std::int32_t leftOut = 0;
    std::int32_t removed = 0;
};

struct RunCounts {
    std::int32_t listed = 0;      // files in the source listing
    std::int32_t handedOver = 0;  // copies handed over
    std::int32_t landed = 0;      // of those, in the target at the end
    std::int32_t failures = 0;
    std::int32_t removed = 0;     // target entries the source lacks, removed
    bool targetEmptied = false;   // the old target went to the trash first
    std::int32_t targetNewer = 0;  // only-newer: files left because their target is newer
};

class RunEvents {
public:
    virtual ~RunEvents() = default;

    // The run passed its checks and begins.
    virtual void Started(const RunRequest&) {}
    // The run will not start: the path concerned and a RefusalCode.
    virtual void Refused(const fileservice::Failure&) {}
    // Empty-first: the old target is in the trash (in a dry run: would be).
    virtual void TargetTrashed(const QString&) {}
    // What the run copies from the source.
    virtual void Summary(const RunSummary&) {}
    // A folder was made in the target (in a dry run: would be); its full path.
    virtual void FolderMade(const QString&) {}
    virtual void CopyHandedOver(const CopyItem&) {}
    // The copy has finished and its file is in the target; told in hand-over order.
    virtual void CopyLanded(const CopyItem&) {}
    // Only-newer left the file (relative to the source) because its target is newer.
    virtual void TargetNewer(const QString&) {}
    // A source folder (full target path) goes into the target's folder of another case
    // (its full path), as the target does not tell case apart.
    virtual void FolderSpelledOtherwise(const QString&, const QString&) {}
    // Once per run: what the target could not keep of the copies (fileservice::MetadataLost
    // bits); their data landed.
    virtual void MetadataNotKept(int) {}
    virtual void Failed(const RunFailure&) {}
    // A target entry the source lacks went to the trash or for good (in a dry run: would go).
    virtual void Removed(const QString&, bool) {}
    // The counter of handled files and the progress in percent.
    virtual void Progress(std::int32_t, int) {}
    virtual void Ended(RunOutcome, const RunCounts&) {}

    // Asked once before target entries are removed for good: `files` files and `folders`
    // folders the source lacks. False keeps them; the copies go on.
    virtual bool ConfirmRemoval(std::int32_t, std::int32_t) { return true; }
    // Asked between files and folders: true once the run is to stop.
    virtual bool StopRequested() { return false; }
    // Called between files and folders, often: a window may paint here.
    virtual void Breathe() {}
};

// Hands every event to two listeners, in turn; stops when either asks.
class TeeEvents final : public RunEvents {
public:
    TeeEvents(RunEvents& first, RunEvents& second) : m_first(first), m_second(second) {}
    void Started(const RunRequest& request) override;
    void Refused(const fileservice::Failure& refusal) override;
    void TargetTrashed(const QString& target) override;
    void Summary(const RunSummary& summary) override;
    void FolderMade(const QString& folder) override;
    void CopyHandedOver(const CopyItem& item) override;
    void CopyLanded(const CopyItem& item) override;
    void TargetNewer(const QString& entry) override;
    void FolderSpelledOtherwise(const QString& folder, const QString& existing) override;
    void MetadataNotKept(int lost) override;
    void Failed(const RunFailure& failure) override;
    void Removed(const QString& entry, bool toTrash) override;
    void Progress(std::int32_t count, int percent) override;
    void Ended(RunOutcome outcome, const RunCounts& counts) override;
    bool ConfirmRemoval(std::int32_t files, std::int32_t folders) override;
    bool StopRequested() override;
    void Breathe() override;

private:
    RunEvents& m_first;
    RunEvents& m_second;
};
