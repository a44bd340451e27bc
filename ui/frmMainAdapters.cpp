// frmMain as the engine's run controls, the log's status list and the settings code's
// profile box.
#include "ui/frmMain.h"

#include "log/StatusListModel.h"
#include "ui/ClassicControls.h"
#include "ui/DirList.h"
#include "ui/RunInputGuard.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTimer>

// ---- RunControls ----

QString frmMain::SourcePath() const { return m_ui.dirSource->path(); }
QString frmMain::TargetPath() const { return m_ui.dirTarget->path(); }
bool frmMain::CopyOnlyNew() const { return m_ui.chkCopyOnlyNew->checkState() == Qt::Checked; }
bool frmMain::DelBeforeCopy() const { return m_ui.chkDelBeforeCopy->checkState() == Qt::Checked; }
bool frmMain::NewSubFolder() const { return m_ui.chkNewSubFolder->checkState() == Qt::Checked; }
QString frmMain::CountText() const { return m_countPending ? m_countText : m_ui.txtCount->text(); }

void frmMain::SetCountText(const QString& text) {
    // Set per file, and a line edit lays out its text anew on every change: during a run the
    // field, which is hidden anyway, is brought up to date when the window paints.
    if (m_running) {
        m_countText = text;
        m_countPending = true;
        return;
    }
    m_countPending = false;
    m_ui.txtCount->setText(text);
}
void frmMain::SetFilesText(const QString& text) { m_ui.txtFiles->setText(text); }
void frmMain::SetFilesVisible(bool visible) { m_ui.txtFiles->setVisible(visible); }
void frmMain::SetProgressVisible(bool visible) { m_ui.pb1->setVisible(visible); }
int frmMain::ProgressValue() const { return m_ui.pb1->value(); }
void frmMain::SetProgressValue(int value) { m_ui.pb1->setValue(value); }
void frmMain::RefreshTarget() { m_ui.dirTarget->refresh(); }

MessageResult frmMain::ShowMessage(const QString& title, const QString& text, MessageIcon icon,
                                   MessageButtons buttons) {
    // The box's own event loop paints the window: it shows the run as it stands.
    ShowRunState();
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::None: boxIcon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: boxIcon = QMessageBox::Information; break;
    case MessageIcon::Warning: boxIcon = QMessageBox::Warning; break;
    case MessageIcon::Critical: boxIcon = QMessageBox::Critical; break;
    case MessageIcon::Question: boxIcon = QMessageBox::Question; break;
    }
    const QMessageBox::StandardButtons boxButtons =
        buttons == MessageButtons::OkCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok;
    return ShowMessageBox(this, "msgRun", boxIcon, title, text, boxButtons) == QMessageBox::Ok ? MessageResult::Ok
                                                                                               : MessageResult::Cancel;
}

void frmMain::KeepPainting() {
    if (m_paintTimer.isValid() && m_paintTimer.elapsed() < 50) return;
    // Scroll first, so that the repaint it asks for is done by this round of events, not the next.
    ShowRunState();
    // Every kind of event, so that a close from the window manager reaches the window; the
    // input guard keeps the user's input away from it, except Escape.
    QCoreApplication::processEvents();
    // Asked here, so the run waits for the answer between two files.
    if (m_inputGuard->TakeEscape() && !m_stopRequested) AskToStop();
    m_paintTimer.start();
}

bool frmMain::StopRequested() { return m_stopRequested; }

void frmMain::AskToStop() {
    if (ShowMessageBox(this, "msgStop", QMessageBox::Question, StopQuestionTitle(), StopQuestionText(),
                       QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        m_stopRequested = true;
    }
}

// ---- StatusList ----

void frmMain::AddStatusLine(const QString& line) {
    // During a run the lines are kept and shown when the window paints: a run adds one per
    // file, and the lines between two paints scroll past unseen. Outside a run a line shows
    // at once.
    m_statusModel->AppendUnpublished(line);
    if (!m_running) PublishStatusLines();
    // The list has had nothing new since the click (the source was being listed): its first
    // line need not wait out the pause's interval.
    if (m_running && !m_lineShownThisRun) {
        m_lineShownThisRun = true;
        m_paintTimer.invalidate();
    }
    if (!m_statusScrollPending) {
        m_statusScrollPending = true;
        QTimer::singleShot(0, this, [this] { FlushStatusScroll(); });
    }
}

void frmMain::PublishStatusLines() {
    if (!m_statusModel->Publish()) return;
    const QModelIndex last = m_statusModel->index(m_statusModel->rowCount() - 1);
    // Selecting through the view would lay out all rows again, which makes a run of many
    // thousand lines crawl; the view catches up when it scrolls.
    const QSignalBlocker blocker(m_ui.lstStatus->selectionModel());
    m_ui.lstStatus->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
}

void frmMain::FlushStatusScroll() {
    PublishStatusLines();
    if (!m_statusScrollPending) return;
    m_statusScrollPending = false;
    m_ui.lstStatus->scrollTo(m_ui.lstStatus->currentIndex());
    m_ui.lstStatus->viewport()->update();
}

void frmMain::ShowRunState() {
    m_log.Flush();
    if (m_countPending) {
        m_countPending = false;
        m_ui.txtCount->setText(m_countText);
    }
    FlushStatusScroll();
}

bool frmMain::LoggingOn() const { return m_ui.chkLog->checkState() == Qt::Checked; }

// ---- ProfileBox ----

void frmMain::ClearProfiles() { m_ui.cmbProfile->clear(); }

void frmMain::SetProfileText(const QString& text) { m_ui.cmbProfile->setEditText(text); }

void frmMain::AddProfile(const QString& name) {
    // Adding the first entry would make it the box's text; the box keeps the name it shows.
    const QString text = m_ui.cmbProfile->currentText();
    m_ui.cmbProfile->addItem(name);
    if (m_ui.cmbProfile->currentText() != text) {
        m_ui.cmbProfile->setCurrentIndex(-1);
        m_ui.cmbProfile->setEditText(text);
    }
}
