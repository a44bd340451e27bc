#pragma once

// The source listing of a run as a value: its folders and files in listing order (see
// FileService.h), the byte total, the folders it could not read, and, when it compares, the
// version of each file and of its counterpart below the target, read along with it. Versions
// are asked for by index; a listing is a snapshot, so a change after it is caught by the
// next run, as it would be a moment after the comparison.

#include "fileservice/Failure.h"
#include "fileservice/FileNames.h"
#include "fileservice/FileService.h"
#include "fileservice/FolderEntries.h"
#include "fileservice/ListedEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fileservice {

struct ListingOptions {
    std::string target;               // compare, extras: the target read alongside
    bool compare = false;             // keep each file's version and its target counterpart's
    std::function<void()> folderTick; // called between the folders read, so a window can paint
    bool extras = false;              // find the target's entries that the listed folders lack
};

// What the target holds in one listed folder beyond the source: an entry the source lacks, a
// source folder that is a mount point there, a copy's temporary (entry.temporary: no extra, a
// leftover to clean up), or the failure to read the target folder.
struct TargetExtra {
    std::uint32_t folder = 0;  // 0: the top; k + 1: Folders()[k]
    FolderEntry entry;         // empty name: the folder could not be read (error)
    bool inSource = false;     // the source has it: a folder mounted over in the target
    int error = 0;
};

class Listing {
public:
    // Lists `source` in one walk; never throws (a listing cut short says so in Failures()).
    static Listing Read(const std::string& source, const ListingOptions& options);

    const std::vector<std::string>& Folders() const { return m_folders; }  // "/a", "/a/c", "/d"
    std::size_t FileCount() const { return m_files.size(); }
    std::string File(std::size_t i) const;  // "b.txt", "a/x.txt"
    std::string_view FileName(std::size_t i) const { return m_files.Name(i); }  // "x.txt"
    // The folder of file `i`: 0 for the top, k + 1 for Folders()[k].
    std::size_t FileFolder(std::size_t i) const { return m_files.Folder(i); }
    Currency ByteTotal() const { return m_bytes; }                        // the regular files' sizes
    // The version text (VBFILEVERSION's format) of file `i`: compare: what the listing saw;
    // else read now.
    std::string SourceVersion(std::size_t i) const;
    // The version text of the counterpart of file `i` below the target, "" for none: compare:
    // what the listing saw; else read now.
    std::string TargetVersion(std::size_t i) const;
    // How file `i` stands to its counterpart below the target, by CompareVersions' rule;
    // without version texts where the listing saw both the same.
    VersionOrder Order(std::size_t i, bool localTimes) const;
    const std::vector<Failure>& Failures() const { return m_failures; }  // listing order
    // With the extras option: by folder in listing order, then by name.
    const std::vector<TargetExtra>& TargetExtras() const { return m_extras; }
    // With the extras option and nothing failed: every listed folder's target was read, so
    // TargetExtras() names every temporary there.
    bool TargetReadWhole() const { return m_targetRead && m_failures.empty(); }

    struct Walk;  // what one walk collects (DirectoryWalk.cpp)

private:
    std::string m_source;  // "/src/": as paths below it begin
    std::string m_target;  // "/dst/", or empty
    std::vector<std::string> m_folders;
    FileNames m_files;
    Currency m_bytes;
    std::vector<Failure> m_failures;
    // Compare only, one per file (else empty: read live): the time the listing saw and what
    // stood below the target; the entries whose target differs, by index, with both sizes.
    std::vector<ListedEntry> m_entries;
    std::vector<DifferingEntry> m_differing;
    std::vector<TargetExtra> m_extras;
    bool m_targetRead = false;
};

}  // namespace fileservice
