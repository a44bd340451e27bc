#pragma once

// The one layer through which the program writes files and opens the files a user may have
// replaced by something else, split by job: reads and appends (SafeRead.h), atomic
// replacement and the other writes of entries (AtomicReplace.h), folder identity and locks
// (Identity.h), and the desktop trash (Trash.h). Tests inject failures at one point
// (FileServiceTesting.h, Testing.cpp).

#include "fileservice/AtomicReplace.h"
#include "fileservice/Identity.h"
#include "fileservice/SafeRead.h"
#include "fileservice/Trash.h"
