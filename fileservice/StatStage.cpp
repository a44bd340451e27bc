// A file listing costs a folder read plus one stat per file, and a copy pass that only copies
// newer files a second stat per file, of its target. On one thread these run one after the
// other; here the listing's thread reads the folders and hands the stats over, folder by
// folder, to a helper, and takes a batch itself whenever the helper falls behind. The stats of
// a folder's source and target entries go together, so that the target's time can be
// compared at once and only times that differ from the source's need keeping.
//
// The listing keeps its order: each stat writes to its entry's place in the listing's array,
// which does not move while stats are outstanding (see Drain). Target paths are resolved as a
// stat of the whole path would resolve them (links in the folders followed, the entry itself
// not), so that an answer read ahead is the one a live query would have given at that moment.

#include "fileservice/StatStage.h"

#include "fileservice/FileServiceInternal.h"
#include "fileservice/FolderEntries.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <iterator>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileservice {
namespace {

// A large folder goes over in parts, so that both threads can work on it.
constexpr std::size_t kBatchEntries = 256;
// The listing's thread takes a batch itself once this many wait: the helper always has the
// next one, and the queue (names and all) stays small.
constexpr std::size_t kHelpAt = 2;

struct SourceStat {
    enum { Listed, Gone, Failed } outcome = Listed;
    std::int64_t time = kNotListed;
    std::int64_t size = 0;  // of a regular file, else 0
    bool regular = false;
    int error = 0;
};

SourceStat StatSource(int fd, const char* name) {
    SourceStat result;
    struct stat st;
    BeforeSourceStat(fd, name);
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        // Removed while we read the folder: not listed, as when it goes before the read.
        result.outcome = errno == ENOENT ? SourceStat::Gone : SourceStat::Failed;
        result.error = errno;
        return result;
    }
    // A folder swapped in for the file is not walked: the next listing finds it.
    if (S_ISDIR(st.st_mode)) {
        result.outcome = SourceStat::Gone;
        return result;
    }
    result.regular = S_ISREG(st.st_mode);
    if (result.regular) result.size = st.st_size;
    result.time = ListedTime(st.st_mtim);
    return result;
}

// `sourceSize` -1: not known, only the times compare.
AlongTag ReadTarget(int fd, AlongTag unopened, const char* name, std::int64_t sourceTime, std::int64_t sourceSize,
                    std::int64_t& time, std::int64_t& size) {
    if (fd < 0) return unopened;
    struct stat st;
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT || errno == ENOTDIR ? AlongTag::NoFile : AlongTag::ReadLive;
    if (S_ISDIR(st.st_mode)) return AlongTag::NoFile;
    time = ListedTime(st.st_mtim);
    size = st.st_size;
    if (time == kNotListed) return AlongTag::ReadLive;
    // A source the listing did not stat (kNotListed) never equals a time.
    return time == sourceTime && (sourceSize < 0 || size == sourceSize) ? AlongTag::SameAsSource : AlongTag::Differs;
}

}  // namespace

void ReadTargetExtras(std::vector<TargetExtra>& extras, std::uint32_t folder, const std::string& targetFolder,
                      std::string_view names, int targetFd) {
    const int own = targetFd < 0 ? -1 : ::fcntl(targetFd, F_DUPFD_CLOEXEC, 0);
    Result<std::vector<FolderEntry>> read =
        own < 0 ? ReadFolderEntries(targetFolder) : ReadFolderEntriesFrom(own, targetFolder);
    if (!read) {
        // A folder that is not there (yet) holds nothing.
        const int error = read.Error().error;
        if (error != ENOENT && error != ENOTDIR) extras.push_back(TargetExtra{folder, FolderEntry{}, false, error});
        return;
    }
    std::vector<std::string_view> source;
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = names.find('\0', at);
        source.push_back(names.substr(at, end - at));
        at = end + 1;
    }
    const std::size_t first = extras.size();
    for (FolderEntry& entry : read.Value()) {
        const bool inSource = std::binary_search(source.begin(), source.end(), std::string_view(entry.name));
        // A copy's temporary is no extra, but it tells the run which folders need cleaning up.
        if (entry.temporary) {
            if (!inSource && !entry.folder) extras.push_back(TargetExtra{folder, std::move(entry), false, 0});
            continue;
        }
        // A source folder mounted over in the target is written into, but never cleaned.
        if (inSource && !entry.mountPoint) continue;
        extras.push_back(TargetExtra{folder, std::move(entry), inSource, 0});
    }
    // By name, so that the lines come in an order a reader can follow.
    std::sort(extras.begin() + static_cast<std::ptrdiff_t>(first), extras.end(),
              [](const TargetExtra& a, const TargetExtra& b) { return a.entry.name < b.entry.name; });
}

std::string DirectoryPrefix(std::string directory) {
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    if (directory.empty() || directory.back() != '/') directory += '/';
    return directory;
}

StatStage::StatStage(std::string listedPrefix, const std::string& alongDirectory, const std::string& extrasDirectory,
                     std::vector<ListedEntry>* entries)
    : m_listedPrefix(std::move(listedPrefix)), m_entries(entries) {
    // The tags of what stood there are kept in the array of versions.
    if (entries && !alongDirectory.empty()) m_alongPrefix = DirectoryPrefix(alongDirectory);
    if (!extrasDirectory.empty()) m_extrasPrefix = DirectoryPrefix(extrasDirectory);
    try {
        m_thread = std::thread([this] { Work(); });
    } catch (const std::exception&) {
        // No helper: the listing stats everything itself and the target is read live.
    }
}

// Left without Finish (the listing failed): what is still queued is not wanted.
StatStage::~StatStage() {
    Stop(true);
    if (m_current.sourceFd >= 0) ::close(m_current.sourceFd);
}

void StatStage::Stop(bool abandon) {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
        if (abandon) {
            for (Batch& batch : m_queue)
                if (batch.sourceFd >= 0) ::close(batch.sourceFd);
            m_queue.clear();
        }
    }
    m_wake.notify_one();
    m_thread.join();
}

void StatStage::Add(std::string_view folder, std::string_view name, std::size_t index, int folderFd, bool deferred,
                    std::int64_t sourceTime, std::int64_t sourceSize) {
    if (!m_current.Empty() && (m_current.folder != folder || m_current.items.size() == kBatchEntries)) Submit();
    if (m_current.Empty()) m_current.folder.assign(folder);
    if (deferred && m_current.sourceFd < 0) {
        m_current.sourceFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
        if (m_current.sourceFd < 0) {
            // Out of descriptors: this entry is stat'ed here and now.
            std::string nameText(name);
            const SourceStat stat = StatSource(folderFd, nameText.c_str());
            std::lock_guard<std::mutex> lock(m_mutex);
            if (stat.outcome == SourceStat::Gone) {
                // Dropped from the listing: its target is never read, so no answer is kept
                // under a position that a later file takes.
                m_results.gone.push_back(index);
                return;
            } else if (stat.outcome == SourceStat::Failed) {
                std::string path = m_listedPrefix + std::string(folder);
                if (!folder.empty()) path += '/';
                path += nameText;
                m_results.failures.push_back({index, Failure{std::move(path), stat.error}});
            }
            m_results.bytes += stat.size;
            if (m_entries) (*m_entries)[index].SetTime(stat.time);
            sourceTime = stat.time;
            sourceSize = stat.regular ? stat.size : -1;
            deferred = false;
        }
    }
    if (!deferred && !ReadsAlong()) return;
    m_current.names.append(name);
    m_current.names += '\0';
    m_current.items.push_back(Item{index, sourceTime, sourceSize, deferred});
}

void StatStage::Submit() {
    m_current.entries = m_entries ? m_entries->data() : nullptr;
    Batch batch = std::move(m_current);
    m_current = Batch{};
    Queue(std::move(batch));
}

void StatStage::AddNames(std::uint32_t folder, std::string_view path, std::string names) {
    // The folder's files follow: they join this batch.
    if (!m_current.Empty()) Submit();
    m_current.folder.assign(path);
    m_current.folderNames = true;
    m_current.folderIndex = folder;
    m_current.allNames = std::move(names);
}

void StatStage::Queue(Batch batch) {
    Batch help;
    bool helping = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(batch));
        if (m_queue.size() >= kHelpAt) helping = TakeQueued(help);
    }
    m_wake.notify_one();
    if (helping) Process(help);
}

bool StatStage::TakeQueued(Batch& batch) {
    if (m_queue.empty()) return false;
    batch = std::move(m_queue.front());
    m_queue.pop_front();
    ++m_busy;
    return true;
}

void StatStage::Drain() {
    if (!m_current.Empty()) Submit();
    for (;;) {
        Batch batch;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!TakeQueued(batch)) {
                m_settled.wait(lock, [this] { return m_busy == 0; });
                return;
            }
        }
        Process(batch);
    }
}

void StatStage::Work() {
    for (;;) {
        Batch batch;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_queue.empty() || m_done; });
            if (!TakeQueued(batch)) return;
        }
        Process(batch);
    }
}

void StatStage::Process(Batch& batch) {
    std::int64_t bytes = 0;
    std::vector<std::size_t> gone;
    std::vector<PlacedFailure> failures;
    std::vector<DifferingEntry> differing;
    std::vector<TargetExtra> extras;
    bool complete = true;
    try {
        int targetFd = -1;
        AlongTag unopened = AlongTag::ReadLive;
        if (ReadsAlong()) {
            const std::string folder = m_alongPrefix + batch.folder;
            targetFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            // Where the folder is missing, or is no folder, no file below it can be there either.
            if (targetFd < 0 && (errno == ENOENT || errno == ENOTDIR)) unopened = AlongTag::NoFile;
        }
        if (batch.folderNames) {
            // The folder both are read in was opened once, when it is the same.
            const std::string folder = m_extrasPrefix + batch.folder;
            ReadTargetExtras(extras, batch.folderIndex, folder, batch.allNames,
                             m_extrasPrefix == m_alongPrefix ? targetFd : -1);
        }
        const char* name = batch.names.data();
        for (const Item& item : batch.items) {
            std::int64_t sourceTime = item.sourceTime;
            std::int64_t sourceSize = item.sourceSize;
            bool removed = false;
            if (item.deferred) {
                const SourceStat stat = StatSource(batch.sourceFd, name);
                if (stat.outcome == SourceStat::Gone) {
                    // Dropped from the listing: see Add.
                    removed = true;
                    gone.push_back(item.index);
                } else if (stat.outcome == SourceStat::Failed) {
                    std::string path = m_listedPrefix + batch.folder;
                    if (!batch.folder.empty()) path += '/';
                    path += name;
                    failures.push_back({item.index, Failure{std::move(path), stat.error}});
                }
                bytes += stat.size;
                sourceTime = stat.time;
                sourceSize = stat.regular ? stat.size : -1;
                if (batch.entries) batch.entries[item.index].SetTime(sourceTime);
            }
            if (ReadsAlong() && !removed) {
                std::int64_t time = kNotListed;
                std::int64_t size = -1;
                const AlongTag tag = ReadTarget(targetFd, unopened, name, sourceTime, sourceSize, time, size);
                if (tag == AlongTag::Differs)
                    differing.push_back({static_cast<std::uint32_t>(item.index), time, size, sourceSize});
                batch.entries[item.index].SetTag(tag);
            }
            name += std::char_traits<char>::length(name) + 1;
        }
        if (targetFd >= 0) ::close(targetFd);
    } catch (const std::exception&) {
        complete = false;  // out of memory: the listing says it is incomplete
    }
    if (batch.sourceFd >= 0) ::close(batch.sourceFd);
    batch.sourceFd = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        try {
            m_results.bytes += bytes;
            m_results.gone.insert(m_results.gone.end(), gone.begin(), gone.end());
            m_results.failures.insert(m_results.failures.end(), failures.begin(), failures.end());
            m_results.differing.insert(m_results.differing.end(), differing.begin(), differing.end());
            m_results.extras.insert(m_results.extras.end(), std::make_move_iterator(extras.begin()),
                                    std::make_move_iterator(extras.end()));
        } catch (const std::exception&) {
            complete = false;
        }
        if (!complete) m_results.complete = false;
        --m_busy;
    }
    m_settled.notify_all();
}

StageResults StatStage::Finish() {
    Drain();
    Stop(false);
    // Batches finish in any order; the listing's order is the entries'.
    std::sort(m_results.gone.begin(), m_results.gone.end());
    std::stable_sort(m_results.failures.begin(), m_results.failures.end(),
                     [](const PlacedFailure& a, const PlacedFailure& b) { return a.position < b.position; });
    std::sort(m_results.differing.begin(), m_results.differing.end(),
              [](const DifferingEntry& a, const DifferingEntry& b) { return a.entry < b.entry; });
    // Each folder's come sorted by name, in one piece.
    std::stable_sort(m_results.extras.begin(), m_results.extras.end(),
                     [](const TargetExtra& a, const TargetExtra& b) { return a.folder < b.folder; });
    return std::move(m_results);
}

}  // namespace fileservice
