#pragma once

#include "fileservice/Failure.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class Logfile;
namespace fileservice {
class Listing;
}

// What a run does to the disk and the log, and what it reads of the target: the one seam
// between deciding and doing. This class does it; a dry run (DryRunActions) decides everything
// the same way and only says what it would do.
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
    // The version text of the target counterpart of file `index` of `listing`.
    virtual std::string TargetVersion(const fileservice::Listing& listing, std::size_t index);
    // Hands over the copy of `source` to `target`; `entry` is the file relative to the source.
    virtual void Copy(const std::string& source, const std::string& target, std::string_view entry);

    // The source's summary line, for the log file only.
    virtual void WriteSummary(Logfile& log, const QString& line);
    // The status line of a file handed over in the copy-all mode.
    virtual void WriteCopied(Logfile& log, const QString& entry);
    // The last status line of a run that was not stopped; `message` begins with " - ".
    virtual void WriteEnd(Logfile& log, const QString& message);
};

// A run that changes nothing: each folder it would make, file it would copy and target it
// would move to the trash becomes a line for `print` (one line each, control characters
// escaped), and its end the number of files and bytes it would copy. Folders are named
// relative to `targetPath`, the run's target. Once the target would be in the trash, the
// target counts as empty. Writes no status line that reports work done, and no log line.
class DryRunActions final : public RunActions {
public:
    DryRunActions(const QString& targetPath, std::function<void(const QString&)> print);

    fileservice::Status EmptyTarget(const QString& targetPath) override;
    fileservice::Status MakeFolder(const std::string& folder) override;
    bool FolderExists(const std::string& folder) override;
    void RemoveLeftovers(const std::string& folder, const std::string& sourceFolder) override;
    std::string TargetVersion(const fileservice::Listing& listing, std::size_t index) override;
    void Copy(const std::string& source, const std::string& target, std::string_view entry) override;
    void WriteSummary(Logfile& log, const QString& line) override;
    void WriteCopied(Logfile& log, const QString& entry) override;
    void WriteEnd(Logfile& log, const QString& message) override;

private:
    void Print(const QString& line);

    std::string m_target;  // native, without a trailing '/'
    std::function<void(const QString&)> m_print;
    bool m_targetEmptied = false;
    std::int32_t m_files = 0;
    std::int64_t m_bytes = 0;
};
