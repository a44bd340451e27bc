#pragma once

// The steps of a run that list its source, made visible. While a pass is open on a thread,
// the file-service operations marked "pass" (FileService.h) called there share its work:
// - a folder list after the folder count of `source` is that count's walk, and a file list
//   after the file count is that count's walk, handed over rather than read again;
// - with `compare`, the file listing keeps the time of each file and reads the entry of the
//   same name below `target` alongside, and VBFILEVERSION answers for any listed file and its
//   counterpart below `target`, in any order, with what the listing saw there (where both were
//   alike in time and size, both texts leave the size out); everything else is read live;
// - a copy handed over never takes a name the file listing listed for its temporary;
// - the listings' failures are kept here for the caller.
// Outside a pass every operation reads the file system as it is.

#include "fileservice/Failure.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fileservice {

class ComparePass {
public:
    // Opens the pass on this thread for the listings of `source`, until it is destroyed.
    ComparePass(const std::string& source, const std::string& target, bool compare);
    ~ComparePass();
    ComparePass(const ComparePass&) = delete;
    ComparePass& operator=(const ComparePass&) = delete;

    // What the latest file listing of `source` could not read, in listing order.
    const std::vector<Failure>& ListFailures() const;

    // Called between the folders a listing of the pass reads, so that a window can paint
    // while a large tree is listed.
    void SetFolderTick(std::function<void()> tick);

    struct State;  // the walks, versions and failures (FileServiceInternal.h)

private:
    std::unique_ptr<State> m_state;
    State* m_outer;  // the pass this one hides while it is open
};

}  // namespace fileservice
