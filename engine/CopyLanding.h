#pragma once

// The files of a copy pass told in their turn: a copy is told once it has finished (landed,
// or its failure), and a file's failure or note found before any copy waits for the files
// handed over before it. So the lines keep the listing order, and " kopiert!" means done.

#include "engine/RunEvents.h"

#include <cstdint>
#include <deque>
#include <vector>

class RunContext;

class CopyLanding {
public:
    CopyLanding();

    // A copy handed over under its ticket; -1: nothing to wait for (a dry run), never told.
    void HandedOver(CopyItem item, std::int64_t ticket, RunContext& run);
    // A failure or a newer target found in the pass: queued behind the copies still running,
    // else false (tell it now).
    bool QueueFailure(const RunFailure& failure);
    bool QueueTargetNewer(const QString& entry);

    // Tells what has finished, in order, up to the first copy still running. Between files:
    // two atomic reads when nothing new failed.
    void Tell(RunContext& run);
    // Waits for every copy (breathing; a stop drops those not begun), tells the rest and what
    // the target could not keep. The copies handed over that did not land.
    std::int32_t Finish(RunContext& run);

private:
    enum class Kind { Copy, Failure, TargetNewer };
    struct Turn {
        Kind kind;
        std::int64_t ticket = -1;
        CopyItem item;
        RunFailure failure{};
    };
    void TakeUnlanded();

    std::deque<Turn> m_turns;
    std::vector<CopyFailure> m_unlanded;  // by ticket, not yet told
    std::size_t m_nextUnlanded = 0;
    std::int64_t m_unlandedSeen = 0;
    std::int32_t m_notLanded = 0;
};
