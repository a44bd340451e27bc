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
// only-newer mode each one newer than its target (CompareVersions), from `sourceRoot` to the same name
// below `targetRoot`, waits for the copies and reports each failure. A stop hands over
// nothing more.
void CopyFiles(RunContext& run, RunActions& actions, const fileservice::Listing& listing, const Selection& selection,
               const QString& sourceRoot, const QString& targetRoot);

// Reports every source folder the listing could not read (its files stay uncopied).
void ReportListFailures(RunContext& run, const fileservice::Listing& listing);

// 100 / fileCount rounded to the nearest whole number, an exact half to the even one.
int ProgressStep(std::int32_t fileCount);
