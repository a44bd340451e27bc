#pragma once

// Folder identity: whether two paths name the same folder, or one lies inside the other,
// decided by device and inode, never by path text: one folder can be reached by two paths
// (a link, a second mount of it).

#include <cstdint>

struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

// Reads the identity of the folder at `path` (links followed); false when no folder is there.
bool ReadFolderIdentity(const char* path, FolderIdentity& identity);

// 1 when `inner` or one of its parents up to the root is `outer`, 0 when not, -1 when unreadable.
int IsSameOrInsideFolder(const char* inner, const char* outer);

// 1 when `path` is the top folder of a file system (or the root), 0 when not, -1 when unreadable.
int IsFileSystemRoot(const char* path);
