#include "fileservice/FileNames.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace fileservice {

void FileNames::Add(std::string_view name) {
    const std::size_t need = name.size() + 1;  // with its terminating zero
    if (need > kBlock) throw std::length_error("name longer than a block");
    if (m_used + need > kBlock) {
        if (m_blocks.size() >= UINT32_MAX / kBlock) throw std::length_error("names beyond 4 GiB");
        m_blocks.push_back(std::make_unique<char[]>(kBlock));
        m_used = 0;
    }
    if (m_offsets.size() >= UINT32_MAX) throw std::length_error("more files than an index holds");
    char* at = m_blocks.back().get() + m_used;
    std::memcpy(at, name.data(), name.size());
    at[name.size()] = '\0';
    m_offsets.push_back(static_cast<std::uint32_t>((m_blocks.size() - 1) * kBlock + m_used));
    m_used += static_cast<std::uint32_t>(need);
}

void FileNames::Drop(const std::vector<std::size_t>& sorted) {
    if (sorted.empty()) return;
    std::size_t kept = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < m_offsets.size(); ++i) {
        if (next < sorted.size() && sorted[next] == i) {
            ++next;
            continue;
        }
        m_offsets[kept++] = m_offsets[i];
    }
    m_offsets.resize(kept);
    // A folder begins earlier by the files dropped before its start; both are ascending.
    std::size_t before = 0;
    for (std::uint32_t& start : m_folderStart) {
        while (before < sorted.size() && sorted[before] < start) ++before;
        start = static_cast<std::uint32_t>(start - before);
    }
}

std::size_t FileNames::Folder(std::size_t i) const {
    // Empty folders share their start with the next one: the last with this start owns the file.
    const auto after = std::upper_bound(m_folderStart.begin(), m_folderStart.end(), i);
    return static_cast<std::size_t>(after - m_folderStart.begin()) - 1;
}

}  // namespace fileservice
