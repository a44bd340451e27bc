#pragma once

// Scratch files of the fuzz targets: the functions under test work on real files.

#include <string>

// A private folder on a memory file system (created once per process).
const std::string& FuzzDir();
// Replaces `path` with exactly `bytes`; aborts when that fails, as nothing else can be trusted.
void PutFile(const std::string& path, const std::string& bytes);
// The file's bytes; aborts when it cannot be read.
std::string GetFile(const std::string& path);
// Names in FuzzDir() other than `keep`: temporaries left behind.
int StrayEntries(const std::string& keep);
