// Listing: one iterative depth-first walk behind Listing::Read and the four listing operations.
//
// Folders are opened with openat relative to their parent's descriptor, so the walk
// neither depends on PATH_MAX (deep trees keep working) nor follows a link that was
// swapped in for a folder (O_NOFOLLOW). One descriptor is open per level of depth; a tree
// deeper than the descriptor limit is cut there, and the cut is reported like an unreadable folder.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileWalk.h"
#include "fileservice/Listing.h"
#include "fileservice/StatStage.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

enum class Kind : std::uint8_t { Folder, Regular, Other };

// What the walk reports; the four operations differ only here.
class WalkVisitor {
public:
    virtual ~WalkVisitor() = default;
    // `folder` is relative to the listed directory, without a leading '/' ("" for the top).
    // `size` is -1 for anything but a regular file. `mtime` is null when the entry was not
    // stat'ed (links, special files). `deferredFd` is the folder's descriptor when the stat
    // was left to the visitor, else -1.
    virtual void File(std::string_view folder, std::string_view name, std::int64_t size, const struct timespec* mtime,
                      int deferredFd) = 0;
    virtual void Folder(const std::string& path) = 0;
    // With WalkOptions::folderNames, after each folder was read (the top first, each other one
    // after its Folder call): the names of all its entries, sorted, each followed by '\0'.
    virtual void FolderRead(std::string_view, std::string) {}
    // Where a failure seen now belongs in the listing: the number of files reported so far.
    virtual std::size_t Position() const { return 0; }
};

struct WalkOptions {
    bool files = true;          // false: files are neither reported nor stat'ed
    bool deferRegular = false;  // regular files are reported unstat'ed, with their folder's descriptor
    const std::function<void()>* tick = nullptr;  // called after each folder read
    bool folderNames = false;   // tell the visitor each folder's names
};

struct Entry {
    std::uint32_t offset;  // into the folder's name arena
    std::uint32_t length;
    Kind kind;
    bool deferred;
    std::int64_t size;
    struct timespec mtime;  // tv_nsec < 0: not stat'ed
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

struct Frame {
    std::unique_ptr<DIR, DirCloser> dir;
    std::size_t pathLength = 0;  // length of this folder's relative path
    std::string names;           // subfolder names back to back
    std::vector<std::pair<std::uint32_t, std::uint32_t>> subfolders;  // sorted (offset, length)
    std::size_t next = 0;
};

class Walker {
public:
    Walker(const char* directory, WalkOptions options, WalkVisitor& visitor)
        : m_root(directory ? directory : ""), m_options(options), m_visitor(visitor) {
        // Keep "/" itself, drop other trailing separators so failure paths read cleanly.
        while (m_root.size() > 1 && m_root.back() == '/') m_root.pop_back();
    }

    std::vector<fileservice::Failure> Run();
    // For each failure Run returned, in order, the listing position it belongs before.
    const std::vector<std::size_t>& FailurePositions() const { return m_failurePositions; }

private:
    void ReadFolder(Frame& frame);
    void Fail(std::string_view relative, int error);
    std::string FullPath(std::string_view relative) const;

    std::string m_root;
    WalkOptions m_options;
    WalkVisitor& m_visitor;
    std::vector<fileservice::Failure> m_failures;
    std::vector<std::size_t> m_failurePositions;
    std::string m_path;       // relative path of the folder being read
    std::string m_entryPath;  // scratch for the path of one entry
    std::string m_arena;      // names of the folder being read
    std::vector<Entry> m_entries;
};

std::string Walker::FullPath(std::string_view relative) const {
    if (relative.empty()) return m_root;
    std::string full = m_root;
    if (full.empty() || full.back() != '/') full += '/';
    full += relative;
    return full;
}

void Walker::Fail(std::string_view relative, int error) {
    m_failures.push_back(fileservice::Failure{FullPath(relative), error});
    m_failurePositions.push_back(m_visitor.Position());
}

std::vector<fileservice::Failure> Walker::Run() {
    if (m_root.empty()) {
        Fail({}, ENOENT);
        return std::move(m_failures);
    }
    // The directory itself may be reached through a link: the user named it.
    const int rootFd = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* rootDir = rootFd >= 0 ? ::fdopendir(rootFd) : nullptr;
    if (!rootDir) {
        Fail({}, errno);
        if (rootFd >= 0) ::close(rootFd);
        return std::move(m_failures);
    }

    std::vector<Frame> stack;
    stack.emplace_back();
    stack.back().dir.reset(rootDir);
    ReadFolder(stack.back());

    std::string childName;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        const auto [offset, length] = frame.subfolders[frame.next++];
        childName.assign(frame.names, offset, length);
        m_path.resize(frame.pathLength);
        if (!m_path.empty()) m_path += '/';
        m_path += childName;
        m_visitor.Folder(m_path);

        const int fd = ::openat(::dirfd(frame.dir.get()), childName.c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            // An unreadable folder is skipped, not fatal; the caller learns of it.
            Fail(m_path, errno);
            if (fd >= 0) ::close(fd);
            continue;
        }
        Frame child;
        child.dir.reset(dir);
        child.pathLength = m_path.size();
        stack.push_back(std::move(child));  // invalidates `frame`
        ReadFolder(stack.back());
        if (m_options.tick && *m_options.tick) (*m_options.tick)();
    }
    return std::move(m_failures);
}

void Walker::ReadFolder(Frame& frame) {
    DIR* dir = frame.dir.get();
    const int fd = ::dirfd(dir);
    m_arena.clear();
    m_entries.clear();

    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) Fail(m_path, errno);
            break;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;

        Kind kind = Kind::Other;
        std::int64_t size = 0;
        struct timespec mtime = {0, -1};
        bool needStat = false;
        bool deferred = false;
        switch (entry->d_type) {
        case DT_DIR: kind = Kind::Folder; break;
        case DT_REG:
            kind = Kind::Regular;
            deferred = m_options.files && m_options.deferRegular;
            needStat = m_options.files && !deferred;
            break;
        case DT_UNKNOWN: needStat = true; break;
        default: kind = Kind::Other; break;  // links, FIFOs, sockets, devices: files of size 0
        }
        if (!m_options.files && kind != Kind::Folder && !needStat) continue;

        if (needStat) {
            struct stat st;
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                kind = S_ISDIR(st.st_mode) ? Kind::Folder : S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
                if (kind == Kind::Regular) size = st.st_size;
                mtime = st.st_mtim;
            } else if (errno == ENOENT) {
                continue;  // removed while we read the folder
            } else {
                // Still list it (the copy will report it again), but say why the size is missing.
                m_entryPath = m_path;
                if (!m_entryPath.empty()) m_entryPath += '/';
                m_entryPath += name;
                Fail(m_entryPath, errno);
            }
            if (!m_options.files && kind != Kind::Folder) continue;
        }

        const std::size_t length = std::strlen(name);
        m_entries.push_back(Entry{static_cast<std::uint32_t>(m_arena.size()), static_cast<std::uint32_t>(length),
                                  kind, deferred, size, mtime});
        m_arena.append(name, length);
    }

    const std::string_view arena = m_arena;
    // Byte-wise order: std::string_view compares as unsigned char.
    std::sort(m_entries.begin(), m_entries.end(), [arena](const Entry& a, const Entry& b) {
        return arena.substr(a.offset, a.length) < arena.substr(b.offset, b.length);
    });

    if (m_options.folderNames) {
        std::string names;
        names.reserve(arena.size() + m_entries.size());
        for (const Entry& entry : m_entries) {
            names.append(arena.substr(entry.offset, entry.length));
            names += '\0';
        }
        m_visitor.FolderRead(m_path, std::move(names));
    }

    for (const Entry& entry : m_entries) {
        const std::string_view name = arena.substr(entry.offset, entry.length);
        if (entry.kind == Kind::Folder) {
            frame.subfolders.emplace_back(static_cast<std::uint32_t>(frame.names.size()), entry.length);
            frame.names.append(name);
            continue;
        }
        m_visitor.File(m_path, name, entry.kind == Kind::Regular ? entry.size : -1,
                       entry.mtime.tv_nsec >= 0 ? &entry.mtime : nullptr, entry.deferred ? fd : -1);
    }
}

using fileservice::FileWalk;

class FileCollector : public WalkVisitor {
public:
    // `extrasPrefix`: the target as paths below it begin, when the walk looks for its extras.
    FileCollector(FileWalk& walk, fileservice::StatStage* stage, bool keepVersions, std::string extrasPrefix)
        : m_walk(walk), m_stage(stage), m_keepVersions(keepVersions), m_extrasPrefix(std::move(extrasPrefix)) {}
    void File(std::string_view folder, std::string_view name, std::int64_t size, const struct timespec* mtime,
              int deferredFd) override {
        const std::int64_t time = mtime ? fileservice::ListedTime(*mtime) : fileservice::kNotListed;
        const std::size_t index = m_walk.names.size();
        if (m_keepVersions) {
            // The stage writes into the array of versions: it must not move under it.
            if (m_stage && m_walk.entries.size() == m_walk.entries.capacity()) m_stage->Drain();
            m_walk.entries.emplace_back(time);
        }
        m_walk.names.Add(name);
        m_walk.bytes += std::max<std::int64_t>(size, 0);
        if (m_stage) m_stage->Add(folder, name, index, deferredFd, deferredFd >= 0, time, size);
    }
    void Folder(const std::string& path) override {
        m_walk.folders.push_back('/' + path);
        m_walk.names.BeginFolder();
    }
    void FolderRead(std::string_view path, std::string names) override {
        if (m_extrasPrefix.empty()) return;
        const auto folder = static_cast<std::uint32_t>(m_walk.folders.size());
        if (m_stage)
            m_stage->AddNames(folder, path, std::move(names));
        else
            fileservice::ReadTargetExtras(m_walk.extras, folder, m_extrasPrefix + std::string(path), names);
    }
    std::size_t Position() const override { return m_walk.names.size(); }

private:
    FileWalk& m_walk;
    fileservice::StatStage* m_stage;
    bool m_keepVersions;
    std::string m_extrasPrefix;
};

// Drops the entries the stage found removed (`gone`, sorted) from the walk. Allocates nothing.
void DropGone(FileWalk& walk, const std::vector<std::size_t>& gone) {
    if (gone.empty()) return;
    const bool withVersions = walk.entries.size() == walk.names.size();
    if (withVersions) {
        std::size_t kept = 0;
        std::size_t next = 0;  // into gone
        for (std::size_t i = 0; i < walk.entries.size(); ++i) {
            if (next < gone.size() && gone[next] == i) {
                ++next;
                continue;
            }
            walk.entries[kept++] = walk.entries[i];
        }
        walk.entries.erase(walk.entries.begin() + static_cast<std::ptrdiff_t>(kept), walk.entries.end());
    }
    walk.names.Drop(gone);
    // A differing entry moves up by the number of removed entries before it; both are sorted.
    std::size_t before = 0;
    for (auto& entry : walk.differing) {
        while (before < gone.size() && gone[before] < entry.entry) ++before;
        entry.entry = static_cast<std::uint32_t>(entry.entry - before);
    }
}

std::vector<fileservice::Failure> RunWalk(const char* directory, WalkOptions options, WalkVisitor& visitor,
                                          std::vector<std::size_t>* positions = nullptr) {
    try {
        Walker walker(directory, options, visitor);
        std::vector<fileservice::Failure> failures = walker.Run();
        if (positions) *positions = walker.FailurePositions();
        return failures;
    } catch (const std::exception&) {
        // Out of memory: what was listed so far stands, and the caller learns that it is incomplete.
        return {fileservice::Failure{directory ? directory : "", ENOMEM}};
    }
}

// Takes over what the stage found: byte total, failures in listing order, the target's
// versions, and the removal of entries that went away before their stat.
void FinishStage(fileservice::StatStage& stage, FileWalk& walk, const std::vector<std::size_t>& positions,
                 const std::string& directory) {
    fileservice::StageResults results = stage.Finish();
    walk.bytes += results.bytes;
    // The walk's own failures and the stats' in listing order, the walk's first at one place.
    std::vector<fileservice::Failure> merged;
    merged.reserve(walk.failures.size() + results.failures.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < walk.failures.size(); ++i) {
        const std::size_t position = i < positions.size() ? positions[i] : SIZE_MAX;
        while (next < results.failures.size() && results.failures[next].position < position)
            merged.push_back(std::move(results.failures[next++].failure));
        merged.push_back(std::move(walk.failures[i]));
    }
    while (next < results.failures.size()) merged.push_back(std::move(results.failures[next++].failure));
    walk.failures = std::move(merged);
    if (!results.complete) walk.failures.push_back(fileservice::Failure{directory, ENOMEM});
    walk.differing = std::move(results.differing);
    walk.extras = std::move(results.extras);
    DropGone(walk, results.gone);
    // Versions with stats missing, or more entries than their index holds, are not kept: read live.
    if (!results.complete || walk.names.size() > UINT32_MAX) {
        std::vector<fileservice::ListedEntry>().swap(walk.entries);
        walk.differing.clear();
    }
}

// Lists the files and folders of `directory`; with an `along` directory, the versions of the
// files and of their counterparts below it; with an `extras` directory, the entries there
// that the listed folders lack.
FileWalk WalkFiles(const char* directory, const std::string& along, const std::string& extras,
                   const std::function<void()>* tick) {
    FileWalk walk;
    const std::string listed = directory ? directory : "";
    // The listed directory as paths below it begin: "/src/" for "/src" or "/src/".
    const std::string prefix = listed.empty() ? std::string() : fileservice::DirectoryPrefix(listed);
    const bool keepVersions = !along.empty();
    // The stats go to a second thread; without one, the walk stats every file itself.
    std::unique_ptr<fileservice::StatStage> stage;
    try {
        stage = std::make_unique<fileservice::StatStage>(prefix, along, extras, keepVersions ? &walk.entries : nullptr);
        if (!stage->Active()) stage.reset();
    } catch (const std::exception&) {
        stage.reset();
    }
    const std::string extrasPrefix = extras.empty() ? std::string() : fileservice::DirectoryPrefix(extras);
    FileCollector collector(walk, stage.get(), keepVersions, extrasPrefix);
    std::vector<std::size_t> positions;
    walk.failures =
        RunWalk(directory, WalkOptions{true, stage != nullptr, tick, !extras.empty()}, collector, &positions);
    if (stage) {
        try {
            FinishStage(*stage, walk, positions, listed);
        } catch (const std::exception&) {
            // Out of memory: what was listed so far stands, and the caller learns that it is incomplete.
            walk.entries.clear();
            walk.failures.push_back(fileservice::Failure{listed, ENOMEM});
        }
    }
    // Without a stage the target was not read along: every version is read live.
    if (!stage) walk.entries.clear();
    return walk;
}

class FolderLister : public WalkVisitor {
public:
    explicit FolderLister(std::vector<std::string>& list) : m_list(list) {}
    void File(std::string_view, std::string_view, std::int64_t, const struct timespec*, int) override {}
    void Folder(const std::string& path) override {
        if (count >= m_list.size()) m_list.emplace_back();
        std::string& entry = m_list[count];
        entry.assign(1, '/');
        entry += path;
        ++count;
    }
    std::size_t count = 0;

private:
    std::vector<std::string>& m_list;
};


}  // namespace

namespace fileservice {

FileWalk WalkListing(const std::string& directory, const std::string& target, bool compare, bool extras,
                     const std::function<void()>* tick) {
    const std::string root = target.empty() ? std::string() : DirectoryPrefix(target);
    return WalkFiles(directory.c_str(), compare ? root : std::string(), extras ? root : std::string(), tick);
}

}  // namespace fileservice

std::int32_t VBFOLDERCOUNT(const char* directory, std::int32_t&) {
    std::vector<std::string> folders;
    FolderLister lister(folders);
    RunWalk(directory, WalkOptions{false, false, nullptr}, lister);
    return fileservice::ClampCount(lister.count);
}

std::int32_t VBFOLDERLIST(const char* directory, std::int32_t&, std::vector<std::string>& list) {
    FolderLister lister(list);
    RunWalk(directory, WalkOptions{false, false, nullptr}, lister);
    fileservice::ClearFrom(list, lister.count);
    return fileservice::ClampIndex(lister.count);
}
