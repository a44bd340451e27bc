// The versions of a listing. What a comparing listing saw is kept so that the version queries
// of a run cost no second stat per source file, nor the stat of a target read alongside
// (StatStage). Sizes are not kept per file, which would cost 8 bytes each: where target and
// source were the same in time and size, both answers leave the size out and compare by time
// alone, which then decides the same; where they differ, the differing entry keeps both
// sizes. Where the target could not be read ahead, the source is read live too, so that two
// texts that are compared always carry their sizes alike.

#include "fileservice/Listing.h"

#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileWalk.h"

#include <algorithm>
#include <cerrno>
#include <exception>

namespace fileservice {
namespace {

constexpr std::int64_t kNanosPerSecond = 1000000000;

bool ToTimespec(std::int64_t listed, struct timespec& mtime) {
    if (listed == kNotListed) return false;
    std::int64_t seconds = listed / kNanosPerSecond;
    std::int64_t nanos = listed % kNanosPerSecond;
    if (nanos < 0) {  // before 1970: the remainder counts up from the earlier second
        nanos += kNanosPerSecond;
        --seconds;
    }
    mtime.tv_sec = static_cast<time_t>(seconds);
    mtime.tv_nsec = static_cast<long>(nanos);
    return true;
}

const DifferingEntry* FindDiffering(const std::vector<DifferingEntry>& differing, std::size_t index) {
    const auto found = std::lower_bound(differing.begin(), differing.end(), index,
                                        [](const DifferingEntry& entry, std::size_t wanted) { return entry.entry < wanted; });
    return found != differing.end() && found->entry == index ? &*found : nullptr;
}

}  // namespace

std::int64_t ListedTime(const struct timespec& mtime) {
    // Within about 292 years of 1970 a time fits in nanoseconds; outside it is read live.
    constexpr std::int64_t kLimit = INT64_MAX / kNanosPerSecond - 1;
    if (mtime.tv_nsec < 0 || mtime.tv_nsec >= kNanosPerSecond || mtime.tv_sec > kLimit || mtime.tv_sec < -kLimit)
        return kNotListed;
    return static_cast<std::int64_t>(mtime.tv_sec) * kNanosPerSecond + mtime.tv_nsec;
}

std::string Listing::File(std::size_t i) const {
    const std::size_t folder = m_files.Folder(i);
    const std::string_view name = m_files.Name(i);
    if (folder == 0) return std::string(name);
    const std::string& path = m_folders[folder - 1];  // "/a/c"
    std::string file;
    file.reserve(path.size() + name.size());
    file.append(path, 1, std::string::npos);
    file += '/';
    file += name;
    return file;
}

VersionOrder Listing::Order(std::size_t i, bool localTimes) const {
    if (i < m_entries.size() && m_entries[i].Tag() == AlongTag::SameAsSource && m_entries[i].Time() != kNotListed)
        return VersionOrder::Same;
    return CompareVersions(SourceVersion(i).c_str(), TargetVersion(i).c_str(), localTimes);
}

std::string Listing::SourceVersion(std::size_t i) const {
    struct timespec mtime;
    // Entries not stat'ed while listing (links, special files) are read live.
    if (i < m_entries.size() && ToTimespec(m_entries[i].Time(), mtime)) {
        switch (m_entries[i].Tag()) {
        case AlongTag::SameAsSource:
        case AlongTag::NoFile: return VersionText(mtime, -1);
        case AlongTag::ReadLive: break;
        case AlongTag::Differs:
            if (const DifferingEntry* differing = FindDiffering(m_differing, i))
                return VersionText(mtime, differing->sourceSize);
            break;
        }
    }
    return LiveVersion((m_source + File(i)).c_str());
}

std::string Listing::TargetVersion(std::size_t i) const {
    if (m_target.empty()) return {};
    struct timespec mtime;
    if (i < m_entries.size()) {
        switch (m_entries[i].Tag()) {
        case AlongTag::SameAsSource:
            if (ToTimespec(m_entries[i].Time(), mtime)) return VersionText(mtime, -1);
            break;
        case AlongTag::NoFile: return {};
        case AlongTag::ReadLive: break;
        case AlongTag::Differs:
            if (const DifferingEntry* differing = FindDiffering(m_differing, i);
                differing && ToTimespec(differing->time, mtime)) {
                // A size the listing did not learn leaves both answers without one.
                return VersionText(mtime, differing->sourceSize < 0 ? -1 : differing->size);
            }
            break;
        }
    }
    return LiveVersion((m_target + File(i)).c_str());
}

Listing Listing::Read(const std::string& source, const ListingOptions& options) {
    Listing listing;
    try {
        if (!source.empty()) listing.m_source = DirectoryPrefix(source);
        if (!options.target.empty()) listing.m_target = DirectoryPrefix(options.target);
        FileWalk walk = WalkListing(source, options.target, options.compare, options.extras, &options.folderTick);
        listing.m_folders = std::move(walk.folders);
        listing.m_files = std::move(walk.names);
        listing.m_bytes.scaled = walk.bytes * kCurrencyScale;
        listing.m_failures = std::move(walk.failures);
        listing.m_entries = std::move(walk.entries);
        listing.m_differing = std::move(walk.differing);
        listing.m_extras = std::move(walk.extras);
        listing.m_targetRead = options.extras;
    } catch (const std::exception&) {
        // Out of memory: the caller learns that the listing is incomplete.
        listing.m_failures.push_back(Failure{source, ENOMEM});
    }
    return listing;
}

}  // namespace fileservice

std::int32_t VBFILECOUNT(const char* directory, std::int16_t&, const char*, Currency& byteTotal) {
    const fileservice::FileWalk walk = fileservice::WalkListing(directory ? directory : "", {}, false, false, nullptr);
    byteTotal.scaled = walk.bytes * fileservice::kCurrencyScale;
    return fileservice::ClampCount(walk.names.size());
}

std::int32_t VBFILELIST(const char* directory, std::int16_t&, const char*, std::vector<std::string>& list,
                        Currency& byteTotal) {
    const fileservice::FileWalk walk = fileservice::WalkListing(directory ? directory : "", {}, false, false, nullptr);
    byteTotal.scaled = walk.bytes * fileservice::kCurrencyScale;
    const std::size_t count = walk.names.size();
    try {
        if (list.size() < count) list.resize(count);
        for (std::size_t i = 0; i < count; ++i) list[i] = walk.Path(i);
    } catch (const std::exception&) {
        fileservice::ClearFrom(list, 0);
        return -1;
    }
    fileservice::ClearFrom(list, count);
    return fileservice::ClampIndex(count);
}
