#include "settings/ProfileOps.h"

#include "settings/Cp1252.h"
#include "settings/PrivateProfile.h"
#include "settings/Startup.h"
#include "fileservice/FileService.h"
#include "fileservice/SafeFile.h"

#include <QFile>
#include <string>

namespace {

bool WriteKey(const QByteArray& section, const char* key, const QByteArray& value) {
    return WritePrivateProfileStringA(section.constData(), key, value.constData(),
                                      QFile::encodeName(strIniFile).constData()) != 0;
}

// True when the file has a line equal to `line`, its line ending not counted. A FIFO in its
// place is never opened: reading it would hang the window.
bool FileHasLine(const QString& fileName, const QByteArray& line) {
    const fileservice::Result<std::string> read =
        fileservice::ReadRegularFile(QFile::encodeName(fileName).toStdString());
    if (!read) {
        return false;
    }
    const QByteArray bytes = QByteArray::fromStdString(read.Value());
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype nl = bytes.indexOf('\n', pos);
        const qsizetype end = nl < 0 ? bytes.size() : nl;
        qsizetype contentEnd = end;
        if (nl >= 0 && contentEnd > pos && bytes[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        if (contentEnd - pos == line.size() && bytes.mid(pos, contentEnd - pos) == line) {
            return true;
        }
        pos = end + 1;
    }
    return false;
}

void DeleteLine(const QByteArray& line) {
    std::int8_t flag = 0;
    VBFILEDELETELINEBYTEXT(QFile::encodeName(strIniFile).constData(), line.constData(), flag);
}

// The name as the file gives it back: blanks and tabs at its ends do not survive.
QString TrimmedName(const QString& name) {
    qsizetype b = 0;
    qsizetype e = name.size();
    while (b < e && (name[b] == u' ' || name[b] == u'\t')) ++b;
    while (e > b && (name[e - 1] == u' ' || name[e - 1] == u'\t')) --e;
    return name.mid(b, e - b);
}

}  // namespace

QString CatalogueKey(const QString& name) {
    QString key = name;
    key.remove(QLatin1Char(' '));
    return key;
}

QString CatalogueLine(const QString& name) {
    return CatalogueKey(name) + QLatin1Char('=') + name;
}

bool WriteProfileValues(const QString& name, const ProfileValues& values) {
    const QByteArray section = name.toUtf8();
    bool ok = true;
    for (const ProfileKey& key : kProfileSaveOrder) {
        ok = WriteKey(section, key.name, (values.*key.value).toUtf8()) && ok;
    }
    return ok;
}

ProfileValues ReadProfileValues(const QString& name) {
    ProfileValues values;
    for (const ProfileKey& key : kProfileLoadOrder) {
        values.*key.value = ReadProfileKey(name, key.name);
    }
    return values;
}

bool WriteNewProfile(const QString& name) {
    bool ok = WriteKey(kProfilesSection, CatalogueKey(name).toUtf8().constData(), name.toUtf8());
    ProfileValues defaults;
    defaults.onlyNew = QStringLiteral("1");
    defaults.delNot = QStringLiteral("0");
    defaults.delOld = QStringLiteral("0");
    defaults.delToTrash = QStringLiteral("1");
    defaults.newSubFolder = QStringLiteral("0");
    ok = WriteProfileValues(name, defaults) && ok;
    return ok;
}

QString ReadProfileKey(const QString& name, const char* key) {
    std::string buffer(kValueBufferSize, ' ');
    const std::uint32_t count =
        GetPrivateProfileStringA(name.toUtf8().constData(), key, "", buffer.data(), kValueBufferSize,
                                 QFile::encodeName(strIniFile).constData());
    return QString::fromUtf8(buffer.data(), static_cast<qsizetype>(count));
}

std::optional<int> StoredState(const QString& text) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < 0 || number > 2) return std::nullopt;
    return number;
}

RunOptionStates RunOptionsAfterLoad(const ProfileValues& values, RunOptionStates before) {
    RunOptionStates options = before;
    for (const ProfileKey& key : kProfileLoadOrder) {
        if (key.value == &ProfileValues::dirA || key.value == &ProfileValues::dirB ||
            key.value == &ProfileValues::filter) {
            continue;
        }
        const std::optional<int> state = StoredState(values.*key.value);
        if (!state) break;
        bool RunOptionStates::*option = nullptr;
        if (key.value == &ProfileValues::onlyNew) option = &RunOptionStates::onlyNew;
        if (key.value == &ProfileValues::delOld) option = &RunOptionStates::delOld;
        if (key.value == &ProfileValues::newSubFolder) option = &RunOptionStates::newSubFolder;
        if (!option) continue;
        // Ticking one box unticks the other two; unticking or greying one leaves them.
        if (*state == 1) options = RunOptionStates{};
        options.*option = *state == 1;
    }
    return options;
}

bool IsStorableProfileName(const QString& name) {
    return !name.contains(QLatin1Char('[')) && !name.contains(QLatin1Char(']')) &&
           !name.contains(QLatin1Char('=')) && !name.startsWith(QLatin1Char(';'));
}

bool DeleteProfile(const QString& name) {
    const bool sectionGone = DeleteProfileSection(name);
    if (strIniFile.isEmpty()) {
        return false;
    }
    const QString line = CatalogueLine(name);
    const QByteArray utf8 = line.toUtf8();
    const QByteArray key = CatalogueKey(name).toUtf8();
    const std::optional<QByteArray> cp1252 = EncodeCp1252(line);
    if (FileHasLine(strIniFile, utf8)) {
        DeleteLine(utf8);
    } else if (cp1252 && *cp1252 != utf8 && FileHasLine(strIniFile, *cp1252)) {
        // A settings file from Windows holds the line in Windows-1252 bytes.
        DeleteLine(*cp1252);
    } else if (ReadProfileKey(QString::fromLatin1(kProfilesSection), key.constData()) == TrimmedName(name)) {
        // No exact line, yet the key lists this very name: blanks at the name's ends (read
        // back trimmed) or a hand-edited line. Leaving it would list a deleted profile.
        WritePrivateProfileStringA(kProfilesSection, key.constData(), nullptr,
                                   QFile::encodeName(strIniFile).constData());
    }
    const bool stillListed = ReadProfileKey(QString::fromLatin1(kProfilesSection), key.constData()) ==
                             TrimmedName(name);
    return sectionGone && !stillListed;
}
