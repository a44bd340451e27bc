#pragma once

// The two options of "Optionen" that the main window keeps: its logging switch and the
// log's size limit, as the settings file holds them.

#include <QString>

struct LogOptions {
    QString writeLog;  // "0", "1" or "2" as written; any text as read
    QString logSize;   // kilobytes, the field's text unchanged
};

// Reads both options, each at most 254 characters; a missing key, or no settings file
// path at all, gives that option of `missing`.
LogOptions ReadLogOptions(const LogOptions& missing);

// Writes both options, writelog first.
void WriteLogOptions(const LogOptions& options);
