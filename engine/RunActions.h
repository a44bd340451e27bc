#pragma once

#include "fileservice/Failure.h"
#include "fileservice/FileService.h"
#include "fileservice/Medium.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fileservice {
class Listing;
}

// What a run does to the disk, and what it reads of the target: the one seam between
// deciding and doing. This class does it; DryRunActions decides everything the same way and
// changes nothing.
class RunActions {
public:
    virtual ~RunActions() = default;

    // Moves the target folder to the trash and makes it again, empty.
    virtual fileservice::Status EmptyTarget(const QString& targetPath);
    // Makes the folder `folder` (one level; EEXIST when anything stands there).
    virtual fileservice::Status MakeFolder(const std::string& folder);
    // True when a folder (or a link to one) stands at `folder` in the target.
    virtual bool FolderExists(const std::string& folder);
    // Removes, in the background, an interrupted run's temporaries in `folder` that
    // `sourceFolder` lacks.
    virtual void RemoveLeftovers(const std::string& folder, const std::string& sourceFolder);
    // How the listing's file `index` stands to its counterpart in the target (FAT: `localTimes`).
    virtual VersionOrder Order(const fileservice::Listing& listing, std::size_t index, bool localTimes);
    // Learns what the file system of the target folder `folder` keeps; later copies keep to its limit.
    virtual fileservice::Medium ProbeMedium(const std::string& folder);
    // Hands over the copy of `source` to `target`; its ticket (-1: nothing to wait for).
    virtual std::int64_t Copy(const std::string& source, const std::string& target);
    // Moves the target entry `path` to the trash, or removes it for good.
    virtual fileservice::Status RemoveExtra(const std::string& path, bool toTrash);

protected:
    CopyTraits m_traits;
};

// A run that changes nothing but answers as the disk would. Once the target would be in the
// trash, the target counts as empty.
class DryRunActions final : public RunActions {
public:
    fileservice::Status EmptyTarget(const QString& targetPath) override;
    fileservice::Status MakeFolder(const std::string& folder) override;
    bool FolderExists(const std::string& folder) override;
    void RemoveLeftovers(const std::string& folder, const std::string& sourceFolder) override;
    VersionOrder Order(const fileservice::Listing& listing, std::size_t index, bool localTimes) override;
    fileservice::Medium ProbeMedium(const std::string& folder) override;
    std::int64_t Copy(const std::string& source, const std::string& target) override;
    fileservice::Status RemoveExtra(const std::string& path, bool toTrash) override;

private:
    bool m_targetEmptied = false;
};
