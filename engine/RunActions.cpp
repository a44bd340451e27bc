#include "engine/RunActions.h"

#include "engine/Messages.h"
#include "engine/Paths.h"
#include "fileservice/FileService.h"
#include "fileservice/Listing.h"
#include "fileservice/SafeFile.h"
#include "log/Logfile.h"

#include <cerrno>
#include <sys/stat.h>

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

std::string RunActions::TargetVersion(const fileservice::Listing& listing, std::size_t index) {
    return listing.TargetVersion(index);
}

void RunActions::Copy(const std::string& source, const std::string& target, std::string_view) {
    VBFILECOPYASYNC(target.c_str(), source.c_str());
}

void RunActions::WriteSummary(Logfile& log, const QString& line) { log.WriteLogFileLine(line); }

void RunActions::WriteCopied(Logfile& log, const QString& entry) {
    log.WriteStatusLine(StatusLine(CopiedMessage(entry)));
}

void RunActions::WriteEnd(Logfile& log, const QString& message) { log.WriteStatusLine(StatusLine(message)); }

DryRunActions::DryRunActions(const QString& targetPath, std::function<void(const QString&)> print)
    : m_target(ToNative(targetPath).toStdString()), m_print(std::move(print)) {
    while (!m_target.empty() && m_target.back() == '/') m_target.pop_back();
}

void DryRunActions::Print(const QString& line) { m_print(OneLine(line)); }

fileservice::Status DryRunActions::EmptyTarget(const QString& targetPath) {
    Print(WouldTrashText(targetPath));
    m_targetEmptied = true;
    return {};
}

fileservice::Status DryRunActions::MakeFolder(const std::string& folder) {
    // Where the real mkdir would meet something, it fails the same way, so the run reports
    // what the real run would report.
    struct stat st;
    if (!m_targetEmptied && ::lstat(folder.c_str(), &st) == 0) return fileservice::Failure{folder, EEXIST};
    const bool below = folder.size() > m_target.size() && folder.compare(0, m_target.size(), m_target) == 0 &&
                       folder[m_target.size()] == '/';
    Print(WouldMakeFolderText(FromNative(below ? folder.substr(m_target.size()) : folder)));
    return {};
}

bool DryRunActions::FolderExists(const std::string& folder) {
    return !m_targetEmptied && VBFOLDEREXISTS(folder.c_str()) != 0;
}

void DryRunActions::RemoveLeftovers(const std::string&, const std::string&) {}

std::string DryRunActions::TargetVersion(const fileservice::Listing& listing, std::size_t index) {
    return m_targetEmptied ? std::string() : listing.TargetVersion(index);
}

void DryRunActions::Copy(const std::string& source, const std::string&, std::string_view entry) {
    // Counted as the source's summary counts: a regular file's size, a link as no bytes.
    const fileservice::Result<std::int64_t> size = fileservice::RegularFileSize(source, false);
    ++m_files;
    if (size) m_bytes += size.Value();
    Print(WouldCopyText(FromNative(std::string(entry))));
}

void DryRunActions::WriteSummary(Logfile&, const QString&) {}

void DryRunActions::WriteCopied(Logfile&, const QString&) {}

void DryRunActions::WriteEnd(Logfile&, const QString&) { Print(WouldCopySummaryText(m_files, m_bytes)); }
