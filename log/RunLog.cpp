#include "log/RunLog.h"

#include "fileservice/SafeFile.h"
#include "log/Logfile.h"
#include "texts/Texts.h"

RunLog::~RunLog() { Release(); }

void RunLog::Release() {
    if (!m_held) return;
    m_held = false;
    m_log.Release();
}

void RunLog::Started(const RunRequest& request) {
    m_request = request;
    m_emptyingFailed = false;
    m_log.BeginRun();
    // Held for the run: the lines of a pass are written together, not reopened per line.
    if (!m_held) {
        m_held = true;
        m_log.Hold();
    }
}

void RunLog::Summary(const RunSummary& summary) {
    if (m_request.dryRun) return;
    m_log.WriteLogFileLine(StatusLine(QStringLiteral(" - ") + SummaryText(summary)));
}

void RunLog::CopyLanded(const CopyItem& item) {
    if (m_request.dryRun) return;
    if (m_request.mode == RunMode::CopyAll || m_request.mode == RunMode::EmptyFirst)
        m_log.WriteStatusLine(StatusLine(CopiedMessage(item.entry)));
}

void RunLog::TargetNewer(const QString& entry) {
    if (!m_request.dryRun) m_log.WriteStatusLine(StatusLine(TargetNewerMessage(entry)));
}

void RunLog::FolderSpelledOtherwise(const QString& folder, const QString& existing) {
    if (!m_request.dryRun) m_log.WriteStatusLine(StatusLine(FolderSpelledOtherwiseMessage(folder, existing)));
}

void RunLog::MetadataNotKept(int lost) {
    if (!m_request.dryRun) m_log.WriteStatusLine(StatusLine(MetadataNotKeptMessage(lost)));
}

void RunLog::Failed(const RunFailure& failure) {
    if (failure.kind == FailureKind::EmptyTarget) m_emptyingFailed = true;
    m_log.WriteStatusLine(StatusLine(FailureMessage(failure)));
}

void RunLog::Removed(const QString& entry, bool toTrash) {
    if (!m_request.dryRun) m_log.WriteStatusLine(StatusLine(RemovedMessage(entry, toTrash)));
}

void RunLog::Ended(RunOutcome outcome, const RunCounts& counts) {
    // A target that could not be emptied ends with that line alone.
    if (!m_request.dryRun && !m_emptyingFailed)
        m_log.WriteStatusLine(StatusLine(EndMessage(m_request.mode, outcome, counts)));
    Release();
}

void DryRunLines::Print(const QString& line) { m_print(OneLine(line)); }

void DryRunLines::Started(const RunRequest& request) {
    m_target = request.target;
    while (m_target.endsWith(QLatin1Char('/'))) m_target.chop(1);
    m_files = 0;
    m_bytes = 0;
}

void DryRunLines::TargetTrashed(const QString& target) { Print(WouldTrashText(target)); }

void DryRunLines::FolderMade(const QString& folder) {
    const bool below = folder.startsWith(m_target + QLatin1Char('/'));
    Print(WouldMakeFolderText(below ? folder.mid(m_target.size()) : folder));
}

void DryRunLines::CopyHandedOver(const CopyItem& item) {
    // Counted as the source's summary counts: a regular file's size, a link as no bytes.
    const fileservice::Result<std::int64_t> size = fileservice::RegularFileSize(item.source, false);
    ++m_files;
    if (size) m_bytes += size.Value();
    Print(WouldCopyText(item.entry));
}

void DryRunLines::Removed(const QString& entry, bool toTrash) { Print(WouldRemoveText(entry, toTrash)); }

void DryRunLines::TargetNewer(const QString& entry) { Print(WouldNotReplaceText(entry)); }

void DryRunLines::Ended(RunOutcome, const RunCounts& counts) {
    Print(WouldCopySummaryText(m_files, m_bytes) + TargetNewerCountText(counts.targetNewer));
}
