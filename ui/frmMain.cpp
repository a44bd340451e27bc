// The main window's life: construction, load, resize and close, and its event handlers.
#include "ui/frmMain.h"

#include "TrevalonVersion.h"
#include "engine/MirrorRun.h"
#include "log/StatusListModel.h"
#include "texts/Texts.h"
#include "ui/ClassicControls.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FormLayout.h"
#include "ui/HelpBalloons.h"
#include "ui/MainWindowOptions.h"
#include "ui/RunInputGuard.h"
#include "ui/ShutdownSignals.h"
#include "ui/frmInfo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {

// How often the window shows a run's news: often enough to see it move, seldom enough that
// showing costs the run nothing worth measuring.
constexpr int kShowIntervalMs = 80;

}  // namespace

frmMain::frmMain(const clsINI& settings, const QString& logPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_settings(settings),
      m_log(StatusView{[this](const QString& line) { AddStatusLine(line); }, [this] { return LoggingOn(); }},
            logPath.isEmpty() ? ProgramDataDir() + QStringLiteral("/tvl.log") : logPath) {
    setObjectName(QStringLiteral("frmMain"));
    m_ui = BuildMainWindowLayout(this);
    m_statusModel = new StatusListModel(this);
    m_ui.lstStatus->setModel(m_statusModel);
    m_ui.lblCopy->installEventFilter(this);
    m_inputGuard = new RunInputGuard(this);
    m_shutdown = new ShutdownSignals(this);
    m_showTimer = new QTimer(this);
    m_showTimer->setInterval(kShowIntervalMs);
    connect(m_showTimer, &QTimer::timeout, this, [this] {
        ShowRunState();
        if (m_inputGuard->TakeEscape()) m_escapePending = true;
    });
    m_profileControls = {.window = this,
                         .settings = &m_settings,
                         .profile = m_ui.cmbProfile,
                         .source = m_ui.dirSource,
                         .target = m_ui.dirTarget,
                         .filter = m_ui.txtFilter,
                         .onlyNew = m_ui.chkCopyOnlyNew,
                         .delNot = m_ui.chkDelIfNotExist,
                         .delOld = m_ui.chkDelBeforeCopy,
                         .toTrash = m_ui.chkTrash,
                         .newSubFolder = m_ui.chkNewSubFolder,
                         .save = m_ui.cmdSaveProfile,
                         .create = m_ui.cmdNewProfile,
                         .remove = m_ui.cmdDelProfile};
    ConnectEvents();

    resize(Px(9225), Px(6330));
    // First position: centred on the screen.
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

frmMain::~frmMain() {
    StopWorker();
    RemoveTrayIcon();
    // The controls die after this window's members; none of their last signals may reach it.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void frmMain::ConnectEvents() {
    connect(m_ui.cmdRun, &QPushButton::clicked, this, &frmMain::cmdRun_Clicked);
    connect(m_shutdown, &ShutdownSignals::Received, this, &frmMain::ShutdownRequested);
    connect(m_ui.cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(m_ui.mnuExit, &QAction::triggered, this, &frmMain::cmdExit_Click);
    connect(m_ui.cmdInfo, &QPushButton::clicked, this, &frmMain::ShowInfo);
    connect(m_ui.mnuInfo, &QAction::triggered, this, &frmMain::ShowInfo);
    // Every change of value counts, also one made by the program (a loaded profile).
    connect(m_ui.chkCopyOnlyNew, &QCheckBox::stateChanged, this, &frmMain::chkCopyOnlyNew_Click);
    connect(m_ui.chkDelBeforeCopy, &QCheckBox::stateChanged, this, &frmMain::chkDelBeforeCopy_Click);
    connect(m_ui.chkNewSubFolder, &QCheckBox::stateChanged, this, &frmMain::chkNewSubFolder_Click);
    connect(m_ui.chkLog, &QCheckBox::stateChanged, this, &frmMain::chkLog_Click);
    // The trash is a refinement of removing: it counts only while removing is on.
    connect(m_ui.chkDelIfNotExist, &QCheckBox::stateChanged, this,
            [this] { m_ui.chkTrash->setEnabled(m_ui.chkDelIfNotExist->checkState() == Qt::Checked); });
    connect(m_ui.drvSource, &DriveList::driveChanged, this, &frmMain::drvSource_Change);
    connect(m_ui.dirSource, &DirList::pathChanged, this, &frmMain::dirSource_Change);
    connect(m_ui.drvTarget, &DriveList::driveChanged, this, &frmMain::drvTarget_Change);
    connect(m_ui.dirTarget, &DirList::pathChanged, this, &frmMain::dirTarget_Change);
    // The profile box and its three buttons.
    ConnectProfileControls(m_profileControls, m_log, *this);
}

// ---- Load, resize, close ----

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

void frmMain::Form_Load() {
    if (!(windowState() & Qt::WindowMinimized)) LayOutHeader(m_ui, width());
    DigitsOnlyFilter::Install(m_ui.txtLogSize);
    SetUpHelpBalloons();
    setWindowTitle(QStringLiteral("%1 - %2.%3")
                       .arg(QString::fromUtf8(tvl::kProductName))
                       .arg(tvl::kVersionMajor)
                       .arg(tvl::kVersionMinor));
    m_log.WriteStatusLine(StatusLine(ProgramLoadedMessage()));
    LoadProfile(QString());
    ReadWindowOptions(m_settings, m_ui.chkLog, m_ui.txtLogSize);
    AddTrayIcon();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_loaded) Form_Resize();
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Restoring a minimised window re-lays the header, as a resize would.
    if (event->type() == QEvent::WindowStateChange && m_loaded) Form_Resize();
}

void frmMain::Form_Resize() {
    if (windowState() & Qt::WindowMinimized) return;
    LayOutHeader(m_ui, width());
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Closing stops a run without asking; the close is carried out when the run has ended,
    // after the copies in flight, with its last line in the list and the log.
    if (m_running) {
        m_closePending = true;
        m_stopRequested = true;
        if (auto* question = findChild<QMessageBox*>(QStringLiteral("msgStop"))) question->close();
        event->ignore();
        return;
    }
    if (m_loaded && !m_unloaded) {
        m_unloaded = true;
        Form_QueryUnload();
    }
    event->accept();
}

void frmMain::ShutdownRequested() {
    // The session is ending: a box open over a run must not hold up the close.
    if (m_running) {
        for (QMessageBox* box : findChildren<QMessageBox*>()) box->close();
    }
    close();
}

void frmMain::Form_QueryUnload() {
    // An empty, non-numeric or too large size skips the trim; the options are still written.
    if (const std::optional<qint32> limit = LogLimitBytes(m_ui.txtLogSize->text())) {
        TrimLogFile(m_log.LogPath(), *limit);
    }
    RemoveTrayIcon();
    // The list goes with the window; the log keeps the line.
    if (const fileservice::Status written = WriteWindowOptions(m_settings, m_ui.chkLog, m_ui.txtLogSize); !written) {
        m_log.WriteStatusLine(StatusLine(OptionsNotSavedMessage(m_settings.File(), written.Error().error)));
    }
    DestroyHelpBalloons();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) window->close();
    }
}

// ---- Hooks filled by the profile, help-balloon and about-window code ----

void frmMain::LoadProfile(const QString& sptl) { ::LoadProfile(m_profileControls, m_log, sptl); }

void frmMain::SetUpHelpBalloons() {
    m_objToolTip = new HelpBalloons(this);
    m_objToolTip->SetUp(this);
}

void frmMain::DestroyHelpBalloons() {
    if (m_objToolTip) m_objToolTip->Destroy();
}

void frmMain::ShowInfo() {
    // The tray menu stays open to a run, for its "Beenden"; the about window waits.
    if (m_running) return;
    frmInfo::ShowModal(this);
}

// ---- Buttons, menu, tray ----

void frmMain::cmdRun_Clicked() {
    if (m_running) return;
    m_running = true;
    m_stopRequested = false;
    m_escapePending = false;
    m_runEnded = false;
    m_lineShownThisRun = false;
    m_runLogging = m_ui.chkLog->checkState() == Qt::Checked;
    m_inputGuard->SetActive(true);
    m_showTimer->start();
    // The engine runs on a thread of its own, so that showing its news never slows it down.
    m_worker = std::thread([this, request = Request(), programDir = QCoreApplication::applicationDirPath()] {
        TeeEvents events(*this, m_runLog);
        MirrorRun(request, events, programDir);
        QMetaObject::invokeMethod(this, [this] { RunFinished(); }, Qt::QueuedConnection);
    });
}

void frmMain::RunFinished() {
    m_worker.join();
    m_showTimer->stop();
    m_inputGuard->SetActive(false);
    m_running = false;
    // The run's last lines and count, before anything else sees the window.
    ShowRunState();
    if (m_runEnded) {
        m_ui.pb1->setVisible(false);
        m_ui.txtFiles->setVisible(true);
        m_ui.dirTarget->refresh();
    }
    if (m_closePending) {
        m_closePending = false;
        close();
    }
    emit RunEnded();
}

void frmMain::StopWorker() {
    if (!m_worker.joinable()) return;
    m_stopRequested = true;
    {
        const std::lock_guard lock(m_askMutex);
        m_abandoned = true;
    }
    m_askAnswered.notify_all();
    m_worker.join();
}

void frmMain::cmdExit_Click() {
    if (close()) QCoreApplication::quit();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui.lblCopy && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_ui.lblCopy->rect().contains(mouse->position().toPoint())) {
            ShowInfo();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::AddTrayIcon() {
    // Without a notification area there is no icon, and nothing else changes.
    if (m_tray || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    QIcon icon = windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_DirIcon);
    m_tray = new QSystemTrayIcon(icon, this);
    m_tray->setToolTip(TrayTipText());
    connect(m_tray, &QSystemTrayIcon::activated, this, &frmMain::TrayActivated);
    m_tray->show();
}

void frmMain::RemoveTrayIcon() {
    if (!m_tray) return;
    m_tray->hide();
    delete m_tray;
    m_tray = nullptr;
}

void frmMain::TrayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Context) m_ui.mnuFile->popup(QCursor::pos());
}

// ---- The three exclusive options and the log switch ----

void frmMain::chkCopyOnlyNew_Click() { ExcludeOtherRunOptions(RunOption::OnlyNew); }
void frmMain::chkDelBeforeCopy_Click() { ExcludeOtherRunOptions(RunOption::DelOld); }
void frmMain::chkNewSubFolder_Click() { ExcludeOtherRunOptions(RunOption::NewSubFolder); }

void frmMain::ExcludeOtherRunOptions(RunOption which) {
    QCheckBox* const boxes[] = {m_ui.chkCopyOnlyNew, m_ui.chkDelBeforeCopy, m_ui.chkNewSubFolder};
    const auto box = [&boxes](RunOption option) { return boxes[static_cast<int>(option)]; };
    for (const RunOption other : kRunOptions) {
        if (other == which) continue;
        // Looked at again before each box: unticking one runs its handler, which may have
        // changed this box in turn.
        RunOptionStates now;
        for (const RunOption option : kRunOptions) now[option] = StateOf(box(option));
        const BoxState wanted = WithRunOption(now, which, now[which])[other];
        // Only the state: a box the rule unticks keeps its third state for the user's clicks.
        if (wanted != now[other]) box(other)->setCheckState(wanted == BoxState::Ticked ? Qt::Checked : Qt::Unchecked);
    }
}

void frmMain::chkLog_Click() { m_ui.txtLogSize->setEnabled(m_ui.chkLog->checkState() == Qt::Checked); }

// ---- Drive and directory lists ----

void frmMain::drvSource_Change() { FollowDrive(m_ui.drvSource, m_ui.dirSource); }
void frmMain::dirSource_Change() { FollowDirectory(m_ui.dirSource, m_ui.drvSource); }
void frmMain::drvTarget_Change() { FollowDrive(m_ui.drvTarget, m_ui.dirTarget); }
void frmMain::dirTarget_Change() { FollowDirectory(m_ui.dirTarget, m_ui.drvTarget); }

void frmMain::FollowDrive(DriveList* drive, DirList* dir) {
    // The directory list moved the drive list: it stays at its own path, not the drive's current folder.
    if (m_followingDirectory) return;
    // A volume that is not ready refuses the path; the directory list stays, without a message.
    dir->setPath(DriveCurrentFolder(drive->drive()));
}

void frmMain::FollowDirectory(DirList* dir, DriveList* drive) {
    const QString root = DriveOfPath(dir->path());
    if (drive->drive() == root) return;
    m_followingDirectory = true;
    drive->setDrive(root);
    m_followingDirectory = false;
}

