#pragma once

// What of a listing a run works on: the listing less what the file-type filter leaves out.
// Without a filter it is the listing itself, at no cost.

#include "engine/Filter.h"
#include "fileservice/FileService.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fileservice {
class Listing;
}

class Selection {
public:
    // `source`: the native path the listing was read from.
    Selection(const fileservice::Listing& listing, const FileFilter& filter, const std::string& source);

    const std::vector<std::string>& Folders() const;  // each beginning with '/'
    std::size_t FileCount() const;
    // The listing's index of the selection's file `k`.
    std::size_t Index(std::size_t k) const { return m_filtered ? m_files[k] : k; }
    Currency ByteTotal() const { return m_bytes; }
    // Files the filter left out (those inside left-out folders too).
    std::int32_t LeftOut() const { return m_leftOut; }

private:
    const fileservice::Listing& m_listing;
    bool m_filtered = false;
    std::vector<std::string> m_folders;
    std::vector<std::uint32_t> m_files;
    Currency m_bytes;
    std::int32_t m_leftOut = 0;
};

// The last name of a listed entry ("a/b.txt" or "/a/b": "b.txt", "b").
std::string LastName(const std::string& entry);
