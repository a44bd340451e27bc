#include "engine/RunReport.h"

#include "engine/Messages.h"
#include "engine/RunControls.h"
#include "log/Logfile.h"

#include <cerrno>

void RunReport::CopyFailed(const QString& entry, int error) { Failed(CopyFailedMessage(entry, error)); }

void RunReport::FolderFailed(const QString& path, int error) { Failed(FolderFailedMessage(path, error)); }

void RunReport::FolderUnreadable(const QString& path, int error) { Failed(FolderUnreadableMessage(path, error)); }

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
    CopyFailed(entry, ENOTDIR);
    return true;
}

bool RunReport::Stopping(RunControls& controls) {
    if (!m_stopped && controls.StopRequested()) m_stopped = true;
    return m_stopped;
}

QString RunReport::StoppedText(int copied, int listed) const { return StoppedMessage(copied, listed, m_targetEmptied); }
