#pragma once

// The two options of "Optionen" that the main window keeps: its logging switch and the
// log's size limit, as the settings file holds them.

#include "fileservice/Failure.h"

#include <QString>

class clsINI;

struct LogOptions {
    QString writeLog;  // "0", "1" or "2" as written; any text as read
    QString logSize;   // kilobytes, the field's text unchanged
};

// Reads both options, each at most 254 characters; a missing key, or a settings file
// without a path, gives that option of `missing`.
LogOptions ReadLogOptions(const clsINI& settings, const LogOptions& missing);

// Writes both options, writelog first, also after a failure; the first failure with its reason.
[[nodiscard]] fileservice::Status WriteLogOptions(clsINI& settings, const LogOptions& options);
