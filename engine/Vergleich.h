#pragma once

#include <QString>
#include <cstdint>
#include <string>

class RunActions;
class RunContext;
class Selection;
namespace fileservice {
class Listing;
}

// The copy pass of every mode: tells the summary, hands over every selected file, or in the
// only-newer mode each one that IsNewer than its target, from `sourceRoot` to the same name
// below `targetRoot`, waits for the copies and reports each failure. A stop hands over
// nothing more.
void CopyFiles(RunContext& run, RunActions& actions, const fileservice::Listing& listing, const Selection& selection,
               const QString& sourceRoot, const QString& targetRoot);

// Reports every source folder the listing could not read (its files stay uncopied).
void ReportListFailures(RunContext& run, const fileservice::Listing& listing);

// The only-newer rule: the source file's version text is newer than its target's (or there
// is no target), beyond the two-second tolerance of the file systems a mirror lands on, or
// within it at another size. A newer target is never replaced.
bool IsNewer(const std::string& sourceVersion, const std::string& targetVersion);

// 100 / fileCount rounded to the nearest whole number, an exact half to the even one.
int ProgressStep(std::int32_t fileCount);
