#include "engine/Paths.h"

#include "fileservice/SafeFile.h"
#include "fileservice/Utf8.h"

#include <QDir>
#include <QFileInfo>
#include <string>

QString JoinPath(const QString& directory, const QString& name) {
    if (directory.endsWith(QLatin1Char('/'))) return directory + name;
    return directory + QLatin1Char('/') + name;
}

// Names on Linux are bytes, and not every name is valid UTF-8 (files from older systems or
// archives). A byte that does not decode travels as U+DC80..U+DCFF and is encoded back to
// itself, so every listed name reaches the file system unchanged instead of being lost.
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

}  // namespace

std::string NativePrefix(const QString& directory) {
    std::string prefix = ToNative(directory).toStdString();
    if (!directory.endsWith(QLatin1Char('/'))) prefix += '/';
    return prefix;
}

void JoinNative(std::string& path, const std::string& prefix, const std::string& name) {
    path.assign(prefix);
    path += name;
}

QByteArray ToNative(const QString& path) {
    bool escaped = false;
    for (const QChar c : path) {
        if (IsEscapedByte(c.unicode())) escaped = true;
    }
    if (!escaped) return path.toUtf8();
    QByteArray out;
    qsizetype run = 0;  // start of the plain text not yet encoded
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!IsEscapedByte(path[i].unicode())) continue;
        out += path.mid(run, i - run).toUtf8();
        out += static_cast<char>(path[i].unicode() - kEscapeBase);
        run = i + 1;
    }
    out += path.mid(run).toUtf8();
    return out;
}

QString FromNative(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    QString out;
    std::size_t run = 0;  // start of the well-formed bytes not yet decoded
    std::size_t i = 0;
    while (i < text.size()) {
        const int length = Utf8SequenceLength(bytes + i, text.size() - i);
        if (length > 0) {
            i += static_cast<std::size_t>(length);
            continue;
        }
        out += QString::fromUtf8(text.data() + run, static_cast<qsizetype>(i - run));
        out += QChar(static_cast<char16_t>(kEscapeBase + bytes[i]));
        run = ++i;
    }
    if (run == 0) return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    out += QString::fromUtf8(text.data() + run, static_cast<qsizetype>(text.size() - run));
    return out;
}

QString ResolvedPath(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool IsSameOrInside(const QString& inner, const QString& outer) {
    const fileservice::Result<bool> byIdentity =
        fileservice::IsSameOrInsideFolder(ToNative(inner).toStdString(), ToNative(outer).toStdString());
    if (byIdentity) return byIdentity.Value();
    // A folder that is not there (yet) has no identity: its path text is all there is.
    const QString in = ResolvedPath(inner);
    const QString out = ResolvedPath(outer);
    if (in == out) return true;
    const QString prefix = out.endsWith(QLatin1Char('/')) ? out : out + QLatin1Char('/');
    return in.startsWith(prefix);
}

bool IsSameFolder(const QString& first, const QString& second) {
    const auto a = fileservice::ReadFolderIdentity(ToNative(first).toStdString());
    const auto b = fileservice::ReadFolderIdentity(ToNative(second).toStdString());
    if (a && b) return a.Value() == b.Value();
    return ResolvedPath(first) == ResolvedPath(second);
}
