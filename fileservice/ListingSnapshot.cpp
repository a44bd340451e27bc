// What the last file listing saw, so that the version queries of a copy pass cost no
// second stat per source file.
//
// The copy pass asks, entry by entry in listing order, for the version of the target
// file, then of the source file. The source's time is the one the listing read: a file
// list is a snapshot, and a change after it is caught by the next run, as it would be a
// moment after the comparison. Anything else (another order, other paths, an entry the
// listing did not stat) is read live by the caller.
//
// A helper thread that stats the targets ahead was tried and dropped: on two busy cores
// it competed with the caller and made the pass slower.

#include "fileservice/FileServiceInternal.h"

#include <exception>
#include <mutex>

namespace fileservice {
namespace {

class ListingSnapshot {
public:
    void Install(const std::string& sourcePrefix, const std::vector<std::string>& names, std::size_t count,
                 std::vector<struct timespec> mtimes);
    void Clear();
    bool LookUp(const char* path, struct timespec& mtime);

private:
    void ClearLocked();

    std::mutex m_mutex;
    std::string m_sourcePrefix;
    std::string m_arena;                 // the entry names back to back
    std::vector<std::size_t> m_offsets;  // entry i is [m_offsets[i], m_offsets[i + 1])
    std::vector<struct timespec> m_mtimes;
    std::size_t m_count = 0;
    std::size_t m_cursor = 0;  // the next entry the caller is expected to ask about
};

void ListingSnapshot::Install(const std::string& sourcePrefix, const std::vector<std::string>& names,
                              std::size_t count, std::vector<struct timespec> mtimes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLocked();
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) total += names[i].size();
    m_arena.reserve(total);
    m_offsets.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        m_offsets.push_back(m_arena.size());
        m_arena += names[i];
    }
    m_offsets.push_back(m_arena.size());
    m_sourcePrefix = sourcePrefix;
    m_mtimes = std::move(mtimes);
    m_mtimes.resize(count, timespec{0, -1});
    m_count = count;
}

void ListingSnapshot::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLocked();
}

void ListingSnapshot::ClearLocked() {
    m_sourcePrefix.clear();
    std::string().swap(m_arena);
    std::vector<std::size_t>().swap(m_offsets);
    std::vector<struct timespec>().swap(m_mtimes);
    m_count = m_cursor = 0;
}

bool ListingSnapshot::LookUp(const char* path, struct timespec& mtime) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_cursor >= m_count) return false;
    const std::string_view name =
        std::string_view(m_arena).substr(m_offsets[m_cursor], m_offsets[m_cursor + 1] - m_offsets[m_cursor]);
    const std::string_view full(path);
    if (full.size() != m_sourcePrefix.size() + name.size() || full.substr(0, m_sourcePrefix.size()) != m_sourcePrefix ||
        full.substr(m_sourcePrefix.size()) != name)
        return false;
    const struct timespec listed = m_mtimes[m_cursor];
    if (++m_cursor == m_count) ClearLocked();  // the pass is through: free the memory
    if (listed.tv_nsec < 0) return false;      // not stat'ed while listing (links, special files)
    mtime = listed;
    return true;
}

ListingSnapshot g_snapshot;

}  // namespace

void InstallListingSnapshot(const std::string& sourcePrefix, const std::vector<std::string>& names,
                            std::size_t count, std::vector<struct timespec> mtimes) {
    try {
        g_snapshot.Install(sourcePrefix, names, count, std::move(mtimes));
    } catch (const std::exception&) {
        g_snapshot.Clear();  // no snapshot: every query reads live
    }
}

void ClearListingSnapshot() { g_snapshot.Clear(); }

bool ListedModificationTime(const char* path, struct timespec& mtime) {
    return path && g_snapshot.LookUp(path, mtime);
}

}  // namespace fileservice
