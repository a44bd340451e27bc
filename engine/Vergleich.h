#pragma once

#include <QString>
#include <cstdint>

class Logfile;
class RunControls;
class RunActions;
class RunReport;
namespace fileservice {
class Listing;
}

// The copy pass: takes every file of `listing`, shows and logs the summary, copies
// every file or only the newer ones into the target of `controls`, waits for the copies,
// reports each failure and ends with the completion line, or, when the run was asked to stop,
// with the line that says how many files were copied. `listing` is the run's listing of the
// source; every copy, the summary and the log lines go through `actions`.
void MirrorFiles(RunControls& controls, Logfile& log, RunReport& report, RunActions& actions,
                 const fileservice::Listing& listing);

// 100 / fileCount rounded to the nearest whole number, an exact half to the even one.
int ProgressStep(std::int32_t fileCount);

// Reports every folder `listing` could not read (its files stay uncopied).
void ReportListFailures(RunReport& report, const fileservice::Listing& listing);

// Waits for every handed-over copy, keeping the window painted, and reports each failed
// copy by its entry relative to `targetRoot`. A stop meanwhile drops the copies not yet
// begun. Returns how many of the handed-over copies did not land (failed or dropped).
int WaitForCopies(RunControls& controls, RunReport& report, const QString& targetRoot);
