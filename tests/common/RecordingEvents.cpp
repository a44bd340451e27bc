#include "RecordingEvents.h"

RecordingEvents::RecordingEvents(const QString& logPath)
    : log(StatusView{[this](const QString& line) { lines << line; }, [this] { return loggingOn; }}, logPath) {}

QStringList RecordingEvents::Messages() const {
    QStringList out;
    for (const QString& line : lines) out << line.mid(8);
    return out;
}

void RecordingEvents::Started(const RunRequest& request) { m_runLog.Started(request); }

void RecordingEvents::Refused(const fileservice::Failure& refusal) {
    refusals.push_back(refusal);
    m_runLog.Refused(refusal);
}

void RecordingEvents::TargetTrashed(const QString& target) {
    trashed << target;
    m_runLog.TargetTrashed(target);
}

void RecordingEvents::Summary(const RunSummary& told) {
    summary = told;
    summaryFiles = told.files;
    summaryBytes = told.bytes.scaled;
    m_runLog.Summary(told);
}

void RecordingEvents::Removed(const QString& entry, bool toTrash) {
    removed << entry;
    m_runLog.Removed(entry, toTrash);
}

bool RecordingEvents::ConfirmRemoval(std::int32_t files, std::int32_t folders) {
    questions.emplace_back(files, folders);
    return confirm;
}

void RecordingEvents::FolderMade(const QString& folder) {
    folders << folder;
    m_runLog.FolderMade(folder);
}

void RecordingEvents::CopyHandedOver(const CopyItem& item) {
    copied << item.entry;
    m_runLog.CopyHandedOver(item);
    if (onCopy) onCopy(item);
}

// The drives' events, recorded and shown as the window shows them.
void RecordingEvents::CopyLanded(const CopyItem& item) { landed << item.entry, m_runLog.CopyLanded(item); }
void RecordingEvents::TargetNewer(const QString& entry) { targetNewer << entry, m_runLog.TargetNewer(entry); }
void RecordingEvents::FolderSpelledOtherwise(const QString& folder, const QString& existing) {
    otherSpellings << folder + QStringLiteral(" -> ") + existing;
    m_runLog.FolderSpelledOtherwise(folder, existing);
}
void RecordingEvents::MetadataNotKept(int lost) { metadataLost |= lost, m_runLog.MetadataNotKept(lost); }

void RecordingEvents::Failed(const RunFailure& failure) {
    failures.push_back(failure);
    m_runLog.Failed(failure);
}

void RecordingEvents::Progress(std::int32_t handled, int percent) {
    // The bar's values as the user sees them change.
    if (progressHistory.empty() || handled != count || percent != progressHistory.back())
        progressHistory.push_back(percent);
    count = handled;
}

void RecordingEvents::Ended(RunOutcome ended, const RunCounts& endCounts) {
    outcome = ended;
    counts = endCounts;
    m_runLog.Ended(ended, endCounts);
}

bool RecordingEvents::StopRequested() { return stopAtCount >= 0 && copied.size() >= stopAtCount; }

void RecordingEvents::Breathe() {
    if (!summaryFiles) ++paintsBeforeSummary;
}
