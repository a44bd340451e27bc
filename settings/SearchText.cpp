#include "settings/SearchText.h"

#include "settings/PrivateProfile.h"

#include <QFile>
#include <string>

QString ReadIniString(const QString& section, const std::optional<QString>& key, const QString& defaultText,
                      const QString& fileName, qint16 size) {
    if (size <= 0) {
        return QString();
    }
    const QByteArray key8 = key ? key->toUtf8() : QByteArray();
    std::string buffer(static_cast<std::size_t>(size), ' ');
    const std::uint32_t count =
        GetPrivateProfileStringA(section.toUtf8().constData(), key ? key8.constData() : nullptr,
                                 defaultText.toUtf8().constData(), buffer.data(), static_cast<std::uint32_t>(size),
                                 QFile::encodeName(fileName).constData());
    // The first `count` characters: a key list keeps its NULs but not the final extra one.
    return QString::fromUtf8(buffer.data(), static_cast<qsizetype>(count));
}
