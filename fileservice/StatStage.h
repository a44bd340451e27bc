#pragma once

// The stats of a file listing, shared by the listing's thread and one helper, and the reading
// of the same entries below a second directory (the copy pass's target). Not part of the
// library's interface.

#include "fileservice/Failure.h"
#include "fileservice/ListedEntry.h"
#include "fileservice/Listing.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace fileservice {

// The directory as paths below it begin: trailing separators dropped, then one added.
std::string DirectoryPrefix(std::string directory);

// ReadFolderEntries on the folder open as `folderFd` (taken over) at `folder`.
Result<std::vector<FolderEntry>> ReadFolderEntriesFrom(int folderFd, const std::string& folder);

// Appends what `targetFolder` holds beyond `names` (listed folder `folder`'s entries, sorted,
// each followed by '\0'): see TargetExtra. Nothing for a folder that is not there. `targetFd`,
// when not -1, is that folder open already.
void ReadTargetExtras(std::vector<TargetExtra>& extras, std::uint32_t folder, const std::string& targetFolder,
                      std::string_view names, int targetFd = -1);

// A failure and the listing position it belongs before.
struct PlacedFailure {
    std::size_t position;
    Failure failure;
};

// What the stage found, handed over by Finish.
struct StageResults {
    std::int64_t bytes = 0;                  // sizes of the regular files it stat'ed
    std::vector<std::size_t> gone;           // entries removed before their stat, by entry
    std::vector<PlacedFailure> failures;     // stats that failed otherwise, by entry
    std::vector<DifferingEntry> differing;   // by entry
    std::vector<TargetExtra> extras;         // by folder, then by name
    bool complete = true;                    // false: out of memory, some stats are missing
};

class StatStage {
public:
    // `listedPrefix` is the listed directory as paths below it begin, for failure paths.
    // `entries` is the listing's array of versions, if it keeps one: the stage fills the times
    // of the deferred entries and, with an `alongDirectory`, the tags of all.
    // With an `extrasDirectory`, the folder names handed over by AddNames are looked up there.
    StatStage(std::string listedPrefix, const std::string& alongDirectory, const std::string& extrasDirectory,
              std::vector<ListedEntry>* entries);
    ~StatStage();
    StatStage(const StatStage&) = delete;
    StatStage& operator=(const StatStage&) = delete;

    // False when no helper could be started: the listing then stats everything itself.
    bool Active() const { return m_thread.joinable(); }
    bool ReadsAlong() const { return !m_alongPrefix.empty(); }

    // Waits until no stat is outstanding, helping with the queued ones: the listing calls it
    // before its array of versions grows, as growing moves it.
    void Drain();

    // The listed entry `index`: its folder relative to the listed directory ("" for the
    // top) and its name. Deferred: the stage stats it through `folderFd` (the listing's
    // descriptor of its folder, duplicated here) and fills its time; else `sourceTime` and
    // `sourceSize` are what the listing saw (kNotListed and -1 when it did not stat it; a
    // size of -1 also for anything but a regular file).
    void Add(std::string_view folder, std::string_view name, std::size_t index, int folderFd, bool deferred,
             std::int64_t sourceTime, std::int64_t sourceSize);

    // The sorted names of all entries of listed folder `folder` (0: the top), each followed
    // by '\0', at `path` relative to the listed directory: the entries below the extras
    // directory that they lack are looked for.
    void AddNames(std::uint32_t folder, std::string_view path, std::string names);

    // Waits for every stat and stops the helper.
    StageResults Finish();

private:
    struct Item {
        std::size_t index;
        std::int64_t sourceTime;
        std::int64_t sourceSize;
        bool deferred;
    };
    // The files of one folder, or of part of a large one; the first also carries the names of
    // all its entries when the target's extras are looked for, so the target folder is opened once.
    struct Batch {
        std::string folder;
        int sourceFd = -1;  // owned; -1 when nothing in the batch is deferred
        std::string names;  // the items', each followed by '\0'
        std::vector<Item> items;
        ListedEntry* entries = nullptr;  // the listing's array, as it was when handed over, if any
        bool folderNames = false;        // AddNames: `allNames` are all of folder `folderIndex`
        std::uint32_t folderIndex = 0;
        std::string allNames;
        bool Empty() const { return items.empty() && !folderNames; }
    };

    void Submit();
    void Queue(Batch batch);
    void Work();
    void Process(Batch& batch);
    bool TakeQueued(Batch& batch);
    void Stop(bool abandon);

    std::string m_listedPrefix;
    std::string m_alongPrefix;
    std::string m_extrasPrefix;
    std::vector<ListedEntry>* m_entries;
    Batch m_current;

    std::mutex m_mutex;
    std::condition_variable m_wake;     // work arrived, or the end
    std::condition_variable m_settled;  // a batch was done
    std::deque<Batch> m_queue;
    std::size_t m_busy = 0;  // batches being processed
    bool m_done = false;
    StageResults m_results;  // guarded by m_mutex
    std::thread m_thread;
};

}  // namespace fileservice
