#pragma once

// Entry-level pieces the Win32 sources share: reading a folder, removing entries, replacing
// renames, links.

#include "fileservice/Failure.h"
#include "fileservice/win/Win32.h"

#include <functional>
#include <string>

namespace fileservice {

// Calls `visit` for each entry of the folder `folder` ("." and ".." left out), read with
// FindFirstFileExW in large batches; false from `visit` ends it early. The failure when the
// folder cannot be read (also midway).
Status ForEachEntry(const std::wstring& folder, const std::string& path,
                    const std::function<bool(const WIN32_FIND_DATAW&)>& visit);

// The entry that a found record describes.
EntryAttributes AttributesOf(const WIN32_FIND_DATAW& found);

// True when a folder reparse point at `path` is where another volume is mounted.
bool IsVolumeMountPoint(const std::wstring& path);

// Deletes the file, link or empty folder `path` (`entry` is what stands there): at once, also
// while another process keeps it open, and also when it is read-only.
Status DeleteEntry(const std::wstring& path, const EntryAttributes& entry, const std::string& failurePath);

// Removes `path` and, for a folder, everything below it, never through a link; with
// `refuseMountPoints`, a volume mounted below stays, and the removal fails with kMountPoint.
Status RemoveEntryTree(const std::wstring& path, const std::string& failurePath, bool refuseMountPoints);

// MoveFileExW replacing what stands at `to` (write-through), a read-only file too; EISDIR
// for a folder there. Failures carry `failurePath`.
Status MoveReplacing(const std::wstring& from, const std::wstring& to, const std::string& failurePath);

// Makes the link `path` leading to `linkTarget` (a folder's link when `folder`), in place of
// an entry a killed run left there.
Status CreateLinkTemporary(const std::string& path, const std::string& linkTarget, bool folder);

}  // namespace fileservice
