#include "settings/ProfileOps.h"

#include "fileservice/FileService.h"
#include "fileservice/PathText.h"
#include "fileservice/SafeFile.h"
#include "settings/Cp1252.h"
#include "settings/clsINI.h"

#include <QFileInfo>
#include <string>

namespace {

// True when the file has a line equal to `line`, its line ending not counted. A FIFO in its
// place is never opened: reading it would hang the window.
bool FileHasLine(const QString& fileName, const QByteArray& line) {
    const fileservice::Result<std::string> read =
        fileservice::ReadRegularFile(fileservice::Utf8Path(fileName));
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

fileservice::Status DeleteLine(const QString& fileName, const QByteArray& line) {
    std::int8_t flag = 0;
    const std::string file = fileservice::Utf8Path(fileName);
    const std::int32_t error = VBFILEDELETELINEBYTEXT(file.c_str(), line.constData(), flag);
    if (error == 0) return {};
    return fileservice::Failure{file, error};
}

// The first of two results that failed, else the second.
fileservice::Status FirstFailure(fileservice::Status first, fileservice::Status second) {
    return first ? second : first;
}

std::optional<RunOption> RunOptionOf(QString ProfileValues::*value) {
    if (value == &ProfileValues::onlyNew) return RunOption::OnlyNew;
    if (value == &ProfileValues::delOld) return RunOption::DelOld;
    if (value == &ProfileValues::newSubFolder) return RunOption::NewSubFolder;
    return std::nullopt;
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

fileservice::Status WriteProfileValues(clsINI& settings, const QString& name, const ProfileValues& values) {
    fileservice::Status result;
    for (const ProfileKey& key : kProfileSaveOrder) {
        result = FirstFailure(result, settings.WriteIniString(name, QString::fromLatin1(key.name), values.*key.value));
    }
    return result;
}

fileservice::Status WriteNewProfile(clsINI& settings, const QString& name) {
    const fileservice::Status catalogue = settings.WriteIniString(kProfilesSection, CatalogueKey(name), name);
    ProfileValues defaults;
    defaults.onlyNew = QStringLiteral("1");
    defaults.delNot = QStringLiteral("0");
    defaults.delOld = QStringLiteral("0");
    defaults.delToTrash = QStringLiteral("1");
    defaults.newSubFolder = QStringLiteral("0");
    return FirstFailure(catalogue, WriteProfileValues(settings, name, defaults));
}

QString FilterOf(const ProfileValues& values) {
    return values.filter == QString::fromUtf8("Funktion muss noch gebaut werden...") ? QString() : values.filter;
}

std::optional<int> StoredState(const QString& text) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < 0 || number > 2) return std::nullopt;
    return number;
}

BoxState& RunOptionStates::operator[](RunOption option) {
    switch (option) {
    case RunOption::OnlyNew: return onlyNew;
    case RunOption::DelOld: return delOld;
    case RunOption::NewSubFolder: break;
    }
    return newSubFolder;
}

BoxState RunOptionStates::operator[](RunOption option) const {
    return const_cast<RunOptionStates&>(*this)[option];
}

RunOptionStates WithRunOption(RunOptionStates states, RunOption which, BoxState state) {
    if (state == BoxState::Ticked) {
        for (const RunOption other : kRunOptions) states[other] = BoxState::Unticked;
    }
    states[which] = state;
    return states;
}

bool ProfileLoad::Usable(QString ProfileValues::*value) const {
    for (const ProfileKey& key : unusable) {
        if (key.value == value) return false;
    }
    return true;
}

ProfileLoad ReadProfile(const clsINI& settings, const QString& name) {
    ProfileLoad load;
    load.sectionFound = !settings.ReadIniString(name, std::nullopt, QString(), kListBufferSize).isEmpty();
    for (const ProfileKey& key : kProfileLoadOrder) {
        QString& value = load.values.*key.value;
        value = settings.ReadKeyValueStr(name, QString::fromLatin1(key.name), QString());
        bool usable = true;
        if (key.value == &ProfileValues::dirA || key.value == &ProfileValues::dirB) {
            const bool folder = !value.isEmpty() && QFileInfo(value).isDir();
            (key.value == &ProfileValues::dirA ? load.sourceIsFolder : load.targetIsFolder) = folder;
            // An empty directory is what a new profile stores: no folder, yet nothing wrong.
            usable = folder || value.isEmpty();
        } else if (key.value != &ProfileValues::filter) {
            const std::optional<int> state = StoredState(value);
            usable = state.has_value();
            const std::optional<RunOption> option = RunOptionOf(key.value);
            if (usable && option && load.unusable.empty()) {
                load.options = WithRunOption(load.options, *option, static_cast<BoxState>(*state));
            }
        }
        if (!usable) load.unusable.push_back(key);
    }
    return load;
}

bool IsStorableProfileName(const QString& name) {
    return !name.contains(QLatin1Char('[')) && !name.contains(QLatin1Char(']')) &&
           !name.contains(QLatin1Char('=')) && !name.startsWith(QLatin1Char(';'));
}

fileservice::Status DeleteProfile(clsINI& settings, const QString& name) {
    const fileservice::Status section = settings.WriteIniString(name, std::nullopt, std::nullopt);
    if (settings.File().isEmpty()) {
        return section;
    }
    const QString file = settings.File();
    const QString line = CatalogueLine(name);
    const QByteArray utf8 = line.toUtf8();
    const QString key = CatalogueKey(name);
    const std::optional<QByteArray> cp1252 = EncodeCp1252(line);
    fileservice::Status catalogue;
    if (FileHasLine(file, utf8)) {
        catalogue = DeleteLine(file, utf8);
    } else if (cp1252 && *cp1252 != utf8 && FileHasLine(file, *cp1252)) {
        // A settings file from Windows holds the line in Windows-1252 bytes.
        catalogue = DeleteLine(file, *cp1252);
    } else if (settings.ReadKeyValueStr(kProfilesSection, key, QString()) == TrimmedName(name)) {
        // No exact line, yet the key lists this very name: blanks at the name's ends (read
        // back trimmed) or a hand-edited line. Leaving it would list a deleted profile.
        catalogue = settings.WriteIniString(kProfilesSection, key, std::nullopt);
    }
    return FirstFailure(section, catalogue);
}
