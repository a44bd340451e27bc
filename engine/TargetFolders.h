#pragma once

#include <QString>

#include <string>
#include <vector>

class RunActions;
class RunContext;

// Re-creates the listed folder tree `folders` (each beginning with '/', parents first) inside
// `targetPath`, removes what interrupted copies left in the target's folders, and reports
// every folder that could not be created. A failed folder does not stop the others. Every
// folder is made through `actions`.
void CreateTargetFolders(RunContext& run, RunActions& actions, const std::vector<std::string>& folders,
                         const QString& sourcePath, const QString& targetPath);
