#pragma once

// One run's own state while it goes: its counters, its stop, the target folders it must not
// write below, and its listener. Only the engine sees it.

#include "engine/RunEvents.h"

#include <QStringList>

class RunContext {
public:
    RunContext(const RunRequest& request, RunEvents& events) : m_request(request), m_events(events) {}

    const RunRequest& Request() const { return m_request; }
    RunEvents& Events() { return m_events; }
    RunCounts& Counts() { return m_counts; }
    const RunCounts& Counts() const { return m_counts; }

    // Reports a failure; the run's last line counts them.
    void Fail(FailureKind kind, const QString& path, int error);

    // True once the run was asked to stop (and noted so); nothing more is handed over then.
    bool Stopping();
    bool Stopped() const { return m_stopped; }

    // Marks a target folder that is a link to a folder elsewhere: nothing may be copied below
    // it, as that would write outside the target. `entry` is relative to the target.
    void BlockFolder(const QString& entry) { m_blocked << entry + QLatin1Char('/'); }
    bool IsBlocked(const QString& entry) const;
    // Reports a file below a blocked folder as not copied; true when it was one.
    bool RefuseIfBlocked(const QString& entry);

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
    std::int32_t m_count = 0;
    int m_percent = 0;
};
