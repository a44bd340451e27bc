// frmMain as the run's listener, the log's status list and the settings code's profile box.
#include "ui/frmMain.h"

#include "log/StatusListModel.h"
#include "texts/Texts.h"
#include "ui/ClassicControls.h"
#include "ui/DirList.h"
#include "ui/RunInputGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QThread>
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

bool frmMain::AskWindow(std::function<bool()> ask, bool fallback) {
    {
        const std::lock_guard lock(m_askMutex);
        m_answer.reset();
    }
    QMetaObject::invokeMethod(
        this,
        [this, ask = std::move(ask)] {
            const bool answer = ask();
            const std::lock_guard lock(m_askMutex);
            m_answer = answer;
            m_askAnswered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_askMutex);
    m_askAnswered.wait(lock, [this] { return m_answer.has_value() || m_abandoned; });
    return m_answer.value_or(fallback);
}

void frmMain::Refused(const fileservice::Failure& refusal) {
    AskWindow(
        [this, text = RefusalText(refusal)] {
            // The box's own event loop paints the window: it shows the run as it stands.
            ShowRunState();
            ShowMessageBox(this, "msgRun", QMessageBox::NoIcon, HaltTitle(), text, QMessageBox::Ok);
            return true;
        },
        true);
}

void frmMain::Started(const RunRequest& request) { m_runMode = request.mode; }

void frmMain::Summary(const RunSummary& summary) {
    // Once per run: handed to the window's thread in the order of the run's other news.
    QMetaObject::invokeMethod(
        this,
        [this, text = SummaryText(summary), onlyNewer = m_runMode == RunMode::OnlyNewer] {
            m_ui.txtFiles->setText(text);
            // Only-newer shows its progress where the summary stood.
            if (onlyNewer) {
                m_ui.pb1->setVisible(true);
                m_ui.txtFiles->setVisible(false);
            }
        },
        Qt::QueuedConnection);
}

bool frmMain::ConfirmRemoval(std::int32_t files, std::int32_t folders) {
    return AskWindow(
        [this, text = ConfirmRemovalText(files, folders)] {
            ShowRunState();
            return ShowMessageBox(this, "msgRemove", QMessageBox::Question, ConfirmRemovalTitle(), text,
                                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        },
        false);
}

void frmMain::Progress(std::int32_t count, int percent) {
    // Told per file, and a line edit lays out its text anew on every change: the hidden
    // counter and the bar are brought up to date at the window's tick.
    m_count = count;
    m_percent = percent;
    m_countPending = true;
    if (!m_running && QThread::currentThread() == thread()) ShowRunState();
}

void frmMain::Ended(RunOutcome, const RunCounts&) { m_runEnded = true; }

void frmMain::Breathe() {
    // Asked here, so the run waits for the answer between two files.
    if (m_escapePending.load(std::memory_order_relaxed) && m_escapePending.exchange(false) && !m_stopRequested)
        AskWindow([this] {
            AskToStop();
            return true;
        }, true);
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
    // A run's lines are kept and shown at the window's tick: a run adds one per file, and
    // the lines between two ticks scroll past unseen. Outside a run a line shows at once.
    m_statusModel->AppendUnpublished(line);
    if (m_running || QThread::currentThread() != thread()) {
        // The list has had nothing new since the click (the source was being listed): the
        // run's first line need not wait for the tick.
        if (m_running && !m_lineShownThisRun.exchange(true))
            QMetaObject::invokeMethod(this, [this] { ShowRunState(); }, Qt::QueuedConnection);
        return;
    }
    PublishStatusLines();
    if (!m_statusScrollPending) {
        m_statusScrollPending = true;
        QTimer::singleShot(0, this, [this] { FlushStatusScroll(); });
    }
}

bool frmMain::PublishStatusLines() {
    if (!m_statusModel->Publish()) return false;
    const QModelIndex last = m_statusModel->index(m_statusModel->rowCount() - 1);
    // Once per batch and without telling the view, which catches up when it scrolls and paints.
    const QSignalBlocker blocker(m_ui.lstStatus->selectionModel());
    m_ui.lstStatus->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
    return true;
}

void frmMain::FlushStatusScroll() {
    if (!PublishStatusLines() && !m_statusScrollPending) return;
    m_statusScrollPending = false;
    m_ui.lstStatus->scrollTo(m_ui.lstStatus->currentIndex());
    m_ui.lstStatus->viewport()->update();
}

void frmMain::ShowRunState() {
    if (m_countPending.exchange(false)) {
        m_ui.txtCount->setText(QString::number(m_count));
        m_ui.pb1->setValue(m_percent);
    }
    FlushStatusScroll();
}

bool frmMain::LoggingOn() const {
    // The box cannot change during a run (the input guard), and the run's thread must not read it.
    if (m_running) return m_runLogging;
    return m_ui.chkLog->checkState() == Qt::Checked;
}

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
