#pragma once

#include <QString>

class RunActions;
class RunControls;
class RunReport;
namespace fileservice {
class Listing;
}

// Re-creates the source's folder tree inside the target (parents first), removes what
// interrupted copies left in the target's folders, and reports every folder that could
// not be created. A failed folder does not stop the others.
// Every folder is made through `actions`; the folders are those of `listing`, the run's
// listing of `sourcePath`.
void CreateTargetFolders(RunControls& controls, RunReport& report, RunActions& actions, const QString& sourcePath,
                         const QString& targetPath, const fileservice::Listing& listing);
