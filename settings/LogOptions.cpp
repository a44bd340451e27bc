#include "settings/LogOptions.h"

#include "settings/SettingsLayout.h"
#include "settings/clsINI.h"

namespace {

QString ReadOption(const clsINI& settings, const char* key, const QString& missing) {
    if (settings.File().isEmpty()) return missing;
    return settings.ReadIniString(QLatin1String(kOptionsSection), QString::fromLatin1(key), missing,
                                  kValueBufferSize);
}

}  // namespace

LogOptions ReadLogOptions(const clsINI& settings, const LogOptions& missing) {
    return {ReadOption(settings, kKeyWriteLog, missing.writeLog), ReadOption(settings, kKeyLogSize, missing.logSize)};
}

fileservice::Status WriteLogOptions(clsINI& settings, const LogOptions& options) {
    // Both are tried: one failed write must not keep the other from the file.
    const fileservice::Status writeLog =
        settings.WriteIniString(kOptionsSection, QString::fromLatin1(kKeyWriteLog), options.writeLog);
    const fileservice::Status logSize =
        settings.WriteIniString(kOptionsSection, QString::fromLatin1(kKeyLogSize), options.logSize);
    return writeLog ? logSize : writeLog;
}
