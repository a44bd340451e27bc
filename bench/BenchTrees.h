#pragma once

// The benchmark's trees: deterministic names, contents and modification times, so that
// every machine measures the same work.

#include <cstdint>
#include <string>
#include <vector>

// How a tree is laid out: `levels[i]` folders inside each folder of level i - 1 (the
// root is level -1); the root and every folder hold `filesPerFolder` files of `fileSize` bytes.
// Every file gets the modification time `fileTime` (seconds since 1970, whole), or when it is
// 0 one of its own (ContentTime).
struct TreeShape {
    std::string name;
    std::vector<int> levels;
    int filesPerFolder = 0;
    std::int64_t fileSize = 0;
    bool filesInRoot = false;
    std::int64_t fileTime = 0;
};

// The shapes the benchmark runs on, by name: "S" (20,000 files of 4 KiB in 200 folders,
// 3 deep), "L" (8 files of 64 MiB), "K" (100,000 empty files, 100 in each of 1,000 folders:
// 10 at the top, 99 inside each of them), "M" (10,000 empty files in 100 folders, K's layout
// and density), "X" (1,000,000 empty files, 1,000 in each of K's folders). The files of K, M
// and X are all dated 2024-01-01. `ok` is false for another name.
TreeShape ShapeNamed(const std::string& name, bool& ok);

// Number of folders and of files a shape makes.
std::int64_t FolderCount(const TreeShape& shape);
std::int64_t FileCount(const TreeShape& shape);

// The bytes of the file with this index in its tree: the same on every call.
void FillContent(std::uint64_t fileIndex, char* data, std::size_t size, std::uint64_t offset);

// The modification time given to the file with this index, in seconds and nanoseconds.
void ContentTime(std::uint64_t fileIndex, std::int64_t& seconds, long& nanoseconds);

// Writes the tree under `root`, which must not exist yet. Returns an empty text, or what failed.
std::string MakeTree(const TreeShape& shape, const std::string& root);

// Makes every `nth` regular file under `root` (byte-wise path order, counting from the
// first) `seconds` newer than it is. Returns how many files were touched, -1 on failure.
std::int64_t TouchNewer(const std::string& root, int nth, std::int64_t seconds);
