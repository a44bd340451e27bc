#include "engine/RunReport.h"

#include "log/Logfile.h"

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

QString RunReport::CompletionMessage() const {
    if (m_failures == 0) return QStringLiteral(" - Abgleich ausgeführt!");
    if (m_failures == 1) return QStringLiteral(" - Abgleich mit 1 Fehler ausgeführt!");
    return QStringLiteral(" - Abgleich mit %1 Fehlern ausgeführt!").arg(m_failures);
}
