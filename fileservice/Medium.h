#pragma once

// What the file system below a target folder can keep, learnt once per run: whether it tells
// names apart by case, whether it keeps local times, and the largest file it holds.

#include <cstdint>
#include <string>

namespace fileservice {

// FAT32 keeps at most 4 GiB less one byte in a file.
constexpr std::int64_t kFatMaxFileSize = 0xFFFFFFFFLL;

struct Medium {
    bool foldsCase = false;         // "a.txt" and "A.TXT" are one name there
    bool localTimes = false;        // FAT: times in local time, read an hour off after a clock change
    std::int64_t maxFileSize = -1;  // the largest file it holds; -1 for no limit a file meets
    bool timesAfterRename = false;  // FAT: fusefat gives a renamed file the time of the rename
};

// The medium of `folder`. Case: by what the folder does with a name of another case; an
// existing entry answers, else (with `mayWrite`) a hidden probe file made and removed at
// once, else the file system's type. Local times and the size limit: by the type (FAT).
Medium ProbeMedium(const std::string& folder, bool mayWrite);

// The file-system type of the mount that holds `path` ("vfat", "fuse.fusefat", "ext4"…); empty
// when it cannot be read.
std::string FileSystemType(const std::string& path);

// The bits of what the copies could not keep on their target since the last call (CopyPool).
enum MetadataLost : int { kModeLost = 1, kTimesLost = 2 };

}  // namespace fileservice
