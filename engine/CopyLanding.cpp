#include "engine/CopyLanding.h"

#include "engine/Paths.h"
#include "engine/RunContext.h"
#include "fileservice/FileService.h"

#include <algorithm>

CopyLanding::CopyLanding() {
    // What an earlier run in this process left is not this run's.
    m_unlandedSeen = VBFILECOPYTALLY().unlanded;
    (void)VBFILECOPYTAKEUNLANDED();
    (void)VBFILECOPYTAKELOST();
}

void CopyLanding::HandedOver(CopyItem item, std::int64_t ticket, RunContext& run) {
    // Nothing to wait for (a dry run): handled at once.
    if (ticket < 0) return run.FileTold();
    m_turns.push_back(Turn{Kind::Copy, ticket, std::move(item), {}});
}

bool CopyLanding::QueueFailure(const RunFailure& failure) {
    if (m_turns.empty()) return false;
    m_turns.push_back(Turn{Kind::Failure, -1, {}, failure});
    return true;
}

bool CopyLanding::QueueTargetNewer(const QString& entry) {
    if (m_turns.empty()) return false;
    m_turns.push_back(Turn{Kind::TargetNewer, -1, CopyItem{entry, {}}, {}});
    return true;
}

void CopyLanding::TakeUnlanded() {
    std::vector<CopyFailure> taken = VBFILECOPYTAKEUNLANDED();
    m_unlanded.erase(m_unlanded.begin(), m_unlanded.begin() + static_cast<std::ptrdiff_t>(m_nextUnlanded));
    m_nextUnlanded = 0;
    for (CopyFailure& failure : taken) m_unlanded.push_back(std::move(failure));
    // Workers fail out of order: a copy handed over earlier may fail after a later one was taken.
    std::sort(m_unlanded.begin(), m_unlanded.end(),
              [](const CopyFailure& a, const CopyFailure& b) { return a.ticket < b.ticket; });
}

void CopyLanding::Tell(RunContext& run) {
    if (m_turns.empty()) return;
    const CopyTally tally = VBFILECOPYTALLY();
    // The frontier first: a copy's failure is counted before its ticket finishes.
    if (tally.unlanded != m_unlandedSeen) {
        m_unlandedSeen = tally.unlanded;
        TakeUnlanded();
    }
    const QString& target = run.Request().target;
    const QString prefix = target.endsWith(QLatin1Char('/')) ? target : target + QLatin1Char('/');
    while (!m_turns.empty()) {
        if (m_turns.front().kind == Kind::Copy && m_turns.front().ticket >= tally.finishedBelow) return;
        // Out of the queue first: what it tells must not queue behind the turns after it.
        const Turn turn = std::move(m_turns.front());
        m_turns.pop_front();
        if (turn.kind == Kind::Failure) {
            run.Events().Failed(turn.failure);  // counted when it was found
            if (turn.failure.kind == FailureKind::Copy) run.FileTold();
        } else if (turn.kind == Kind::TargetNewer) {
            run.Events().TargetNewer(turn.item.entry);
        } else {
            while (m_nextUnlanded < m_unlanded.size() && m_unlanded[m_nextUnlanded].ticket < turn.ticket) ++m_nextUnlanded;
            if (m_nextUnlanded < m_unlanded.size() && m_unlanded[m_nextUnlanded].ticket == turn.ticket) {
                const CopyFailure& copy = m_unlanded[m_nextUnlanded++];
                ++m_notLanded;
                // Dropped by a stop: never begun, neither copied nor failed.
                if (copy.failure.error != fileservice::kCopyDropped) {
                    QString entry = FromNative(copy.failure.path);
                    if (entry.startsWith(prefix)) entry = entry.mid(prefix.size());
                    run.FailInTurn(RunFailure{FailureKind::Copy, entry, copy.failure.error});
                }
            } else {
                run.Events().CopyLanded(turn.item);
                run.FileTold();
            }
        }
    }
}

std::int32_t CopyLanding::Finish(RunContext& run) {
    bool cancelled = false;
    while (VBFILECOPYPENDING() > 0) {
        if (!cancelled && run.Stopping()) {
            cancelled = true;
            (void)VBFILECOPYCANCEL();
        }
        Tell(run);
        run.Events().Breathe();
        VBFILECOPYWAITFOR(50);
    }
    // Failures of copies this pass did not track (none in a run) are not lost either.
    Tell(run);
    for (const CopyFailure& copy : VBFILECOPYWAIT()) {
        if (copy.failure.error == fileservice::kCopyDropped) continue;
        run.Fail(FailureKind::Copy, FromNative(copy.failure.path), copy.failure.error);
    }
    if (const int lost = VBFILECOPYTAKELOST(); lost != 0) run.Events().MetadataNotKept(lost);
    return m_notLanded;
}
