// What the last file listing saw, so that the version queries of a copy pass cost no
// second stat per source file.
//
// The copy pass asks, entry by entry in listing order, for the version of the target
// file, then of the source file. When the listing read the target along with the source
// (StatStage), both are answered from what it saw: a file list is a snapshot, and a change
// after it is caught by the next run, as it would be a moment after the comparison.
// Anything else (another order, other paths, an entry the listing did not stat, a target
// it could not read ahead) is read live by the caller.
//
// The sizes of the files are not kept, which would cost 8 bytes per listed file: where target
// and source were the same in time and size, both answers leave the size out and compare by
// time alone, which then decides the same; where they differ, the entry keeps both sizes.
// So a source is answered only right after its target, and read live otherwise, so that two
// texts that are compared always carry their sizes alike.
//
// The names themselves are not kept, only a hash of each: the caller holds the list, and a
// second copy would double the memory of a pass over 100,000 files.

#include "fileservice/FileServiceInternal.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>
#include <string_view>

namespace fileservice {
namespace {

constexpr std::int64_t kNanosPerSecond = 1000000000;

// A hash of a name and its length, so that the snapshot need not keep a second copy of
// 100,000 names: the caller asks for the entry it was handed, and a query for any other
// path fails the check and is read live. 32 bits: a wrong match would need a caller that
// leaves the listing order and a one-in-four-billion collision at that very entry.
std::uint32_t NameHash(std::string_view name) {
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
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

class ListingSnapshot {
public:
    void Install(const std::string& sourcePrefix, const std::vector<std::string>& names, std::size_t count,
                 std::vector<std::int64_t> mtimes, AlongVersions along);
    void Clear();
    Listed LookUp(const char* path, struct timespec& mtime, std::int64_t& size);

private:
    void ClearLocked();
    bool IsEntry(std::string_view full, const std::string& prefix) const;
    Listed AlongVersion(struct timespec& mtime, std::int64_t& size);

    std::mutex m_mutex;
    std::string m_sourcePrefix;
    std::vector<std::uint32_t> m_hashes;  // of entry i's name, its length included
    std::vector<std::int64_t> m_mtimes;
    std::size_t m_count = 0;
    std::size_t m_cursor = 0;  // the next entry the caller is expected to ask about
    AlongVersions m_along;     // empty prefix: nothing read along
    // The source of the entry at the cursor may be answered: its target was, from `m_along`;
    // with this size (-1: left out, as in the target's answer).
    bool m_sourceAnswerable = false;
    std::int64_t m_sourceSize = -1;
};

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

void ListingSnapshot::Install(const std::string& sourcePrefix, const std::vector<std::string>& names,
                              std::size_t count, std::vector<std::int64_t> mtimes, AlongVersions along) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLocked();
    m_hashes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) m_hashes.push_back(NameHash(names[i]));
    m_sourcePrefix = sourcePrefix;
    m_mtimes = std::move(mtimes);
    m_mtimes.resize(count, kNotListed);
    m_count = count;
    if (along.tags.size() == count) m_along = std::move(along);
}

void ListingSnapshot::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLocked();
}

void ListingSnapshot::ClearLocked() {
    m_sourcePrefix.clear();
    std::vector<std::uint32_t>().swap(m_hashes);
    std::vector<std::int64_t>().swap(m_mtimes);
    m_count = m_cursor = 0;
    m_along = AlongVersions{};
    m_sourceAnswerable = false;
}

bool ListingSnapshot::IsEntry(std::string_view full, const std::string& prefix) const {
    return full.size() > prefix.size() && full.compare(0, prefix.size(), prefix) == 0 &&
           NameHash(full.substr(prefix.size())) == m_hashes[m_cursor];
}

Listed ListingSnapshot::AlongVersion(struct timespec& mtime, std::int64_t& size) {
    m_sourceSize = -1;
    m_sourceAnswerable = false;
    switch (m_along.tags[m_cursor]) {
    case AlongTag::SameAsSource:
        m_sourceAnswerable = ToTimespec(m_mtimes[m_cursor], mtime);
        return m_sourceAnswerable ? Listed::Time : Listed::Unknown;
    case AlongTag::NoFile: m_sourceAnswerable = true; return Listed::NoFile;
    case AlongTag::ReadLive: return Listed::Unknown;
    case AlongTag::Differs: break;
    }
    const auto& differing = m_along.differing;
    const auto found = std::lower_bound(differing.begin(), differing.end(), m_cursor,
                                        [](const DifferingEntry& entry, std::size_t index) { return entry.entry < index; });
    if (found == differing.end() || found->entry != m_cursor || !ToTimespec(found->time, mtime)) return Listed::Unknown;
    size = found->size;
    m_sourceSize = found->sourceSize;
    // A size the listing did not learn leaves both answers without one.
    if (m_sourceSize < 0) size = -1;
    m_sourceAnswerable = true;
    return Listed::Time;
}

Listed ListingSnapshot::LookUp(const char* path, struct timespec& mtime, std::int64_t& size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    size = -1;
    if (m_cursor >= m_count) return Listed::Unknown;
    const std::string_view full(path);
    // The target of the next entry; the cursor stays for the source's query that follows.
    if (!m_along.prefix.empty() && IsEntry(full, m_along.prefix)) return AlongVersion(mtime, size);
    if (!IsEntry(full, m_sourcePrefix)) return Listed::Unknown;
    const std::int64_t listed = m_mtimes[m_cursor];
    const bool answerable = m_sourceAnswerable;
    size = m_sourceSize;
    m_sourceAnswerable = false;
    if (++m_cursor == m_count) ClearLocked();  // the pass is through: free the memory
    // Entries not stat'ed while listing (links, special files) are read live.
    return answerable && ToTimespec(listed, mtime) ? Listed::Time : Listed::Unknown;
}

ListingSnapshot g_snapshot;

}  // namespace

std::int64_t ListedTime(const struct timespec& mtime) {
    // Within about 292 years of 1970 a time fits in nanoseconds; outside it is read live.
    constexpr std::int64_t kLimit = INT64_MAX / kNanosPerSecond - 1;
    if (mtime.tv_nsec < 0 || mtime.tv_nsec >= kNanosPerSecond || mtime.tv_sec > kLimit || mtime.tv_sec < -kLimit)
        return kNotListed;
    return static_cast<std::int64_t>(mtime.tv_sec) * kNanosPerSecond + mtime.tv_nsec;
}

void InstallListingSnapshot(const std::string& sourcePrefix, const std::vector<std::string>& names,
                            std::size_t count, std::vector<std::int64_t> mtimes, AlongVersions along) {
    try {
        g_snapshot.Install(sourcePrefix, names, count, std::move(mtimes), std::move(along));
    } catch (const std::exception&) {
        g_snapshot.Clear();  // no snapshot: every query reads live
    }
}

void ClearListingSnapshot() { g_snapshot.Clear(); }

Listed ListedVersion(const char* path, struct timespec& mtime, std::int64_t& size) {
    size = -1;
    return path ? g_snapshot.LookUp(path, mtime, size) : Listed::Unknown;
}

}  // namespace fileservice
