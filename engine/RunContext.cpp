#include "engine/RunContext.h"

#include <cerrno>

void RunContext::Fail(FailureKind kind, const QString& path, int error) {
    ++m_counts.failures;
    const RunFailure failure{kind, path, error};
    if (kind == FailureKind::Copy && m_landing.QueueFailure(failure)) return;
    m_events.Failed(failure);
    if (kind == FailureKind::Copy) FileTold();
}

void RunContext::FailInTurn(const RunFailure& failure) {
    ++m_counts.failures;
    m_events.Failed(failure);
    FileTold();
}

void RunContext::TargetNewer(const QString& entry) {
    ++m_counts.targetNewer;
    if (!m_landing.QueueTargetNewer(entry)) m_events.TargetNewer(entry);
}

bool RunContext::Stopping() {
    if (!m_stopped && m_events.StopRequested()) m_stopped = true;
    return m_stopped;
}

int RunContext::BlockedError(const QString& entry) const {
    for (qsizetype i = 0; i < m_blocked.size(); ++i) {
        if (entry.startsWith(m_blocked[i])) return m_blockedErrors[i];
    }
    return 0;
}

bool RunContext::RefuseIfBlocked(const QString& entry) {
    if (m_blocked.isEmpty() && m_refusedFiles.isEmpty()) return false;
    int error = m_refusedFiles.value(entry, 0);
    if (error == 0) error = BlockedError(entry);
    if (error == 0) return false;
    Fail(FailureKind::Copy, entry, error);
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
