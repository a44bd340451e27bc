#pragma once

// The three private-profile primitives, with the Windows arguments in the Windows
// order and types, so that callers use them exactly as on Windows. Texts are 8-bit
// (UTF-8); a null pointer is the absent section, key or value. A file keeps its encoding:
// one that holds Windows-1252 text gets new lines in Windows-1252 where they fit.

#include "fileservice/Failure.h"

#include <cstdint>

// Copies the value of `key` in `section` (or, with a null key, the section's key names;
// with a null section, all section names) into `buffer` of `size` characters.
// Returns the number of characters copied, not counting the final NUL.
std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                                       char* buffer, std::uint32_t size, const char* fileName);

// The key's value read as a signed decimal integer; `defaultValue` when missing.
std::uint32_t GetPrivateProfileIntA(const char* section, const char* key, std::int32_t defaultValue,
                                    const char* fileName);

// Sets, or with a null value deletes, a key; with a null key deletes the section.
// Non-zero on success.
std::int32_t WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                        const char* fileName);

// WritePrivateProfileStringA with the reason of a failure, as Windows leaves it for
// GetLastError: the settings file and the error of its reading or replacing, EINVAL for a
// text the file cannot hold (a line break) or a key without a section, ENOENT for no file name.
fileservice::Status WriteProfileString(const char* section, const char* key, const char* value,
                                       const char* fileName);
