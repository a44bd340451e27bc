#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// Joins a directory and a relative name with one separator (a root already ends in one).
QString JoinPath(const QString& directory, const QString& name);
// 8-bit text for the file service: the file system's encoding (UTF-8 here). Bytes of a
// name that are not UTF-8 come back as they were listed (see FromNative).
QByteArray ToNative(const QString& path);
// A directory as listed names are joined to it: its native bytes and one separator, as
// JoinPath does. A pass then joins bytes per file instead of converting both paths to text
// and back; the result is the same, as ToNative(FromNative(name)) gives back `name`.
std::string NativePrefix(const QString& directory);
// `path` = `prefix` + `name`, reusing `path`'s memory.
void JoinNative(std::string& path, const std::string& prefix, const std::string& name);
// A name from the file service as text; bytes that are not UTF-8 are kept as U+DC80..U+DCFF.
QString FromNative(const std::string& text);
// The path with links and ".." resolved; for a path that does not exist, its cleaned absolute form.
QString ResolvedPath(const QString& path);
// True when `inner` is `outer` or lies below it, by folder identity (device and inode); by the
// resolved path text only where a folder cannot be read.
bool IsSameOrInside(const QString& inner, const QString& outer);
// True when both name the same folder, by identity; by the resolved path text only where one
// cannot be read.
bool IsSameFolder(const QString& first, const QString& second);
