#include "settings/Startup.h"

#include "fileservice/SafeFile.h"
#include "settings/PrivateProfile.h"
#include "settings/SearchText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString strIniFile;

namespace {

const QString kProfilesSection = QStringLiteral("Profiles");
constexpr qint16 kKeyListSize = 32767;
constexpr qint16 kProfileNameSize = 256;

}  // namespace

bool IsWritableDir(const QString& dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) {
        return false;
    }
    return fileservice::CanWriteInto(QFile::encodeName(dir).toStdString());
}

QString ConfigDataDir() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // XDG says to ignore a relative value.
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/trevalon");
}

QString ProgramDataDirFor(const QString& programDir) {
    if (IsWritableDir(programDir)) {
        return programDir;
    }
    const QString dir = ConfigDataDir();
    (void)fileservice::MakeFolders(QFile::encodeName(dir).toStdString());
    return dir;
}

QString ProgramDataDir() {
    return ProgramDataDirFor(QCoreApplication::applicationDirPath());
}

void InitIniFile() {
    strIniFile = ProgramDataDir() + QStringLiteral("/tvl.ini");
}

void FillProfileList(ProfileBox& box, const QString& name) {
    box.ClearProfiles();
    box.SetProfileText(name);
    const QString keys = ReadIniString(kProfilesSection, std::nullopt, QString(), strIniFile, kKeyListSize);
    if (keys.isEmpty()) {
        return;
    }
    QStringList pieces = keys.split(QChar(u'\0'));
    // The piece after the last NUL is not a finished key: empty, or a key cut by the buffer.
    pieces.removeLast();
    for (const QString& key : pieces) {
        box.AddProfile(ReadIniString(kProfilesSection, key, QString(), strIniFile, kProfileNameSize));
    }
}

bool DeleteProfileSection(const QString& name) {
    if (strIniFile.isEmpty()) {
        return false;
    }
    return WritePrivateProfileStringA(name.toUtf8().constData(), nullptr, nullptr,
                                      QFile::encodeName(strIniFile).constData()) != 0;
}
