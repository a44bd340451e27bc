#include "settings/Startup.h"

#include "TrevalonVersion.h"
#include "fileservice/PathText.h"
#include "fileservice/SafeFile.h"
#include "settings/SettingsLayout.h"
#include "settings/clsINI.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <string>
#include <string_view>

namespace {

constexpr qint16 kProfileNameSize = 256;

}  // namespace

bool IsWritableDir(const QString& dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) {
        return false;
    }
    return fileservice::CanWriteInto(fileservice::Utf8Path(dir));
}

QString ConfigDataDir() {
#ifdef Q_OS_WIN
    // The roaming application data, as under Program Files, where no user may write.
    const QString appData = qEnvironmentVariable("APPDATA");
    if (!appData.isEmpty() && !QDir::isRelativePath(appData)) {
        return QDir::fromNativeSeparators(appData) + QStringLiteral("/Trevalon");
    }
    return QDir::homePath() + QStringLiteral("/AppData/Roaming/Trevalon");
#else
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // XDG says to ignore a relative value.
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/trevalon");
#endif
}

namespace {

// True when `programDir` is the bin folder of an installed copy: <prefix>/bin beside our
// desktop entry in <prefix>/share/applications.
bool IsInstalledLayout(const QString& programDir) {
    if (QFileInfo(programDir).fileName() != QLatin1String("bin")) {
        return false;
    }
    const QString entry = QStringLiteral("/../share/applications/%1.desktop").arg(QLatin1String(tvl::kAppId));
    return QFileInfo(programDir + entry).isFile();
}

}  // namespace

QString ProgramDataDirFor(const QString& programDir) {
    // An installed copy never writes beside itself, even where it could: root can write
    // into /usr/bin, and the settings would then be shared by every user.
    if (!IsInstalledLayout(programDir) && IsWritableDir(programDir)) {
        return programDir;
    }
    const QString dir = ConfigDataDir();
    (void)fileservice::MakeFolders(fileservice::Utf8Path(dir));
    return dir;
}

QString ProgramDataDir() {
    return ProgramDataDirFor(QCoreApplication::applicationDirPath());
}

QString SettingsFilePath() {
    return ProgramDataDir() + QStringLiteral("/tvl.ini");
}

bool WriteDefaultIniFile(const clsINI& settings, const QString& homeDir) {
    const QString iniFile = settings.File();
    if (iniFile.isEmpty()) {
        return false;
    }
    const std::string target = fileservice::Utf8Path(iniFile);
    // Whatever stands there, even a broken link or a folder, is the user's.
    if (QFileInfo::exists(iniFile) || fileservice::IsLink(target)) {
        return false;
    }
    QFile delivered(QStringLiteral(":/tvl.ini"));
    if (!delivered.open(QIODevice::ReadOnly)) {
        return false;
    }
    // Written beside the target and moved into place at the end: a crash never leaves a
    // half default that the next start would take for the user's own file.
    fileservice::Result<fileservice::FileHandle> temp = fileservice::CreateReplacementTemporary(target);
    if (!temp) {
        return false;
    }
    const std::string tempName = temp.Value().Path();
    const QByteArray content = delivered.readAll();
    std::int64_t written = 0;
    bool ok = fileservice::WriteAll(temp.Value(), std::string_view(content.constData(), content.size()), written).Ok();
    ok = temp.Value().Close().Ok() && ok;

    QString home = homeDir;
    if (home.isEmpty() || !QFileInfo(home).isDir() || home.contains(QLatin1Char('\n')) ||
        home.contains(QLatin1Char('\r'))) {
        home = QDir::rootPath();
    }
    clsINI temporary(QString::fromStdString(tempName));
    for (const char* key : {kKeyDirA, kKeyDirB}) {
        ok = ok && temporary.WriteIniString(kStandardProfile, QString::fromLatin1(key), home).Ok();
    }
    ok = ok && fileservice::RenameNoReplace(tempName, target).Ok();
    if (!ok) {
        (void)fileservice::Remove(tempName);
    }
    return ok;
}

void FillProfileList(const clsINI& settings, ProfileBox& box, const QString& name) {
    box.ClearProfiles();
    box.SetProfileText(name);
    const QString keys = settings.ReadIniString(kProfilesSection, std::nullopt, QString(), kListBufferSize);
    if (keys.isEmpty()) {
        return;
    }
    QStringList pieces = keys.split(QChar(u'\0'));
    // The piece after the last NUL is not a finished key: empty, or a key cut by the buffer.
    pieces.removeLast();
    for (const QString& key : pieces) {
        box.AddProfile(settings.ReadIniString(kProfilesSection, key, QString(), kProfileNameSize));
    }
}
