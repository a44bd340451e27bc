#pragma once

// Trees and checks shared by the fault cases.

#include <QString>
#include <QStringList>
#include <filesystem>
#include <sys/types.h>
#include <ostream>
#include <string>
#include <vector>

// Readable QStrings in test failure output.
void PrintTo(const QString& text, std::ostream* out);

// `size` bytes that differ for every `seed`, so an old and a new version never match.
std::string Pattern(std::size_t size, unsigned seed);

// The bytes of a file (empty when it cannot be read); quick also for large files.
std::string FileBytes(const std::filesystem::path& path);

// True for the copy's hidden temporary names: ".tvl-" + 16 hex digits + ".tmp".
bool IsTemporaryName(const std::string& name);

// Every temporary file below `root`, as paths relative to it.
std::vector<std::string> TemporariesBelow(const std::filesystem::path& root);

// True when a copy into one of `folders` is caught half-way: a temporary there, or a file
// without a name yet that process `pid` holds open there, already holds data.
bool CopyCaughtHalfWay(const std::vector<std::filesystem::path>& folders, pid_t pid);

// The regular files and links below `root` (not following links), relative, sorted.
std::vector<std::string> EntriesBelow(const std::filesystem::path& root);

// The lines of `lines` that contain `part`.
std::vector<std::string> Containing(const std::vector<std::string>& lines, const std::string& part);

// " - Abgleich ausgeführt!" or the line that counts `failures`.
std::string CompletionFor(int failures);

// The reason a failure line gives for `error`.
std::string Reason(int error);

// Joins for failure messages.
std::string Join(const std::vector<std::string>& lines);
std::string Join(const QStringList& lines);
