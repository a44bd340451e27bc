#pragma once

// The layout of the settings file: every section and key name, written here once.

#include <cstdint>

inline constexpr const char* kProfilesSection = "Profiles";  // the profile catalogue
inline constexpr const char* kOptionsSection = "Optionen";   // the program's options
inline constexpr const char* kStandardProfile = "Standard";  // the profile the window starts with

// The keys of "Optionen".
inline constexpr const char* kKeyWriteLog = "writelog";
inline constexpr const char* kKeyLogSize = "logsize";

// The keys of a profile section.
inline constexpr const char* kKeyDirA = "dir_a";
inline constexpr const char* kKeyDirB = "dir_b";
inline constexpr const char* kKeyFilter = "Filter";
inline constexpr const char* kKeyOnlyNew = "onlynew";
inline constexpr const char* kKeyDelNot = "delnot";
inline constexpr const char* kKeyDelOld = "delold";
inline constexpr const char* kKeyDelToTrash = "deltotrash";
inline constexpr const char* kKeyNewSubFolder = "newsubfolder";

// The read buffer of one value of a profile or of "Optionen", in characters with the final
// NUL: a value comes back with at most 254 characters.
inline constexpr std::uint32_t kValueBufferSize = 255;

// The read buffer of a list of names (a section's keys, the file's sections), in characters:
// names past it are not listed.
inline constexpr std::uint32_t kListBufferSize = 32767;
