#pragma once

// Reads of an open file at a given place, for callers above the file service that re-read
// what they wrote (the log's trim).

#include "fileservice/Failure.h"
#include "fileservice/SafeRead.h"

#include <cstddef>
#include <cstdint>

namespace fileservice {

// Up to `size` bytes of `file` from `offset` into `buffer`; 0 at the end of the file. Reads
// of other places may follow in any order.
Result<std::size_t> ReadAt(const FileHandle& file, char* buffer, std::size_t size, std::int64_t offset);

// The size of the open `file` now.
Result<std::int64_t> OpenFileSize(const FileHandle& file);

}  // namespace fileservice
