#pragma once

#include <QString>

#include <string>
#include <vector>

class RunActions;
class RunContext;
namespace fileservice {
class Listing;
}

// Learns what the target's medium keeps, then re-creates the folder tree `folders` (the
// listing's, less what the filter leaves out; each beginning with '/', parents first) inside
// `targetPath`, removes what interrupted copies left in the target's folders, and reports every
// folder that could not be created. A failed folder does not stop the others. On a medium that
// does not tell capitals apart, the second of two names that differ only in case fails. Every
// folder is made through `actions`.
void CreateTargetFolders(RunContext& run, RunActions& actions, const fileservice::Listing& listing,
                         const std::vector<std::string>& folders, const QString& sourcePath,
                         const QString& targetPath);
