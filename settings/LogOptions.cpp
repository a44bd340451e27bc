#include "settings/LogOptions.h"

#include "settings/PrivateProfile.h"
#include "settings/SearchText.h"
#include "settings/SettingsLayout.h"
#include "settings/Startup.h"

#include <QFile>
#include <QtGlobal>

namespace {

QString ReadOption(const char* key, const QString& missing) {
    if (strIniFile.isEmpty()) return missing;
    return ReadIniString(QLatin1String(kOptionsSection), QString::fromLatin1(key), missing, strIniFile,
                         kValueBufferSize);
}

void WriteOption(const char* key, const QString& value) {
    if (strIniFile.isEmpty()) return;
    const QByteArray file = QFile::encodeName(strIniFile);
    const QByteArray text = value.toUtf8();
    WritePrivateProfileStringA(kOptionsSection, key, text.constData(), file.constData());
}

}  // namespace

LogOptions ReadLogOptions(const LogOptions& missing) {
    return {ReadOption(kKeyWriteLog, missing.writeLog), ReadOption(kKeyLogSize, missing.logSize)};
}

void WriteLogOptions(const LogOptions& options) {
    WriteOption(kKeyWriteLog, options.writeLog);
    WriteOption(kKeyLogSize, options.logSize);
}
