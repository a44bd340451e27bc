// The copy pool behind VBFILECOPYASYNC: a few worker threads, started on first use.
//
// Each worker has its own bounded queue, and a destination always goes to the same worker
// (by hash), so two copies to one target never run at once (they share a temporary name)
// and run in the order they were handed over. The bound keeps memory small on huge trees;
// the caller waits briefly when a queue is full.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

constexpr std::size_t kQueueCapacity = 64;  // per worker
// A caller that found a queue full waits until it is down to this. Woken at every free
// place, a caller that hands over faster than the workers copy would wake, hand over one
// copy and sleep again for every file: two context switches per file on the window's thread.
constexpr std::size_t kQueueLowWater = kQueueCapacity / 2;
constexpr unsigned kMinWorkers = 2;
constexpr unsigned kMaxWorkers = 4;

std::atomic<bool> g_poolStarted{false};

class CopyPool {
public:
    static CopyPool& Instance() {
        // Destroyed at process exit: the workers finish what was handed over, then are joined.
        static CopyPool pool;
        return pool;
    }

    CopyPool(const CopyPool&) = delete;
    CopyPool& operator=(const CopyPool&) = delete;
    ~CopyPool();

    std::uint64_t Submit(std::string destination, std::string source, const CopyTraits& traits);
    void SubmitRemoval(std::string folder, std::string sourceFolder);
    void RecordRefused(std::string destination, std::string source, int error);
    std::vector<CopyFailure> Wait();
    std::vector<CopyFailure> TakeUnlanded();
    CopyTally Tally() const { return CopyTally{m_finishedBelow.load(), m_unlanded.load()}; }
    int TakeLost() { return m_lost.exchange(0); }
    std::int64_t WaitFor(std::chrono::milliseconds timeout);
    void WaitIdle();
    std::int64_t Pending();
    std::int64_t Cancel();
    void Done(std::int64_t& files, std::int64_t& bytes);

private:
    struct Job {
        std::uint64_t sequence;
        std::string destination;  // the folder, for a removal of leftovers
        std::string source;       // the folder it mirrors, for a removal of leftovers
        bool removal = false;
        CopyTraits traits;
    };
    struct Worker {
        std::deque<Job> queue;
        std::condition_variable wake;
        std::thread thread;
    };

    CopyPool();
    std::uint64_t Open();                 // the next ticket, not finished yet; with the lock
    void Close(std::uint64_t sequence);   // it finished; with the lock
    void Enqueue(std::unique_lock<std::mutex>& lock, Job job);
    void Run(Worker& worker);
    void Execute(Worker* worker, Job& job);  // called without the lock; no worker: the caller's thread
    // A worker out of work closes the folders it kept open; called with the lock, which it lets go meanwhile.
    static void LetFoldersGo(std::unique_lock<std::mutex>& lock, const Worker& worker);

    std::mutex m_mutex;
    std::condition_variable m_notFull;
    std::condition_variable m_idle;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<std::pair<std::uint64_t, CopyFailure>> m_failures;
    std::uint64_t m_nextSequence = 0;
    std::int64_t m_pending = 0;   // copies and removals
    std::int64_t m_removals = 0;  // removals of leftovers among them
    std::int64_t m_doneFiles = 0;  // copies that landed, since the start
    std::int64_t m_doneBytes = 0;  // and their bytes
    bool m_stopping = false;
    // Tickets from m_finishedBelow on: 1 for each that finished. The frontier and the count of
    // copies that did not land are read without the lock, between the files of a run.
    std::deque<std::uint8_t> m_finished;
    std::atomic<std::int64_t> m_finishedBelow{0};
    std::atomic<std::int64_t> m_unlanded{0};
    std::atomic<int> m_lost{0};
};

CopyPool::CopyPool() {
    const unsigned count = std::min(kMaxWorkers, std::max(kMinWorkers, std::thread::hardware_concurrency()));
    m_workers.reserve(count);  // so that keeping a started worker cannot throw
    for (unsigned i = 0; i < count; ++i) {
        auto worker = std::make_unique<Worker>();
        try {
            Worker& ref = *worker;
            worker->thread = std::thread([this, &ref] { Run(ref); });
        } catch (const std::exception&) {
            break;  // fewer threads; with none, copies run in the caller
        }
        m_workers.push_back(std::move(worker));
    }
    g_poolStarted = true;
}

CopyPool::~CopyPool() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    for (auto& worker : m_workers) worker->wake.notify_all();
    for (auto& worker : m_workers) worker->thread.join();
}

std::uint64_t CopyPool::Open() {
    m_finished.push_back(0);
    return m_nextSequence++;
}

void CopyPool::Close(std::uint64_t sequence) {
    const auto frontier = static_cast<std::uint64_t>(m_finishedBelow.load(std::memory_order_relaxed));
    m_finished[sequence - frontier] = 1;
    std::uint64_t below = frontier;
    while (!m_finished.empty() && m_finished.front()) {
        m_finished.pop_front();
        ++below;
    }
    if (below != frontier) m_finishedBelow.store(static_cast<std::int64_t>(below));
}

std::uint64_t CopyPool::Submit(std::string destination, std::string source, const CopyTraits& traits) {
    std::unique_lock<std::mutex> lock(m_mutex);
    // A removal of leftovers that ran beside this copy could take its temporary.
    if (m_removals > 0) m_idle.wait(lock, [&] { return m_removals == 0; });
    // Work after a pause, the next run's maybe: its folders may have been replaced meanwhile.
    if (m_pending == 0) fileservice::FoldersMayHaveChanged();
    const std::uint64_t ticket = Open();
    Enqueue(lock, Job{ticket, std::move(destination), std::move(source), false, traits});
    return ticket;
}

void CopyPool::SubmitRemoval(std::string folder, std::string sourceFolder) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_pending > m_removals) m_idle.wait(lock, [&] { return m_pending == m_removals; });
    ++m_removals;
    Enqueue(lock, Job{Open(), std::move(folder), std::move(sourceFolder), true, CopyTraits{}});
}

void CopyPool::Enqueue(std::unique_lock<std::mutex>& lock, Job job) {
    ++m_pending;
    if (m_workers.empty()) {
        lock.unlock();
        Execute(nullptr, job);
        return;
    }
    Worker& worker = *m_workers[std::hash<std::string>{}(job.destination) % m_workers.size()];
    if (worker.queue.size() >= kQueueCapacity)
        m_notFull.wait(lock, [&] { return worker.queue.size() <= kQueueLowWater; });
    worker.queue.push_back(std::move(job));
    // The worker sleeps only on an empty queue.
    if (worker.queue.size() == 1) worker.wake.notify_one();
}

void CopyPool::RecordRefused(std::string destination, std::string source, int error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::uint64_t ticket = Open();
    m_failures.emplace_back(ticket, CopyFailure{std::move(source), fileservice::Failure{std::move(destination), error}});
    ++m_unlanded;
    Close(ticket);
}

void CopyPool::Run(Worker& worker) {
    fileservice::KeepCopyFoldersOpen();
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        LetFoldersGo(lock, worker);  // its queue emptied by a cancel, maybe, after its last copy looked
        worker.wake.wait(lock, [&] { return !worker.queue.empty() || m_stopping; });
        if (worker.queue.empty()) return;  // stopping, and everything handed over is done
        Job job = std::move(worker.queue.front());
        worker.queue.pop_front();
        // Every pop passes the low-water mark on the way down, so a waiting caller is woken.
        if (worker.queue.size() == kQueueLowWater) m_notFull.notify_all();
        lock.unlock();
        Execute(&worker, job);
        lock.lock();
    }
}

void CopyPool::LetFoldersGo(std::unique_lock<std::mutex>& lock, const Worker& worker) {
    if (!worker.queue.empty()) return;
    lock.unlock();
    fileservice::CloseCopyFolders();
    lock.lock();
}

void CopyPool::Execute(Worker* worker, Job& job) {
    if (job.removal) {
        fileservice::RemoveLeftovers(job.destination.c_str(), job.source.c_str());
        std::lock_guard<std::mutex> lock(m_mutex);
        Close(job.sequence);
        --m_removals;
        if (--m_pending == m_removals || m_removals == 0) m_idle.notify_all();
        return;
    }
    int error = 0;
    std::int64_t bytes = 0;
    int lost = 0;
    try {
        const fileservice::Result<std::int64_t> copied =
            fileservice::CopyFileSafely(job.destination, job.source, job.traits, &lost);
        if (copied) bytes = copied.Value();
        else error = copied.Error().error;
    } catch (const std::exception&) {
        error = ENOMEM;
    }
    if (lost != 0 && (m_lost.load(std::memory_order_relaxed) & lost) != lost) m_lost.fetch_or(lost);
    std::unique_lock<std::mutex> lock(m_mutex);
    // Before the copy counts as done, so that no medium is busy once a run has waited for its copies.
    if (worker) LetFoldersGo(lock, *worker);
    if (error != 0) {
        m_failures.emplace_back(
            job.sequence, CopyFailure{std::move(job.source), fileservice::Failure{std::move(job.destination), error}});
        ++m_unlanded;
    } else {
        ++m_doneFiles;
        m_doneBytes += bytes;
    }
    Close(job.sequence);
    if (--m_pending == 0 || m_pending == m_removals) m_idle.notify_all();
}

std::vector<CopyFailure> CopyPool::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [&] { return m_pending == 0; });
    std::vector<std::pair<std::uint64_t, CopyFailure>> failures;
    failures.swap(m_failures);
    lock.unlock();

    // Workers finish out of order; report in hand-over order. Dropped copies are no failures.
    std::sort(failures.begin(), failures.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CopyFailure> result;
    result.reserve(failures.size());
    for (auto& failure : failures) {
        if (failure.second.failure.error == fileservice::kCopyDropped) continue;
        failure.second.ticket = static_cast<std::int64_t>(failure.first);
        result.push_back(std::move(failure.second));
    }
    return result;
}

std::vector<CopyFailure> CopyPool::TakeUnlanded() {
    std::vector<std::pair<std::uint64_t, CopyFailure>> failures;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        failures.swap(m_failures);
    }
    std::sort(failures.begin(), failures.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CopyFailure> result;
    result.reserve(failures.size());
    for (auto& failure : failures) {
        failure.second.ticket = static_cast<std::int64_t>(failure.first);
        result.push_back(std::move(failure.second));
    }
    return result;
}

std::int64_t CopyPool::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait_for(lock, timeout, [&] { return m_pending == 0; });
    return m_pending;
}

void CopyPool::WaitIdle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [&] { return m_pending == 0; });
}

std::int64_t CopyPool::Pending() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pending;
}

std::int64_t CopyPool::Cancel() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::int64_t dropped = 0;
    // Nothing of a queued copy exists yet, not even its temporary; a running one ends whole.
    for (auto& worker : m_workers) {
        dropped += static_cast<std::int64_t>(std::erase_if(worker->queue, [this](Job& job) {
            if (job.removal) return false;
            m_failures.emplace_back(job.sequence, CopyFailure{std::move(job.source),
                                                              fileservice::Failure{std::move(job.destination),
                                                                                   fileservice::kCopyDropped}});
            ++m_unlanded;
            Close(job.sequence);
            return true;
        }));
    }
    m_pending -= dropped;
    m_notFull.notify_all();
    if (m_pending == 0 || m_pending == m_removals) m_idle.notify_all();
    return dropped;
}

void CopyPool::Done(std::int64_t& files, std::int64_t& bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    files = m_doneFiles;
    bytes = m_doneBytes;
}

std::int32_t ClampCount(std::int64_t count) { return count > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(count); }

}  // namespace

std::int32_t VBFILECOPYASYNC(const char* destination, const char* source) {
    try {
        CopyPool& pool = CopyPool::Instance();
        if (!destination || !source || !*destination || !*source) {
            pool.RecordRefused(destination ? destination : "", source ? source : "", EINVAL);
            return -1;
        }
        pool.Submit(destination, source, CopyTraits{});
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

std::int64_t VBFILECOPYASYNCTO(const char* destination, const char* source, const CopyTraits& traits) {
    try {
        CopyPool& pool = CopyPool::Instance();
        if (!destination || !source || !*destination || !*source) {
            pool.RecordRefused(destination ? destination : "", source ? source : "", EINVAL);
            return -1;
        }
        return static_cast<std::int64_t>(pool.Submit(destination, source, traits));
    } catch (const std::exception&) {
        return -1;
    }
}

CopyTally VBFILECOPYTALLY() {
    if (!g_poolStarted) return {};
    return CopyPool::Instance().Tally();
}

std::vector<CopyFailure> VBFILECOPYTAKEUNLANDED() {
    if (!g_poolStarted) return {};
    try {
        return CopyPool::Instance().TakeUnlanded();
    } catch (const std::exception&) {
        return {};
    }
}

std::int32_t VBFILECOPYTAKELOST() { return g_poolStarted ? CopyPool::Instance().TakeLost() : 0; }

std::int32_t VBFOLDERREMOVELEFTOVERSASYNC(const char* folder, const char* sourceFolder) {
    if (!folder || !*folder) return -1;
    try {
        CopyPool::Instance().SubmitRemoval(folder, sourceFolder ? sourceFolder : "");
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

std::vector<CopyFailure> VBFILECOPYWAIT() {
    if (!g_poolStarted) return {};
    try {
        return CopyPool::Instance().Wait();
    } catch (const std::exception&) {
        return {};
    }
}

std::int32_t VBFILECOPYPENDING() {
    if (!g_poolStarted) return 0;
    return ClampCount(CopyPool::Instance().Pending());
}

std::int32_t VBFILECOPYWAITFOR(std::int32_t milliseconds) {
    if (!g_poolStarted) return 0;
    return ClampCount(CopyPool::Instance().WaitFor(std::chrono::milliseconds(std::max(0, milliseconds))));
}

std::int32_t VBFILECOPYCANCEL() {
    if (!g_poolStarted) return 0;
    return ClampCount(CopyPool::Instance().Cancel());
}

void VBFILECOPYDONE(std::int64_t& files, std::int64_t& bytes) {
    files = 0;
    bytes = 0;
    if (g_poolStarted) CopyPool::Instance().Done(files, bytes);
}

namespace fileservice {

void WaitForPendingCopies() {
    if (g_poolStarted) CopyPool::Instance().WaitIdle();
}

}  // namespace fileservice
