#include "engine/RunActions.h"

#include "engine/Paths.h"
#include "fileservice/FileService.h"
#include "fileservice/FolderEntries.h"
#include "fileservice/Listing.h"
#include "fileservice/SafeFile.h"

#include <cerrno>

fileservice::Status RunActions::EmptyTarget(const QString& targetPath) {
    const std::string target = ToNative(targetPath).toStdString();
    const fileservice::Result<std::string> trashed = fileservice::MoveToTrash(target);
    if (!trashed) return trashed.Error();
    return fileservice::MakeFolder(target);
}

fileservice::Status RunActions::MakeFolder(const std::string& folder) { return fileservice::MakeFolder(folder); }

bool RunActions::FolderExists(const std::string& folder) { return VBFOLDEREXISTS(folder.c_str()) != 0; }

void RunActions::RemoveLeftovers(const std::string& folder, const std::string& sourceFolder) {
    VBFOLDERREMOVELEFTOVERSASYNC(folder.c_str(), sourceFolder.c_str());
}

VersionOrder RunActions::Order(const fileservice::Listing& listing, std::size_t index, bool localTimes) {
    return listing.Order(index, localTimes);
}

fileservice::Medium RunActions::ProbeMedium(const std::string& folder) {
    const fileservice::Medium medium = fileservice::ProbeMedium(folder, true);
    m_traits = CopyTraits{medium.maxFileSize, medium.timesAfterRename};
    return medium;
}

std::int64_t RunActions::Copy(const std::string& source, const std::string& target) {
    return VBFILECOPYASYNCTO(target.c_str(), source.c_str(), m_traits);
}

fileservice::Status RunActions::RemoveExtra(const std::string& path, bool toTrash) {
    if (!toTrash) return fileservice::RemoveForGood(path);
    // Never a silent fall-back to deleting for good: where the trash cannot take it, it stays.
    const fileservice::Result<std::string> trashed = fileservice::MoveToTrash(path);
    if (!trashed) return trashed.Error();
    return {};
}

fileservice::Status DryRunActions::EmptyTarget(const QString&) {
    m_targetEmptied = true;
    return {};
}

fileservice::Status DryRunActions::MakeFolder(const std::string& folder) {
    // Where the real mkdir would meet something, it fails the same way, so the run reports
    // what the real run would report.
    if (!m_targetEmptied && fileservice::EntryExists(folder)) return fileservice::Failure{folder, EEXIST};
    return {};
}

bool DryRunActions::FolderExists(const std::string& folder) {
    return !m_targetEmptied && VBFOLDEREXISTS(folder.c_str()) != 0;
}

void DryRunActions::RemoveLeftovers(const std::string&, const std::string&) {}

VersionOrder DryRunActions::Order(const fileservice::Listing& listing, std::size_t index, bool localTimes) {
    if (!m_targetEmptied) return listing.Order(index, localTimes);
    return CompareVersions(listing.SourceVersion(index).c_str(), "", localTimes);
}

fileservice::Medium DryRunActions::ProbeMedium(const std::string& folder) {
    // No probe file: a dry run writes nothing.
    return fileservice::ProbeMedium(folder, false);
}

std::int64_t DryRunActions::Copy(const std::string&, const std::string&) { return -1; }

fileservice::Status DryRunActions::RemoveExtra(const std::string&, bool) { return {}; }
