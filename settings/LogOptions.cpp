#include "settings/LogOptions.h"

#include "settings/PrivateProfile.h"
#include "settings/SettingsLayout.h"
#include "settings/Startup.h"

#include <QFile>
#include <QtGlobal>

namespace {

QString ReadOption(const char* key, const QString& missing) {
    if (strIniFile.isEmpty()) return missing;
    const QByteArray file = QFile::encodeName(strIniFile);
    const QByteArray fallback = missing.toUtf8();
    char buffer[kValueBufferSize] = {};
    const std::uint32_t count = GetPrivateProfileStringA(kOptionsSection, key, fallback.constData(), buffer,
                                                         kValueBufferSize, file.constData());
    return QString::fromUtf8(buffer, static_cast<qsizetype>(qMin(count, kValueBufferSize - 1)));
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
