#pragma once

#include <QString>
#include <cstdint>

class Logfile;
class RunControls;
class RunReport;
namespace fileservice {
class ComparePass;
}

// The copy pass: lists every file under `sourcePath`, shows and logs the summary, copies
// every file or only the newer ones into the target of `controls`, waits for the copies,
// reports each failure and ends with the completion line, or, when the run was asked to stop,
// with the line that says how many files were copied. `pass` is open around it.
void MirrorFiles(RunControls& controls, Logfile& log, RunReport& report, const QString& sourcePath,
                 const fileservice::ComparePass& pass);

// Hands one copy to the file service.
void CopyOneFile(const QString& sourceFile, const QString& targetFile);

// Copies the source file when it is newer than the target file, then advances the
// progress bar by `progressStep` (never above 100) and the counter by one.
void CopyIfNewer(RunControls& controls, const QString& sourceFile, const QString& targetFile, int progressStep);

// 100 / fileCount rounded to the nearest whole number, an exact half to the even one.
int ProgressStep(std::int32_t fileCount);

// Reports every folder the file listing of `pass` could not read (its files stay uncopied).
void ReportListFailures(RunReport& report, const fileservice::ComparePass& pass);

// Waits for every handed-over copy, keeping the window painted, and reports each failed
// copy by its entry relative to `targetRoot`; returns how many failed.
int WaitForCopies(RunControls& controls, RunReport& report, const QString& targetRoot);
