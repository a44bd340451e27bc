#include "engine/RunContext.h"

#include <cerrno>

void RunContext::Fail(FailureKind kind, const QString& path, int error) {
    ++m_counts.failures;
    m_events.Failed(RunFailure{kind, path, error});
}

bool RunContext::Stopping() {
    if (!m_stopped && m_events.StopRequested()) m_stopped = true;
    return m_stopped;
}

bool RunContext::IsBlocked(const QString& entry) const {
    for (const QString& prefix : m_blocked) {
        if (entry.startsWith(prefix)) return true;
    }
    return false;
}

bool RunContext::RefuseIfBlocked(const QString& entry) {
    if (m_blocked.isEmpty() || !IsBlocked(entry)) return false;
    Fail(FailureKind::Copy, entry, ENOTDIR);
    return true;
}

void RunContext::SetProgress(std::int32_t count, int percent) {
    m_count = count;
    m_percent = percent;
    m_events.Progress(count, percent);
}

RunOutcome RunContext::Outcome() const {
    if (m_stopped) return RunOutcome::Stopped;
    return m_counts.failures == 0 ? RunOutcome::Succeeded : RunOutcome::Failed;
}
