#include "settings/clsINI.h"

#include "settings/PrivateProfile.h"
#include "settings/SettingsLayout.h"

#include <QFile>
#include <QFileInfo>
#include <string>

namespace {

constexpr std::uint32_t kListBufferSize = 32767;

QByteArray Path8(const QString& path) {
    return QFile::encodeName(path);
}

}  // namespace

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
                                                     defaultValue, Path8(m_file).constData()));
}

bool clsINI::ReadKeyValueBool(const QString& section, const QString& key, bool defaultValue) const {
    return GetPrivateProfileIntA(section.toUtf8().constData(), key.toUtf8().constData(), defaultValue ? 1 : 0,
                                 Path8(m_file).constData()) != 0;
}

QString clsINI::ReadKeyValueStr(const QString& section, const QString& key, const QString& defaultValue) const {
    if (m_file.isEmpty()) {
        return QString();
    }
    std::string buffer(kValueBufferSize, ' ');
    GetPrivateProfileStringA(section.toUtf8().constData(), key.toUtf8().constData(),
                             defaultValue.toUtf8().constData(), buffer.data(), kValueBufferSize,
                             Path8(m_file).constData());
    // The text up to the first NUL; the primitive's count is not needed.
    return QString::fromUtf8(buffer.c_str());
}

QString clsINI::ReadKeyValue(const QString& section, const QString& key, const QString& defaultValue) const {
    return ReadKeyValueStr(section, key, defaultValue);
}

bool clsINI::WriteKeyValueInt(const QString& section, const QString& key, qint32 value) {
    return WriteKeyValue(section, key, QString::number(value));
}

bool clsINI::WriteKeyValueBool(const QString& section, const QString& key, bool value) {
    if (m_file.isEmpty()) {
        return false;
    }
    return WritePrivateProfileStringA(section.toUtf8().constData(), key.toUtf8().constData(), value ? "1" : "0",
                                      Path8(m_file).constData()) != 0;
}

bool clsINI::WriteKeyValueStr(const QString& section, const QString& key, const QString& value) {
    return WriteKeyValue(section, key, value);
}

bool clsINI::WriteKeyValue(const QString& section, const QString& key, const QString& value) {
    if (m_file.isEmpty()) {
        return false;
    }
    return WritePrivateProfileStringA(section.toUtf8().constData(), key.toUtf8().constData(),
                                      value.toUtf8().constData(), Path8(m_file).constData()) != 0;
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
                             kListBufferSize, Path8(m_file).constData());
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
    if (m_file.isEmpty()) {
        return false;
    }
    return WritePrivateProfileStringA(section.toUtf8().constData(), nullptr, nullptr, Path8(m_file).constData()) !=
           0;
}

bool clsINI::DeleteKey(const QString& section, const QString& key) {
    if (m_file.isEmpty()) {
        return false;
    }
    return WritePrivateProfileStringA(section.toUtf8().constData(), key.toUtf8().constData(), nullptr,
                                      Path8(m_file).constData()) != 0;
}
