#include "fileservice/Listing.h"

namespace fileservice {

Listing Listing::Read(const std::string& source, const ListingOptions& options) {
    Listing listing;
    listing.m_source = source;
    listing.m_target = options.target;
    listing.m_pass = std::make_shared<ComparePass>(source, options.target, options.compare);
    if (options.folderTick) listing.m_pass->SetFolderTick(options.folderTick);
    std::int32_t folderFlag = 1;
    VBFOLDERCOUNT(source.c_str(), folderFlag);
    folderFlag = 0;
    VBFOLDERLIST(source.c_str(), folderFlag, listing.m_folders);
    std::int16_t flag = 1;
    VBFILECOUNT(source.c_str(), flag, "*.*", listing.m_bytes);
    flag = 1;
    VBFILELIST(source.c_str(), flag, "*.*", listing.m_files, listing.m_bytes);
    return listing;
}

namespace {
std::string Join(const std::string& dir, const std::string& name) {
    return !dir.empty() && dir.back() == '/' ? dir + name : dir + '/' + name;
}
}  // namespace

std::string Listing::SourceVersion(std::size_t i) const { return VBFILEVERSION(Join(m_source, m_files[i]).c_str()); }

std::string Listing::TargetVersion(std::size_t i) const { return VBFILEVERSION(Join(m_target, m_files[i]).c_str()); }

}  // namespace fileservice
