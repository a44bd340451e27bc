#include "engine/RunRequest.h"

RunMode ModeOf(bool onlyNew, bool delBeforeCopy, bool newSubFolder) {
    if (newSubFolder) return RunMode::Subfolder;
    if (delBeforeCopy) return RunMode::EmptyFirst;
    return onlyNew ? RunMode::OnlyNewer : RunMode::CopyAll;
}
