#include "engine/Selection.h"

#include "fileservice/Listing.h"
#include "fileservice/SafeFile.h"

namespace {

// True when `entry` lies below one of `folders` (each without its leading '/').
bool Below(const std::string& entry, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (entry.size() > folder.size() && entry.compare(0, folder.size(), folder) == 0 && entry[folder.size()] == '/')
            return true;
    }
    return false;
}

}  // namespace

std::string LastName(const std::string& entry) {
    const std::size_t slash = entry.rfind('/');
    return slash == std::string::npos ? entry : entry.substr(slash + 1);
}

Selection::Selection(const fileservice::Listing& listing, const FileFilter& filter, const std::string& source)
    : m_listing(listing), m_filtered(!filter.Empty()), m_bytes(listing.ByteTotal()) {
    if (!m_filtered) return;
    // Left-out folders, each without its leading '/': their whole content is left out too.
    std::vector<std::string> leftOut;
    for (const std::string& folder : listing.Folders()) {
        const std::string relative = folder.substr(1);
        if (Below(relative, leftOut)) continue;
        if (filter.ExcludesFolder(LastName(relative))) {
            leftOut.push_back(relative);
            continue;
        }
        m_folders.push_back(folder);
    }
    const std::string prefix = !source.empty() && source.back() == '/' ? source : source + '/';
    for (std::size_t i = 0; i < listing.FileCount(); ++i) {
        const std::string& name = listing.File(i);
        if (!Below(name, leftOut) && !filter.ExcludesFile(LastName(name))) {
            m_files.push_back(static_cast<std::uint32_t>(i));
            continue;
        }
        ++m_leftOut;
        // The summary counts the bytes of what is copied: a left-out regular file's are taken off.
        if (const fileservice::Result<std::int64_t> size = fileservice::RegularFileSize(prefix + name, false))
            m_bytes.scaled -= size.Value() * 10000;
    }
}

const std::vector<std::string>& Selection::Folders() const { return m_filtered ? m_folders : m_listing.Folders(); }

std::size_t Selection::FileCount() const { return m_filtered ? m_files.size() : m_listing.FileCount(); }
