// What a comparing file listing saw, kept for the version queries of its pass, so that they
// cost no second stat per source file, nor the stat of a target the listing read alongside
// (StatStage). A file list is a snapshot: a change after it is caught by the next run, as it
// would be a moment after the comparison.
//
// The names themselves are not kept, only a hash of each: the caller holds the list, and a
// second copy would double the memory of a pass over 100,000 files. A copy pass asks for its
// entries in listing order, and a cursor that follows it reads the entries one after the
// other. The first query out of that order sorts them by hash in place (an array of positions
// would cost as much as the hashes): from then on each query is a lookup, in any order, which
// costs a cache miss or two. Two listed names of one hash are then both read live; a path that
// is not listed finds an entry only when its 38-bit hash is that of one (about one in three
// million for 100,000 entries), and the pass asks for listed entries only.
//
// The sizes of the files are not kept either, which would cost 8 bytes per listed file: where
// target and source were the same in time and size, both answers leave the size out and
// compare by time alone, which then decides the same; where they differ, the entry keeps both
// sizes. Where the target could not be read ahead, the source is read live too, so that two
// texts that are compared always carry their sizes alike.

#include "fileservice/ComparePass.h"

#include "fileservice/FileServiceInternal.h"

#include <algorithm>
#include <cstring>

namespace fileservice {
namespace {

// The registration of the open pass per thread: the only global besides the copy pool and test hooks.
thread_local ComparePass::State* t_openPass = nullptr;

constexpr std::int64_t kNanosPerSecond = 1000000000;
// Hashes are spread evenly: a few interpolation steps find the place, halving does the rest.
constexpr int kInterpolationSteps = 4;

bool ToTimespec(std::int64_t listed, struct timespec& mtime) {
    if (listed == kNotListed) return false;
    std::int64_t seconds = listed / kNanosPerSecond;
    std::int64_t nanos = listed % kNanosPerSecond;
    if (nanos < 0) {  // before 1970: the remainder counts up from the earlier second
        nanos += kNanosPerSecond;
        --seconds;
    }
    mtime.tv_sec = static_cast<time_t>(seconds);
    mtime.tv_nsec = static_cast<long>(nanos);
    return true;
}

}  // namespace

ComparePass::ComparePass(const std::string& source, const std::string& target, bool compare)
    : m_state(std::make_unique<State>()), m_outer(t_openPass) {
    if (!source.empty()) m_state->sourcePrefix = DirectoryPrefix(source);
    if (compare && !target.empty()) m_state->targetPrefix = DirectoryPrefix(target);
    t_openPass = m_state.get();
}

ComparePass::~ComparePass() { t_openPass = m_outer; }

const std::vector<Failure>& ComparePass::ListFailures() const { return m_state->failures; }

void ComparePass::SetFolderTick(std::function<void()> tick) { m_state->tick = std::move(tick); }

ComparePass::State* OpenPass() { return t_openPass; }

std::int64_t ListedTime(const struct timespec& mtime) {
    // Within about 292 years of 1970 a time fits in nanoseconds; outside it is read live.
    constexpr std::int64_t kLimit = INT64_MAX / kNanosPerSecond - 1;
    if (mtime.tv_nsec < 0 || mtime.tv_nsec >= kNanosPerSecond || mtime.tv_sec > kLimit || mtime.tv_sec < -kLimit)
        return kNotListed;
    return static_cast<std::int64_t>(mtime.tv_sec) * kNanosPerSecond + mtime.tv_nsec;
}

std::uint64_t NameHash(std::string_view name) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ name.size();
    std::size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, name.data() + i, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, name.data() + i, name.size() - i);
    hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 29;
    hash *= 0xFF51AFD7ED558CCDull;
    return hash ^ (hash >> 32);
}

void ListedVersions::Keep(std::string sourcePrefix, std::string targetPrefix, FileWalk& walk) {
    std::vector<ListedEntry>().swap(m_entries);
    std::vector<DifferingEntry>().swap(m_differing);
    m_cursor = 0;
    m_sorted = false;
    if (targetPrefix.empty() || walk.entries.size() != walk.names.size()) return;
    for (DifferingEntry& entry : walk.differing) entry.hash = walk.entries[entry.entry].Hash();
    std::sort(walk.differing.begin(), walk.differing.end(),
              [](const DifferingEntry& a, const DifferingEntry& b) { return a.hash < b.hash; });
    m_entries = std::move(walk.entries);
    m_differing = std::move(walk.differing);
    m_sourcePrefix = std::move(sourcePrefix);
    m_targetPrefix = std::move(targetPrefix);
}

const ListedEntry* ListedVersions::Find(std::string_view path, const std::string& prefix) {
    if (prefix.empty() || path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return nullptr;
    const std::uint64_t hash = NameHash(path.substr(prefix.size())) >> (64 - ListedEntry::kHashBits);
    if (!m_sorted) {
        // The entry asked for last (its target, then its source), or the next one.
        if (m_entries[m_cursor].Hash() == hash) return &m_entries[m_cursor];
        if (m_cursor + 1 < m_entries.size() && m_entries[m_cursor + 1].Hash() == hash) return &m_entries[++m_cursor];
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const ListedEntry& a, const ListedEntry& b) { return a.Hash() < b.Hash(); });
        m_sorted = true;
    }
    return FindSorted(hash);
}

const ListedEntry* ListedVersions::FindSorted(std::uint64_t hash) const {
    std::size_t low = 0;
    std::size_t high = m_entries.size();  // the entry lies in [low, high), if anywhere
    for (int step = 0; low < high; ++step) {
        std::size_t at = low + (high - low) / 2;
        if (step < kInterpolationSteps) {
            const std::uint64_t first = m_entries[low].Hash();
            const std::uint64_t last = m_entries[high - 1].Hash();
            if (hash < first || hash > last) return nullptr;
            if (last > first) {
                const double share = static_cast<double>(hash - first) / static_cast<double>(last - first);
                at = low + static_cast<std::size_t>(share * static_cast<double>(high - 1 - low));
            }
            at = std::min(at, high - 1);
        }
        const std::uint64_t found = m_entries[at].Hash();
        if (found < hash) {
            low = at + 1;
        } else if (found > hash) {
            high = at;
        } else {
            const bool twice = (at > 0 && m_entries[at - 1].Hash() == hash) ||
                               (at + 1 < m_entries.size() && m_entries[at + 1].Hash() == hash);
            return twice ? nullptr : &m_entries[at];
        }
    }
    return nullptr;
}

const DifferingEntry* ListedVersions::FindDiffering(std::uint64_t hash) const {
    const auto found =
        std::lower_bound(m_differing.begin(), m_differing.end(), hash,
                         [](const DifferingEntry& entry, std::uint64_t wanted) { return entry.hash < wanted; });
    return found != m_differing.end() && found->hash == hash ? &*found : nullptr;
}

ListedVersions::Listed ListedVersions::TargetVersion(const ListedEntry& entry, struct timespec& mtime,
                                                     std::int64_t& size) const {
    switch (entry.Tag()) {
    case AlongTag::SameAsSource: return ToTimespec(entry.Time(), mtime) ? Listed::Time : Listed::Unknown;
    case AlongTag::NoFile: return Listed::NoFile;
    case AlongTag::ReadLive: return Listed::Unknown;
    case AlongTag::Differs: break;
    }
    const DifferingEntry* differing = FindDiffering(entry.Hash());
    if (!differing || !ToTimespec(differing->time, mtime)) return Listed::Unknown;
    // A size the listing did not learn leaves both answers without one.
    size = differing->sourceSize < 0 ? -1 : differing->size;
    return Listed::Time;
}

ListedVersions::Listed ListedVersions::SourceVersion(const ListedEntry& entry, struct timespec& mtime,
                                                     std::int64_t& size) const {
    // Entries not stat'ed while listing (links, special files) are read live.
    if (!ToTimespec(entry.Time(), mtime)) return Listed::Unknown;
    switch (entry.Tag()) {
    case AlongTag::SameAsSource:
    case AlongTag::NoFile: return Listed::Time;
    case AlongTag::ReadLive: return Listed::Unknown;
    case AlongTag::Differs: break;
    }
    const DifferingEntry* differing = FindDiffering(entry.Hash());
    if (!differing) return Listed::Unknown;
    size = differing->sourceSize;
    return Listed::Time;
}

ListedVersions::Listed ListedVersions::LookUp(std::string_view path, struct timespec& mtime, std::int64_t& size) {
    size = -1;
    const ListedEntry* asTarget = Find(path, m_targetPrefix);
    const ListedEntry* asSource = Find(path, m_sourcePrefix);
    // One file that is both (the source lies inside the target) gets no answer of one kind.
    if (asTarget && asSource) return Listed::Unknown;
    if (asTarget) return TargetVersion(*asTarget, mtime, size);
    if (asSource) return SourceVersion(*asSource, mtime, size);
    return Listed::Unknown;
}

}  // namespace fileservice
