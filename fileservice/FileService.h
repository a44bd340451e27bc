#pragma once

// The file-service library: listing, version texts, safe copying and line
// deletion. Standard C++ only, no Qt: it keeps the narrow interface of a
// separate library. Texts are 8-bit, UTF-8 on Linux; integers are signed;
// by-reference arguments are references. No function throws.
//
// Paths: a directory and a name relative to it are joined with one '/'.
// Folder entries begin with '/', so that target + entry names the folder.
//
// Listing order (files and folders alike): depth first. A folder's files come
// sorted by name (byte-wise), then each of its subfolders in sorted order with
// everything inside it: "b.txt", "a/x.txt", "a/c/y.txt", "d/z.txt", and the folders
// "/a", "/a/c", "/d".
// Symbolic links (to anything, dangling too) are listed as files and never
// followed; FIFOs, sockets and devices are listed as files too, so that the copy
// refuses them visibly. Folders that cannot be read are skipped and reported by
// LastListFailures().

#include <cstdint>
#include <string>
#include <vector>

// Byte totals are 64-bit fixed point with four decimals: value = scaled / 10000.
struct Currency {
    std::int64_t scaled = 0;
};

// Counts the files under `directory` (subfolders included) and sets `byteTotal` to the
// sizes of its regular files (links and special files count 0). Same walk as VBFILELIST.
// `flag` and `pattern` ("*.*") are accepted for compatibility and not interpreted.
std::int32_t VBFILECOUNT(const char* directory, std::int16_t& flag, const char* pattern, Currency& byteTotal);

// Fills `list` with every file under `directory`, relative to it, without a leading '/',
// in the listing order above, and sets `byteTotal` as VBFILECOUNT does. Entries from 0;
// `list` grows as needed and entries after the last one are left empty. Returns the
// index of the last entry, -1 when there is none (also when `directory` cannot be read).
// Right after a VBFILECOUNT of the same directory (within 2 seconds) it reuses that walk.
std::int32_t VBFILELIST(const char* directory, std::int16_t& flag, const char* pattern,
                        std::vector<std::string>& list, Currency& byteTotal);

// Counts the folders under `directory` (links to directories are not folders).
std::int32_t VBFOLDERCOUNT(const char* directory, std::int32_t& flag);

// Fills `list` like VBFILELIST with every folder under `directory`, each relative and
// beginning with '/', parents before the folders inside them, sorted by name within a
// folder. Links to directories are not folders. Returns the index of the last entry.
// Right after a VBFOLDERCOUNT of the same directory (within 2 seconds) it reuses that walk.
std::int32_t VBFOLDERLIST(const char* directory, std::int32_t& flag, std::vector<std::string>& list);

// Announces that version queries follow the next file listing, in listing order, as a copy
// pass that only copies newer files makes them. The listings up to and including the next
// VBFILELIST then keep the times they saw (see VBFILEVERSION); when `targetDirectory` is
// given, they also read, on a second thread, the entries they find below it, so that
// VBFILEVERSION of targetDirectory + '/' + entry, asked just before that of the listed file,
// answers what stood there during the listing, and the listed file's what the listing saw.
// Without the announcement, or without a target, every version query reads the file itself.
void VBFILELISTFORCOMPARE(const char* targetDirectory);

// A folder or entry that the last listing could not read: its full path and the
// system's reason (strerror). The listed directory itself appears when it cannot be opened.
struct ListFailure {
    std::string path;
    std::string reason;
};

// The failures of the most recent VBFILECOUNT, VBFILELIST, VBFOLDERCOUNT or VBFOLDERLIST
// call (empty when it read everything).
std::vector<ListFailure> LastListFailures();

// Non-zero when `folder` is an existing directory (a link to one counts), else 0.
std::int32_t VBFOLDEREXISTS(const char* folder);

// Version text of a file: its modification time (the link's own for a link) as
// "<seconds>.<nanoseconds>", seconds since 1970 in decimal (a '-' before times before
// 1970), then exactly nine digits, then a blank and its size in bytes, e.g.
// "1700000000.123456789 4096"; the time's value is seconds + nanoseconds / 1e9. Empty when
// nothing or a directory stands at the path. After a VBFILELIST announced by
// VBFILELISTFORCOMPARE with a target, its files, asked for in listing order (the target's
// entry, then the listed one), get what that listing saw, as a file list is a snapshot;
// where target and source were alike in time and size, both texts then leave the size out.
// Anything else is read live.
std::string VBFILEVERSION(const char* file);

// -1 when the file of `first` is newer than that of `second`: `second` is empty (no
// target yet) or not a version text, or the first time is more than 2 seconds later (FAT
// keeps 2-second stamps, so a file just copied there never counts as newer), or the times
// are within those 2 seconds of each other and both texts carry sizes that differ (a cut
// or emptied copy is not up to date). Else 0, also for an empty or unreadable `first`.
// A text without a size still compares by its time. Every `mode` is treated like 1.
std::int32_t VBFILEISNEWER(const char* first, const char* second, std::int32_t mode);

// Hands the copy of `source` to `destination` to the worker pool and returns; may block
// briefly while the pool's queue is full. Returns 0 when the copy was handed over,
// -1 when an argument is missing (reported by VBFILECOPYWAIT like any failed copy).
// The copy writes a hidden temporary beside `destination` and renames it over the old
// file, keeping modification time and permission bits; links are copied as links; FIFOs,
// sockets and devices are refused without being opened. Copies to the same destination
// run in the order they were handed over. The temporary's name is never one that the last
// file listing listed, so a copy never takes a mirrored file that only looks like one.
std::int32_t VBFILECOPYASYNC(const char* destination, const char* source);

// One copy that failed: its paths and the system's reason, in German-free plain text
// as the system gives it (strerror), or "not a regular file or link" for a refused
// FIFO, socket or device.
struct CopyFailure {
    std::string source;
    std::string destination;
    std::string reason;
};

// Waits until no handed-over copy is pending; returns the failed ones in the order they
// were handed over, and forgets them.
std::vector<CopyFailure> VBFILECOPYWAIT();

// The number of handed-over copies that have not finished yet.
std::int32_t VBFILECOPYPENDING();

// Waits at most `milliseconds` for every pending copy to finish; returns how many are
// still pending (0: all done). Failures stay kept for VBFILECOPYWAIT.
std::int32_t VBFILECOPYWAITFOR(std::int32_t milliseconds);

// Removes the copy's temporary files (".tvl-" + 16 hex digits + ".tmp") left in `folder`
// by an interrupted run, not in its subfolders; nothing else, and no name that
// `sourceFolder` (the folder `folder` mirrors, if any) has: there it is a mirrored file.
// Where `sourceFolder` is given but cannot be read, nothing is removed. Waits for pending
// copies first. Returns how many it removed, -1 when `folder` cannot be read.
std::int32_t VBFOLDERREMOVELEFTOVERS(const char* folder, const char* sourceFolder);

// Hands the work of VBFOLDERREMOVELEFTOVERS(folder, sourceFolder) to the copy pool and
// returns: 0 when handed over, -1 without a folder. It waits for pending copies first; a
// copy handed over later waits until every such removal is done, so none ever takes a
// copy's temporary. VBFILECOPYPENDING counts the removals, VBFILECOPYWAIT and
// VBFILECOPYWAITFOR wait for them.
std::int32_t VBFOLDERREMOVELEFTOVERSASYNC(const char* folder, const char* sourceFolder);

// Removes line `lineNumber` (1 = first), keeping every other byte, line endings included.
// Replaced atomically, permission bits kept; a link is followed to its file. Returns 0 on
// success and when there is nothing to do (missing file, no such line), else the errno
// of the failing step (the file is then untouched).
std::int32_t VBFILEDELETEBYLINENUMBER(const char* file, std::int32_t& lineNumber);

// Removes the first line equal to `line` (its "\r\n" or "\n" ending not counted), as
// VBFILEDELETEBYLINENUMBER does, same results. `flag` is not interpreted.
std::int32_t VBFILEDELETELINEBYTEXT(const char* file, const char* line, std::int8_t& flag);
