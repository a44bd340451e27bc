// frmMain as the run's listener, the log's status list and the settings code's profile box.
#include "ui/frmMain.h"

#include "log/StatusListModel.h"
#include "texts/Texts.h"
#include "ui/ClassicControls.h"
#include "ui/DirList.h"
#include "ui/RunInputGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTimer>

// ---- The run ----

RunRequest frmMain::Request() const {
    const auto checked = [](const QCheckBox* box) { return box->checkState() == Qt::Checked; };
    RunRequest request;
    request.source = m_ui.dirSource->path();
    request.target = m_ui.dirTarget->path();
    request.mode = ModeOf(checked(m_ui.chkCopyOnlyNew), checked(m_ui.chkDelBeforeCopy), checked(m_ui.chkNewSubFolder));
    request.filter = m_ui.txtFilter->text();
    if (checked(m_ui.chkDelIfNotExist))
        request.extras = checked(m_ui.chkTrash) ? ExtrasPolicy::Trash : ExtrasPolicy::Delete;
    return request;
}

QString frmMain::CountText() const { return m_countPending ? QString::number(m_count) : m_ui.txtCount->text(); }

void frmMain::Refused(const fileservice::Failure& refusal) {
    // The box's own event loop paints the window: it shows the run as it stands.
    ShowRunState();
    ShowMessageBox(this, "msgRun", QMessageBox::NoIcon, HaltTitle(), RefusalText(refusal), QMessageBox::Ok);
}

void frmMain::Started(const RunRequest& request) { m_runMode = request.mode; }

void frmMain::Summary(const RunSummary& summary) {
    m_ui.txtFiles->setText(SummaryText(summary));
    // Only-newer shows its progress where the summary stood.
    if (m_runMode == RunMode::OnlyNewer) {
        m_ui.pb1->setVisible(true);
        m_ui.txtFiles->setVisible(false);
    }
}

bool frmMain::ConfirmRemoval(std::int32_t files, std::int32_t folders) {
    ShowRunState();
    return ShowMessageBox(this, "msgRemove", QMessageBox::Question, ConfirmRemovalTitle(),
                          ConfirmRemovalText(files, folders), QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void frmMain::Progress(std::int32_t count, int percent) {
    // Told per file, and a line edit lays out its text anew on every change: the hidden
    // counter and the bar are brought up to date when the window paints.
    m_count = count;
    m_percent = percent;
    m_countPending = true;
    if (!m_running) ShowRunState();
}

void frmMain::Ended(RunOutcome, const RunCounts&) {
    ShowRunState();
    m_ui.pb1->setVisible(false);
    m_ui.txtFiles->setVisible(true);
    m_ui.dirTarget->refresh();
}

void frmMain::Breathe() {
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

// ---- Status list ----

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
        m_ui.txtCount->setText(QString::number(m_count));
        m_ui.pb1->setValue(m_percent);
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
