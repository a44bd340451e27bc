#include "engine/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <string>

QString JoinPath(const QString& directory, const QString& name) {
    if (directory.endsWith(QLatin1Char('/'))) return directory + name;
    return directory + QLatin1Char('/') + name;
}

QByteArray ToNative(const QString& path) { return QFile::encodeName(path); }

QString FromNative(const std::string& text) {
    return QFile::decodeName(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
}

QString ResolvedPath(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool IsSameOrInside(const QString& inner, const QString& outer) {
    const QString in = ResolvedPath(inner);
    const QString out = ResolvedPath(outer);
    if (in == out) return true;
    const QString prefix = out.endsWith(QLatin1Char('/')) ? out : out + QLatin1Char('/');
    return in.startsWith(prefix);
}
