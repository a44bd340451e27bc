#pragma once

#include <QString>

class RunActions;
class RunContext;
namespace fileservice {
class Listing;
}

// Re-creates the listed folder tree inside `targetPath` (parents first), removes what
// interrupted copies left in the target's folders, and reports every folder that could not
// be created. A failed folder does not stop the others. Every folder is made through `actions`.
void CreateTargetFolders(RunContext& run, RunActions& actions, const fileservice::Listing& listing,
                         const QString& sourcePath, const QString& targetPath);
