#pragma once

// The names of a listing's files, compactly: each name once, back to back in large blocks,
// and the folder of a file found from where each folder's files begin (the listing gives a
// folder's files together). A million names of 12 bytes cost about 17 MB here, against 60 to
// 100 MB as one string each. Not part of the library's interface.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace fileservice {

class FileNames {
public:
    FileNames() : m_folderStart{0} {}

    // The files added from now on belong to the next folder (0 is the top).
    void BeginFolder() { m_folderStart.push_back(static_cast<std::uint32_t>(m_offsets.size())); }
    // Throws std::bad_alloc or std::length_error when the names no longer fit.
    void Add(std::string_view name);
    // Forgets the files at `sorted` (ascending indexes).
    void Drop(const std::vector<std::size_t>& sorted);

    std::size_t size() const { return m_offsets.size(); }
    std::string_view Name(std::size_t i) const {
        const std::uint32_t at = m_offsets[i];
        return std::string_view(m_blocks[at / kBlock].get() + at % kBlock);
    }
    // The folder of file `i`: 0 for the top, k + 1 for the listing's folder k.
    std::size_t Folder(std::size_t i) const;

private:
    static constexpr std::uint32_t kBlock = 1u << 20;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::uint32_t m_used = kBlock;         // bytes taken in the last block
    std::vector<std::uint32_t> m_offsets;   // block * kBlock + offset of each name
    std::vector<std::uint32_t> m_folderStart;  // the index of each folder's first file
};

}  // namespace fileservice
