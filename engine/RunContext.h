#pragma once

// One run's own state while it goes: its counters, its stop, the target folders it must not
// write below, and its listener. Only the engine sees it.

#include "engine/CopyLanding.h"
#include "engine/RunEvents.h"
#include "fileservice/Medium.h"

#include <cerrno>

#include <QHash>
#include <QList>
#include <QStringList>

class RunContext {
public:
    RunContext(const RunRequest& request, RunEvents& events) : m_request(request), m_events(events) {}

    const RunRequest& Request() const { return m_request; }
    RunEvents& Events() { return m_events; }
    RunCounts& Counts() { return m_counts; }
    const RunCounts& Counts() const { return m_counts; }

    // Reports a failure; the run's last line counts them. A file's failure is told in its
    // turn, after the copies handed over before it.
    void Fail(FailureKind kind, const QString& path, int error);
    // A listed file's line was told (copied or failed): copying everything counts it.
    void FileTold() {
        if (m_request.mode != RunMode::OnlyNewer) SetProgress(m_count + 1, m_percent);
    }
    // A file's failure whose turn it is: told now.
    void FailInTurn(const RunFailure& failure);
    // Only-newer leaves the file `entry` as its target is newer: told in its turn, and counted.
    void TargetNewer(const QString& entry);

    // The copies of the pass, told as they finish.
    CopyLanding& Landing() { return m_landing; }
    // What the target's file system keeps, learnt by the folder step.
    const fileservice::Medium& Medium() const { return m_medium; }
    void SetMedium(const fileservice::Medium& medium) { m_medium = medium; }
    // A file (relative to the target) that must not be copied: it fails with `error` in its turn.
    void RefuseFile(const QString& entry, int error) { m_refusedFiles.insert(entry, error); }

    // True once the run was asked to stop (and noted so); nothing more is handed over then.
    bool Stopping();
    bool Stopped() const { return m_stopped; }

    // Marks a target folder that is a link to a folder elsewhere: nothing may be copied below
    // it, as that would write outside the target. `entry` is relative to the target.
    void BlockFolder(const QString& entry, int error = ENOTDIR) {
        m_blocked << entry + QLatin1Char('/');
        m_blockedErrors << error;
    }
    bool IsBlocked(const QString& entry) const { return BlockedError(entry) != 0; }
    // Why the entry may not be made: the error of the blocked folder it is below, else 0.
    int BlockedError(const QString& entry) const;
    // Reports a file below a blocked folder, or a refused file, as not copied; true when it was one.
    bool RefuseIfBlocked(const QString& entry);
    // True when some file or folder is refused at all: the copy pass then looks each file up.
    bool RefusesAny() const { return !m_blocked.isEmpty() || !m_refusedFiles.isEmpty(); }

    // The counter of handled files and the progress bar, advanced by the copy pass.
    void SetProgress(std::int32_t count, int percent);
    int Percent() const { return m_percent; }
    std::int32_t Count() const { return m_count; }

    RunOutcome Outcome() const;

private:
    const RunRequest& m_request;
    RunEvents& m_events;
    RunCounts m_counts;
    bool m_stopped = false;
    QStringList m_blocked;  // each ending in '/'
    QList<int> m_blockedErrors;
    QHash<QString, int> m_refusedFiles;
    CopyLanding m_landing;
    fileservice::Medium m_medium;
    std::int32_t m_count = 0;
    int m_percent = 0;
};
