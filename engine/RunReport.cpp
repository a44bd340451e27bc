#include "engine/RunReport.h"

#include "log/Logfile.h"

#include <cerrno>
#include <cstring>

void RunReport::CopyFailed(const QString& entry, const QString& reason) {
    Failed(QStringLiteral(" - ") + entry + QStringLiteral(" konnte nicht kopiert werden: ") + reason);
}

void RunReport::FolderFailed(const QString& path, const QString& reason) {
    Failed(QStringLiteral(" - Ordner ") + path + QStringLiteral(" konnte nicht angelegt werden: ") + reason);
}

void RunReport::Failed(const QString& message) {
    ++m_failures;
    m_log.WriteStatusLine(StatusLine(message));
}

void RunReport::BlockFolder(const QString& entry) { m_blocked << entry + QLatin1Char('/'); }

bool RunReport::IsBlocked(const QString& entry) const {
    for (const QString& prefix : m_blocked) {
        if (entry.startsWith(prefix)) return true;
    }
    return false;
}

bool RunReport::RefuseIfBlocked(const QString& entry) {
    if (m_blocked.isEmpty() || !IsBlocked(entry)) return false;
    CopyFailed(entry, QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    return true;
}

QString RunReport::CompletionMessage() const {
    if (m_failures == 0) return QStringLiteral(" - Abgleich ausgeführt!");
    if (m_failures == 1) return QStringLiteral(" - Abgleich mit 1 Fehler ausgeführt!");
    return QStringLiteral(" - Abgleich mit %1 Fehlern ausgeführt!").arg(m_failures);
}
