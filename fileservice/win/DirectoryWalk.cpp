// Listing on Win32: one iterative depth-first walk behind Listing::Read and the four listing
// operations, in the order and with the failures of the POSIX walk (FileService.h).
//
// FindFirstFileExW (basic information, large fetch) gives each entry's name, attributes,
// time and size in one enumeration, so no file is opened or asked for on its own. A comparing
// listing reads each target folder the same way, once, for the counterparts of the files and
// for the target's extras. Links (symbolic links, junctions) are listed as files and never
// entered; a folder is entered only while it is no link.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileWalk.h"
#include "fileservice/Listing.h"
#include "fileservice/win/WinEntries.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <exception>
#include <unordered_map>
#include <vector>

namespace fileservice {
namespace {

enum class Kind : std::uint8_t { Folder, Regular, Other };

struct Entry {
    std::string name;    // UTF-8, as the listing gives it
    std::wstring wide;   // as the folder holds it
    Kind kind = Kind::Other;
    std::int64_t size = -1;          // regular files only
    std::int64_t time = kNotListed;  // regular files only
    bool mountPoint = false;         // a folder where another volume is mounted
};

// A folder as Win32 names it: a root with its separator ("\\?\E:\"), which without it is
// the drive itself.
std::wstring Named(const std::wstring& folder) {
    return folder.size() < RootLength(folder) ? folder + L'\\' : folder;
}

std::int64_t SizeOf(const WIN32_FIND_DATAW& found) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
}

// A folder's entries, sorted by their UTF-8 names byte-wise.
Status ReadEntries(const std::wstring& folder, const std::string& path, std::vector<Entry>& entries) {
    entries.clear();
    const Status read = ForEachEntry(folder, path, [&](const WIN32_FIND_DATAW& found) {
        const EntryAttributes attributes = AttributesOf(found);
        Entry entry;
        entry.wide = found.cFileName;
        entry.name = Utf8Of(entry.wide);
        if (attributes.IsFolder()) {
            entry.kind = Kind::Folder;
        } else if (attributes.IsLink()) {
            // A volume mounted in a folder: a folder of another file system, never entered.
            entry.mountPoint = (attributes.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                               IsVolumeMountPoint(folder + L'\\' + entry.wide);
        } else {
            entry.kind = Kind::Regular;
            entry.size = SizeOf(found);
            entry.time = ListedTime(TimespecOf(found.ftLastWriteTime));
        }
        entries.push_back(std::move(entry));
        return true;
    });
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return read;
}

// One target folder as the comparison reads it: each entry under its name in capitals, since
// Windows finds a name in any case.
struct TargetFolder {
    int error = 0;  // ENOENT: not there; else 0 or why it could not be read
    std::vector<Entry> entries;
    std::unordered_map<std::wstring, std::size_t> byName;
};

std::wstring Folded(const std::wstring& name) {
    std::wstring folded = name;
    if (!folded.empty()) ::CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

struct WalkOptions {
    bool files = true;             // false: only the folders are collected
    std::wstring along;            // the target whose counterparts are compared, when it compares
    std::wstring extras;           // the target whose extras are looked for
    const std::function<void()>* tick = nullptr;
};


class Walker {
public:
    Walker(const std::string& directory, WalkOptions options, FileWalk& walk)
        : m_root(directory), m_options(std::move(options)), m_walk(walk) {
        // Keep a drive's root, drop other trailing separators so failure paths read cleanly.
        while (m_root.size() > 1 && (m_root.back() == '/' || m_root.back() == '\\') && m_root[m_root.size() - 2] != ':')
            m_root.pop_back();
    }

    void Run();

private:
    struct Frame {
        std::string path;          // relative, '/' between names; "" for the top
        std::wstring relative;     // the same as Windows names it, '\' before each name
        std::vector<Entry> subfolders;
        std::size_t next = 0;
    };

    void ReadFolder(Frame& frame);
    void ReadTarget(const std::wstring& relative, TargetFolder& target) const;
    void Compare(const Entry& entry, const TargetFolder& target);
    void FindExtras(const std::vector<Entry>& source, TargetFolder& target);
    void Fail(const std::string& relative, int error) {
        std::string full = m_root;
        if (!relative.empty()) {
            if (full.back() != '/' && full.back() != '\\') full += '/';
            full += relative;
        }
        m_walk.failures.push_back(Failure{full, error});
    }

    std::string m_root;
    std::wstring m_rootWide;
    WalkOptions m_options;
    FileWalk& m_walk;
    std::vector<Entry> m_entries;  // of the folder being read
};

void Walker::Run() {
    const Result<std::wstring> root = WidePath(m_root);
    if (!root) {
        Fail({}, root.Error().error);
        return;
    }
    m_rootWide = root.Value();
    if (m_rootWide.back() == L'\\') m_rootWide.pop_back();
    // The directory itself may be reached through a link: the user named it.
    const DWORD attributes = ::GetFileAttributesW(Named(m_rootWide).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Fail({}, ENOTDIR);
        return;
    }
    std::vector<Frame> stack(1);
    const Status read = ReadEntries(m_rootWide, m_root, m_entries);
    if (!read) {
        Fail({}, read.Error().error);
        return;
    }
    ReadFolder(stack.back());

    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        const Entry& child = frame.subfolders[frame.next++];
        Frame next;
        next.path = frame.path.empty() ? child.name : frame.path + '/' + child.name;
        next.relative = frame.relative + L'\\' + child.wide;
        m_walk.folders.push_back('/' + next.path);
        m_walk.names.BeginFolder();

        // Read only while it is still a folder and no link: one swapped in is not followed.
        const std::wstring folder = m_rootWide + next.relative;
        Status status;
        if (!ReadEntryAttributes(folder).IsFolder()) status = Failure{next.path, ENOTDIR};
        else status = ReadEntries(folder, next.path, m_entries);
        if (!status) {
            // An unreadable folder is skipped, not fatal; the caller learns of it.
            Fail(next.path, status.Error().error);
            continue;
        }
        stack.push_back(std::move(next));  // invalidates `frame`
        ReadFolder(stack.back());
        if (m_options.tick && *m_options.tick) (*m_options.tick)();
    }
}

void Walker::ReadTarget(const std::wstring& relative, TargetFolder& target) const {
    const std::wstring& base = m_options.along.empty() ? m_options.extras : m_options.along;
    const std::wstring folder = Named(base + relative);
    const EntryAttributes attributes = ReadEntryAttributes(folder);
    // A target folder that is not there (yet) holds nothing; a link there is not entered.
    if (!attributes.Exists() || !(attributes.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        target.error = ENOENT;
        return;
    }
    if (!attributes.IsFolder()) {
        target.error = ENOTDIR;
        return;
    }
    const Status read = ReadEntries(folder, Utf8Of(folder), target.entries);
    if (!read) {
        target.error = read.Error().error == ENOTDIR ? ENOENT : read.Error().error;
        target.entries.clear();
        return;
    }
    for (std::size_t i = 0; i < target.entries.size(); ++i) target.byName.emplace(Folded(target.entries[i].wide), i);
}

// The tag of what stands below the target for the file just added, as a stat of it would
// tell: nothing or a folder, a file of the same time and size, or one that differs.
void Walker::Compare(const Entry& entry, const TargetFolder& target) {
    ListedEntry& listed = m_walk.entries.back();
    const std::size_t index = m_walk.entries.size() - 1;
    if (target.error != 0) {
        listed.SetTag(target.error == ENOENT ? AlongTag::NoFile : AlongTag::ReadLive);
        return;
    }
    const auto found = target.byName.find(Folded(entry.wide));
    if (found == target.byName.end() || target.entries[found->second].kind == Kind::Folder) {
        listed.SetTag(AlongTag::NoFile);
        return;
    }
    const Entry& there = target.entries[found->second];
    // A link's own time is read by the query itself.
    if (there.kind != Kind::Regular || there.time == kNotListed) {
        listed.SetTag(AlongTag::ReadLive);
        return;
    }
    // A source the listing did not read (a link) never equals a time.
    if (there.time == entry.time && (entry.size < 0 || there.size == entry.size)) {
        listed.SetTag(AlongTag::SameAsSource);
        return;
    }
    listed.SetTag(AlongTag::Differs);
    m_walk.differing.push_back(DifferingEntry{static_cast<std::uint32_t>(index), there.time, there.size, entry.size});
}

// The target's entries that the source folder lacks, and the source's folders mounted over
// there, by name, and the copies' temporaries (marked). A name the source has in another case is the
// same entry on Windows, never an extra.
void Walker::FindExtras(const std::vector<Entry>& source, TargetFolder& target) {
    const auto folder = static_cast<std::uint32_t>(m_walk.folders.size());
    if (target.error != 0) {
        if (target.error != ENOENT) m_walk.extras.push_back(TargetExtra{folder, FolderEntry{}, false, target.error});
        return;
    }
    std::vector<std::wstring> sourceNames;
    sourceNames.reserve(source.size());
    for (const Entry& entry : source) sourceNames.push_back(Folded(entry.wide));
    std::sort(sourceNames.begin(), sourceNames.end());
    for (Entry& entry : target.entries) {
        const bool inSource = std::binary_search(sourceNames.begin(), sourceNames.end(), Folded(entry.wide));
        const bool isFolder = entry.kind == Kind::Folder || entry.mountPoint;
        // A copy's temporary is no extra, but it tells the run which folders need cleaning up.
        if (IsTemporaryName(entry.name)) {
            if (!inSource && !isFolder)
                m_walk.extras.push_back(TargetExtra{folder, FolderEntry{entry.name, false, false, true}, false, 0});
            continue;
        }
        if (inSource && !entry.mountPoint) continue;
        m_walk.extras.push_back(TargetExtra{folder, FolderEntry{entry.name, isFolder, entry.mountPoint, false}, inSource, 0});
    }
}

void Walker::ReadFolder(Frame& frame) {
    const bool compares = !m_options.along.empty();
    TargetFolder target;
    if (compares || !m_options.extras.empty()) ReadTarget(frame.relative, target);

    for (Entry& entry : m_entries) {
        if (entry.kind == Kind::Folder) {
            frame.subfolders.push_back(entry);
            continue;
        }
        if (!m_options.files) continue;
        if (compares) m_walk.entries.emplace_back(entry.time);
        m_walk.names.Add(entry.name);
        m_walk.bytes += std::max<std::int64_t>(entry.size, 0);
        if (compares) Compare(entry, target);
    }
    if (!m_options.extras.empty()) FindExtras(m_entries, target);
}

FileWalk WalkFiles(const char* directory, WalkOptions options) {
    FileWalk walk;
    const std::string listed = directory ? directory : "";
    try {
        if (listed.empty()) {
            walk.failures.push_back(Failure{listed, ENOENT});
            return walk;
        }
        Walker(listed, std::move(options), walk).Run();
        if (walk.names.size() > UINT32_MAX) {
            walk.entries.clear();
            walk.differing.clear();
        }
    } catch (const std::exception&) {
        // Out of memory: what was listed so far stands, and the caller learns that it is incomplete.
        walk.entries.clear();
        walk.differing.clear();
        walk.failures.push_back(Failure{listed, ENOMEM});
    }
    // Versions only where every file has one.
    if (walk.entries.size() != walk.names.size()) {
        walk.entries.clear();
        walk.differing.clear();
    }
    return walk;
}

// The target as the walk reads it: wide, without a trailing separator; empty when none.
std::wstring TargetRoot(const std::string& target) {
    if (target.empty()) return {};
    const Result<std::wstring> wide = WidePath(target);
    if (!wide) return {};
    std::wstring root = wide.Value();
    if (root.back() == L'\\') root.pop_back();
    return root;
}


}  // namespace

std::string DirectoryPrefix(std::string directory) {
    while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\')) directory.pop_back();
    if (directory.empty() || (directory.back() != '/' && directory.back() != '\\')) directory += '/';
    return directory;
}

FileWalk WalkListing(const std::string& directory, const std::string& target, bool compare, bool extras,
                     const std::function<void()>* tick) {
    WalkOptions options;
    const std::wstring root = TargetRoot(target);
    if (compare) options.along = root;
    if (extras) options.extras = root;
    options.tick = tick;
    return WalkFiles(directory.c_str(), std::move(options));
}

}  // namespace fileservice

std::int32_t VBFOLDERCOUNT(const char* directory, std::int32_t&) {
    fileservice::WalkOptions options;
    options.files = false;
    return fileservice::ClampCount(fileservice::WalkFiles(directory, options).folders.size());
}

std::int32_t VBFOLDERLIST(const char* directory, std::int32_t&, std::vector<std::string>& list) {
    fileservice::WalkOptions options;
    options.files = false;
    fileservice::FileWalk walk = fileservice::WalkFiles(directory, options);
    const std::size_t count = walk.folders.size();
    try {
        if (list.size() < count) list.resize(count);
        std::move(walk.folders.begin(), walk.folders.end(), list.begin());
    } catch (const std::exception&) {
        fileservice::ClearFrom(list, 0);
        return -1;
    }
    fileservice::ClearFrom(list, count);
    return fileservice::ClampIndex(count);
}
