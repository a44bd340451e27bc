#pragma once

// Test hooks of the profile primitives: make a failure real without a full disk.

namespace PrivateProfileTesting {

// The next replacement of a settings file writes half of its bytes into the temporary
// file and then fails as a full disk would (the write reports 0).
void FailNextWriteAfterHalf();

}  // namespace PrivateProfileTesting
