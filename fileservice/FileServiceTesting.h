#pragma once

// Hooks for tests: failures that are hard to cause for real, injected where the program
// writes files (SafeFile.cpp).

#include <cstdint>
#include <string>

// Makes the data writes of every later copy, replacement and append fail (EIO) once `bytes`
// bytes of that file are written, as an interrupted copy would; -1 turns it off.
void SetFailWriteAfterBytes(std::int64_t bytes);

// Makes the next replacement of a file write half of its bytes and then fail as a full disk
// would (ENOSPC).
void FailNextReplaceAfterHalf();

// Makes every later copy write a named temporary and rename it, as on file systems without
// files that have no name yet (FAT, exFAT); false gives those back.
void SetNamedTemporariesOnly(bool on);

// Makes every later copy name its file through /proc, as kernels before 6.10 make a program
// without CAP_DAC_READ_SEARCH do; false gives the direct link back.
void SetLinkThroughProc(bool on);

// Calls `hook` with the source's path after each pass over a file's data, before the copy
// checks that the source did not change meanwhile, as a writer beside the copy would; null
// turns it off.
void SetAfterCopyDataHook(void (*hook)(const char* source));

// Calls `hook` with the folder and the name of each listed entry right before the listing
// reads its time, as a file removed meanwhile would need; null turns it off.
void SetBeforeSourceStatHook(void (*hook)(int folderFd, const char* name));

// The hidden temporary name that a copy to a file named `fileName` writes first.
std::string TemporaryNameFor(const std::string& fileName);
