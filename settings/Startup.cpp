#include "settings/Startup.h"

#include "TrevalonVersion.h"
#include "settings/PrivateProfile.h"
#include "settings/SearchText.h"
#include "settings/SettingsLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

QString strIniFile;

namespace {

constexpr qint16 kKeyListSize = 32767;
constexpr qint16 kProfileNameSize = 256;

}  // namespace

bool IsWritableDir(const QString& dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) {
        return false;
    }
    const QByteArray path = QFile::encodeName(dir);
    if (::access(path.constData(), W_OK) != 0) {
        return false;
    }
    // root passes access() everywhere, also on a read-only mount.
    struct statvfs fs {};
    if (::statvfs(path.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) {
        return false;
    }
    return true;
}

QString ConfigDataDir() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // XDG says to ignore a relative value.
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/trevalon");
}

bool IsInstalledLayout(const QString& programDir) {
    if (QFileInfo(programDir).fileName() != QLatin1String("bin")) {
        return false;
    }
    const QString entry = QStringLiteral("/../share/applications/%1.desktop").arg(QLatin1String(tvl::kAppId));
    return QFileInfo(programDir + entry).isFile();
}

QString ProgramDataDirFor(const QString& programDir) {
    // An installed copy never writes beside itself, even where it could: root can write
    // into /usr/bin, and the settings would then be shared by every user.
    if (!IsInstalledLayout(programDir) && IsWritableDir(programDir)) {
        return programDir;
    }
    const QString dir = ConfigDataDir();
    QDir().mkpath(dir);
    return dir;
}

QString ProgramDataDir() {
    return ProgramDataDirFor(QCoreApplication::applicationDirPath());
}

void InitIniFile() {
    strIniFile = ProgramDataDir() + QStringLiteral("/tvl.ini");
}

namespace {

// Moves `temp` to `target` only while nothing stands at `target`.
bool MoveIntoFreePlace(const QByteArray& temp, const QByteArray& target) {
    if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    // File systems without that rename: a hard link never replaces either.
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    return ::link(temp.constData(), target.constData()) == 0 && ::unlink(temp.constData()) == 0;
}

}  // namespace

bool WriteDefaultIniFile(const QString& iniFile, const QString& homeDir) {
    const QByteArray target = QFile::encodeName(iniFile);
    struct stat st {};
    // Whatever stands there, even a broken link or a folder, is the user's.
    if (::lstat(target.constData(), &st) == 0 || errno != ENOENT) {
        return false;
    }
    QFile delivered(QStringLiteral(":/tvl.ini"));
    if (!delivered.open(QIODevice::ReadOnly)) {
        return false;
    }
    // Written beside the target and moved into place at the end: a crash never leaves a
    // half default that the next start would take for the user's own file.
    const QFileInfo info(iniFile);
    QFile temp;
    for (int attempt = 0; attempt < 20 && !temp.isOpen(); ++attempt) {
        temp.setFileName(info.absolutePath() + QStringLiteral("/.%1.%2.tmp")
                                                   .arg(info.fileName().left(64))
                                                   .arg(QRandomGenerator::global()->generate64(), 16, 16,
                                                        QLatin1Char('0')));
        // NewOnly: a name taken meanwhile is never reused, only the next one tried.
        temp.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }
    if (!temp.isOpen()) {
        return false;
    }
    const QByteArray tempName = QFile::encodeName(temp.fileName());
    const QByteArray content = delivered.readAll();
    bool ok = temp.write(content) == content.size();
    temp.close();
    ok = ok && temp.error() == QFileDevice::NoError;

    QString home = homeDir;
    if (home.isEmpty() || !QFileInfo(home).isDir() || home.contains(QLatin1Char('\n')) ||
        home.contains(QLatin1Char('\r'))) {
        home = QDir::rootPath();
    }
    const QByteArray homeBytes = QFile::encodeName(home);
    for (const char* key : {kKeyDirA, kKeyDirB}) {
        ok = ok && WritePrivateProfileStringA(kStandardProfile, key, homeBytes.constData(), tempName.constData()) != 0;
    }
    ok = ok && MoveIntoFreePlace(tempName, target);
    if (!ok) {
        ::unlink(tempName.constData());
    }
    return ok;
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
