#pragma once

// Interim: the listing as a value over the compare pass, until the file service reads it itself.

#include "fileservice/ComparePass.h"
#include "fileservice/FileService.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fileservice {

struct ListingOptions {
    std::string target;
    bool compare = false;
    std::function<void()> folderTick;
};

class Listing {
public:
    static Listing Read(const std::string& source, const ListingOptions& options);
    const std::vector<std::string>& Folders() const { return m_folders; }
    std::size_t FileCount() const { return m_files.size(); }
    const std::string& File(std::size_t i) const { return m_files[i]; }
    Currency ByteTotal() const { return m_bytes; }
    std::string SourceVersion(std::size_t i) const;
    std::string TargetVersion(std::size_t i) const;
    const std::vector<Failure>& Failures() const { return m_pass->ListFailures(); }

private:
    std::string m_source, m_target;
    std::shared_ptr<ComparePass> m_pass;
    std::vector<std::string> m_folders, m_files;
    Currency m_bytes;
};

}  // namespace fileservice
