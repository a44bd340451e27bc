#include "settings/clsINI.h"

#include "fileservice/PathText.h"
#include "settings/PrivateProfile.h"
#include "settings/SettingsLayout.h"

#include <QFileInfo>
#include <cerrno>
#include <string>

namespace {

std::string Path8(const QString& path) {
    return fileservice::Utf8Path(path);
}

}  // namespace

clsINI::clsINI(const QString& path) : m_file(path) {}

clsINI::~clsINI() {
    m_file.clear();
}

QString clsINI::File() const {
    return m_file;
}

void clsINI::File(const QString& path) {
    m_file = path;
}

bool clsINI::FileExists() const {
    if (m_file.isEmpty()) {
        return false;
    }
    // Ordinary files only: a folder or a hidden file does not count.
    const QFileInfo info(m_file);
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

qint32 clsINI::ReadKeyValueInt(const QString& section, const QString& key, qint32 defaultValue) const {
    return static_cast<qint32>(GetPrivateProfileIntA(section.toUtf8().constData(), key.toUtf8().constData(),
                                                     defaultValue, Path8(m_file).c_str()));
}

bool clsINI::ReadKeyValueBool(const QString& section, const QString& key, bool defaultValue) const {
    return GetPrivateProfileIntA(section.toUtf8().constData(), key.toUtf8().constData(), defaultValue ? 1 : 0,
                                 Path8(m_file).c_str()) != 0;
}

QString clsINI::ReadKeyValueStr(const QString& section, const QString& key, const QString& defaultValue) const {
    if (m_file.isEmpty()) {
        return QString();
    }
    // A value holds no NUL: the primitive's count ends it where the first NUL would.
    return ReadIniString(section, key, defaultValue, kValueBufferSize);
}

QString clsINI::ReadKeyValue(const QString& section, const QString& key, const QString& defaultValue) const {
    return ReadKeyValueStr(section, key, defaultValue);
}

bool clsINI::WriteKeyValueInt(const QString& section, const QString& key, qint32 value) {
    return WriteKeyValue(section, key, QString::number(value));
}

bool clsINI::WriteKeyValueBool(const QString& section, const QString& key, bool value) {
    return WriteIniString(section, key, value ? QStringLiteral("1") : QStringLiteral("0")).Ok();
}

bool clsINI::WriteKeyValueStr(const QString& section, const QString& key, const QString& value) {
    return WriteKeyValue(section, key, value);
}

bool clsINI::WriteKeyValue(const QString& section, const QString& key, const QString& value) {
    return WriteIniString(section, key, value).Ok();
}

qint16 clsINI::GetSectionNames(QStringList& section) const {
    return ListNames(nullptr, section);
}

qint16 clsINI::GetKeyNames(const QString& section, QStringList& key) const {
    const QByteArray section8 = section.toUtf8();
    return ListNames(&section8, key);
}

qint16 clsINI::ListNames(const QByteArray* section, QStringList& names) const {
    if (m_file.isEmpty()) {
        return 0;
    }
    std::string buffer(kListBufferSize, ' ');
    GetPrivateProfileStringA(section ? section->constData() : nullptr, nullptr, "", buffer.data(),
                             kListBufferSize, Path8(m_file).c_str());
    // Walk the whole buffer: a name counts only once its NUL is seen, so the blanks
    // behind the list's end are never taken for a name.
    QStringList found;
    std::string current;
    for (const char c : buffer) {
        if (c != '\0') {
            current += c;
            continue;
        }
        if (!current.empty()) {
            found.append(QString::fromUtf8(current.data(), static_cast<qsizetype>(current.size())));
            current.clear();
        }
    }
    if (found.isEmpty()) {
        return 0;
    }
    names = found;
    return static_cast<qint16>(found.size());
}

bool clsINI::DeleteSection(const QString& section) {
    return WriteIniString(section, std::nullopt, std::nullopt).Ok();
}

bool clsINI::DeleteKey(const QString& section, const QString& key) {
    return WriteIniString(section, key, std::nullopt).Ok();
}

QString clsINI::ReadIniString(const QString& section, const std::optional<QString>& key, const QString& defaultText,
                              qint16 size) const {
    if (size <= 0) {
        return QString();
    }
    const QByteArray key8 = key ? key->toUtf8() : QByteArray();
    std::string buffer(static_cast<std::size_t>(size), ' ');
    const std::uint32_t count =
        GetPrivateProfileStringA(section.toUtf8().constData(), key ? key8.constData() : nullptr,
                                 defaultText.toUtf8().constData(), buffer.data(), static_cast<std::uint32_t>(size),
                                 Path8(m_file).c_str());
    // The first `count` characters: a key list keeps its NULs but not the final extra one.
    return QString::fromUtf8(buffer.data(), static_cast<qsizetype>(count));
}

fileservice::Status clsINI::WriteIniString(const QString& section, const std::optional<QString>& key,
                                           const std::optional<QString>& value) {
    // No path, no file: never a file of that name in the working directory.
    if (m_file.isEmpty()) {
        return fileservice::Failure{std::string(), ENOENT};
    }
    const QByteArray key8 = key ? key->toUtf8() : QByteArray();
    const QByteArray value8 = value ? value->toUtf8() : QByteArray();
    return WriteProfileString(section.toUtf8().constData(), key ? key8.constData() : nullptr,
                              value ? value8.constData() : nullptr, Path8(m_file).c_str());
}
