#include "engine/RunEvents.h"

void TeeEvents::Started(const RunRequest& request) {
    m_first.Started(request);
    m_second.Started(request);
}
void TeeEvents::Refused(const fileservice::Failure& refusal) {
    m_first.Refused(refusal);
    m_second.Refused(refusal);
}
void TeeEvents::TargetTrashed(const QString& target) {
    m_first.TargetTrashed(target);
    m_second.TargetTrashed(target);
}
void TeeEvents::Summary(const RunSummary& summary) {
    m_first.Summary(summary);
    m_second.Summary(summary);
}
void TeeEvents::FolderMade(const QString& folder) {
    m_first.FolderMade(folder);
    m_second.FolderMade(folder);
}
void TeeEvents::CopyHandedOver(const CopyItem& item) {
    m_first.CopyHandedOver(item);
    m_second.CopyHandedOver(item);
}
void TeeEvents::CopyLanded(const CopyItem& item) {
    m_first.CopyLanded(item);
    m_second.CopyLanded(item);
}
void TeeEvents::TargetNewer(const QString& entry) {
    m_first.TargetNewer(entry);
    m_second.TargetNewer(entry);
}
void TeeEvents::FolderSpelledOtherwise(const QString& folder, const QString& existing) {
    m_first.FolderSpelledOtherwise(folder, existing);
    m_second.FolderSpelledOtherwise(folder, existing);
}
void TeeEvents::MetadataNotKept(int lost) {
    m_first.MetadataNotKept(lost);
    m_second.MetadataNotKept(lost);
}
void TeeEvents::Failed(const RunFailure& failure) {
    m_first.Failed(failure);
    m_second.Failed(failure);
}
void TeeEvents::Removed(const QString& entry, bool toTrash) {
    m_first.Removed(entry, toTrash);
    m_second.Removed(entry, toTrash);
}
bool TeeEvents::ConfirmRemoval(std::int32_t files, std::int32_t folders) {
    return m_first.ConfirmRemoval(files, folders) && m_second.ConfirmRemoval(files, folders);
}
void TeeEvents::Progress(std::int32_t count, int percent) {
    m_first.Progress(count, percent);
    m_second.Progress(count, percent);
}
void TeeEvents::Ended(RunOutcome outcome, const RunCounts& counts) {
    m_first.Ended(outcome, counts);
    m_second.Ended(outcome, counts);
}
bool TeeEvents::StopRequested() {
    // Both are asked: a window answers its question only when asked.
    const bool first = m_first.StopRequested();
    return m_second.StopRequested() || first;
}
void TeeEvents::Breathe() {
    m_first.Breathe();
    m_second.Breathe();
}
