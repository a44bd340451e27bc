#pragma once

#include <QString>

class RunControls;
class RunReport;

// Re-creates the source's folder tree inside the target (parents first), removes what
// interrupted copies left in the target's folders, and reports every folder that could
// not be created. A failed folder does not stop the others.
void CreateTargetFolders(RunControls& controls, RunReport& report, const QString& sourcePath,
                         const QString& targetPath);
