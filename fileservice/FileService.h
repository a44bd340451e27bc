#pragma once

// The file-service library: listing, version texts, safe copying and line deletion. Standard
// C++ only, no Qt: it keeps the narrow interface of a separate library. Texts are 8-bit, UTF-8
// (on Windows too, never the local code page); integers are signed; by-reference arguments
// are references. No function throws.
//
// Paths: a directory and a name relative to it are joined with one '/'.
// Folder entries begin with '/', so that target + entry names the folder.
// On Windows (win/): '/' and '\' both separate, any length is fine (\\?\ is added), and a
// name Windows refuses fails before anything is written (kNameNotAllowed, kNameReserved).
// Links there are symbolic links and junctions; a volume mounted in a folder is a mount point.
//
// Listing order (files and folders alike): depth first. A folder's files come sorted by name
// (byte-wise), then each of its subfolders in sorted order with everything inside it: "b.txt",
// "a/x.txt", "a/c/y.txt", "d/z.txt", and the folders "/a", "/a/c", "/d". Symbolic links (to
// anything, dangling too) are listed as files and never followed; FIFOs, sockets and devices
// are listed as files too, so that the copy refuses them visibly. A folder that cannot be read
// is skipped (Listing.h reports it).
//
// Each operation reads the file system as it is, on its own: a run holds its source listing
// as a value instead (Listing.h).

#include "fileservice/Failure.h"

#include <cstdint>
#include <string>
#include <vector>

// Byte totals are 64-bit fixed point with four decimals: value = scaled / 10000.
struct Currency {
    std::int64_t scaled = 0;
};

// The number of files under `directory`; `byteTotal` the sizes of its regular files.
std::int32_t VBFILECOUNT(const char* directory, std::int16_t& flag, const char* pattern, Currency& byteTotal);

// Every file under `directory`, relative, into `list` from 0; the index of the last, -1 for none.
std::int32_t VBFILELIST(const char* directory, std::int16_t& flag, const char* pattern,
                        std::vector<std::string>& list, Currency& byteTotal);

// The number of folders under `directory` (links to folders are files).
std::int32_t VBFOLDERCOUNT(const char* directory, std::int32_t& flag);

// Every folder under `directory` into `list` as VBFILELIST does, each beginning with '/'.
std::int32_t VBFOLDERLIST(const char* directory, std::int32_t& flag, std::vector<std::string>& list);

// Non-zero when `folder` is an existing directory (a link to one counts), else 0.
std::int32_t VBFOLDEREXISTS(const char* folder);

// A file's (a link's own) modification time and size, "1700000000.123456789 4096"; empty for no file.
std::string VBFILEVERSION(const char* file);

// -1 when the version text `first` is newer than `second` (or `second` is none), else 0.
std::int32_t VBFILEISNEWER(const char* first, const char* second, std::int32_t mode);

// How a source's version text stands to its target's, by VBFILEISNEWER's rule; with
// `localTimes` (a FAT target) a difference of one hour, within the tolerance, at equal sizes
// is the same file read across a change of the clock (daylight saving).
enum class VersionOrder { Newer, Same, TargetNewer };
VersionOrder CompareVersions(const char* source, const char* target, bool localTimes);

// Hands the copy of `source` to `destination` to the copy pool: 0, or -1 without a path. Its
// temporary never takes a name that the source's folder has (a file mirrored beside it).
std::int32_t VBFILECOPYASYNC(const char* destination, const char* source);

// One copy that failed: its source, and the error at its destination.
struct CopyFailure {
    std::string source;
    fileservice::Failure failure;  // path: the destination
    std::int64_t ticket = -1;      // its place in the hand-over order
};

// What a copy keeps to on its target's file system (fileservice/Medium.h).
struct CopyTraits {
    std::int64_t maxFileSize = -1;  // a larger regular file fails before anything is written; -1: no limit
    bool timesAfterRename = false;  // the times are set again after the rename (fusefat resets them there)
};

// VBFILECOPYASYNC keeping to `traits`; gives the copy's ticket (hand-over number), -1 when refused.
std::int64_t VBFILECOPYASYNCTO(const char* destination, const char* source, const CopyTraits& traits);

// Read without a lock, for between files: every ticket below `finishedBelow` has finished
// (copies, removals and refusals alike); `unlanded` counts, since the start, the copies that
// failed or were dropped.
struct CopyTally {
    std::int64_t finishedBelow = 0;
    std::int64_t unlanded = 0;
};
CopyTally VBFILECOPYTALLY();

// The copies that failed or were dropped (error kCopyDropped) so far, by ticket, then forgotten.
std::vector<CopyFailure> VBFILECOPYTAKEUNLANDED();

// The fileservice::MetadataLost bits of what the copies' targets could not keep since the last call.
std::int32_t VBFILECOPYTAKELOST();

// Waits for every handed-over copy and removal; the failed copies in hand-over order, then forgotten.
std::vector<CopyFailure> VBFILECOPYWAIT();

// The number of handed-over copies and removals that have not finished yet.
std::int32_t VBFILECOPYPENDING();

// Waits at most `milliseconds` for them; how many are still pending.
std::int32_t VBFILECOPYWAITFOR(std::int32_t milliseconds);

// Drops the handed-over copies that have not started (nothing of them exists yet); those
// running end whole. How many were dropped; they are no failures.
std::int32_t VBFILECOPYCANCEL();

// The copies that landed since the process started (links too), and their bytes.
void VBFILECOPYDONE(std::int64_t& files, std::int64_t& bytes);

// Removes the copy's leftover temporaries in `folder` that `sourceFolder` lacks; how many, -1 when unreadable.
std::int32_t VBFOLDERREMOVELEFTOVERS(const char* folder, const char* sourceFolder);

// Hands VBFOLDERREMOVELEFTOVERS to the copy pool: 0, or -1 without a folder; no copy overlaps it.
std::int32_t VBFOLDERREMOVELEFTOVERSASYNC(const char* folder, const char* sourceFolder);

// Removes line `lineNumber` (1 = first), every other byte kept; 0, also for nothing to do, or the error.
std::int32_t VBFILEDELETEBYLINENUMBER(const char* file, std::int32_t& lineNumber);

// Removes the first line equal to `line` (its ending not counted), as VBFILEDELETEBYLINENUMBER does.
std::int32_t VBFILEDELETELINEBYTEXT(const char* file, const char* line, std::int8_t& flag);
