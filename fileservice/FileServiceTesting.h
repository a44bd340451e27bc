#pragma once

// Hooks for tests of the file-service library: failures that are hard to cause for real.

#include <cstdint>
#include <string>

// Makes the data writes of every later copy and line deletion fail (EIO) once `bytes`
// bytes of that file are written, as an interrupted copy would; -1 turns it off.
void SetFailWriteAfterBytes(std::int64_t bytes);

// The hidden temporary name that a copy to a file named `fileName` writes first.
std::string TemporaryNameFor(const std::string& fileName);
