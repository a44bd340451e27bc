#pragma once

#include "engine/RunEvents.h"
#include "log/Logfile.h"
#include "log/RunLog.h"
#include "settings/Startup.h"
#include "settings/clsINI.h"
#include "ui/MainWindowLayout.h"
#include "ui/ProfileActions.h"

#include <QSystemTrayIcon>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class HelpBalloons;
class QTimer;
class RunInputGuard;
class ShutdownSignals;
class StatusListModel;

// The program's one working window. Every control carries its design name as its
// objectName; the window builds a run's request from its controls, listens to the run's
// events, shows the status lines and is the settings code's profile box. A run goes on a
// thread of its own: the window's thread only shows, at a fixed pace, what the run has told,
// and answers the run's questions.
class frmMain : public QWidget, public RunEvents, public ProfileBox {
    Q_OBJECT
public:
    // Every profile and option goes to `settings`; `logPath` empty: "tvl.log" in the program's data folder.
    explicit frmMain(const clsINI& settings, const QString& logPath = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    // Applies the profile `sptl`, or with an empty name the one the profile box shows.
    void LoadProfile(const QString& sptl);

    // The status list and log file of this window.
    Logfile& Log() { return m_log; }

    // The run the controls describe: the directory lists' paths and the run options.
    RunRequest Request() const;

    // RunEvents, told on the run's thread: the summary field, the progress bar, the hidden
    // counter, the "Halt!" box, the target list refreshed at the end, and the stop question.
    // The boxes show on the window's thread while the run waits for them.
    void Refused(const fileservice::Failure& refusal) override;
    void Started(const RunRequest& request) override;
    void Summary(const RunSummary& summary) override;
    // Asks before target entries are removed for good.
    bool ConfirmRemoval(std::int32_t files, std::int32_t folders) override;
    void Progress(std::int32_t count, int percent) override;
    void Ended(RunOutcome outcome, const RunCounts& counts) override;
    // Asks the stop question after an Escape; the run waits for the answer.
    void Breathe() override;
    // True after "Ja" to the stop question, a close or SIGTERM/SIGINT during the run.
    bool StopRequested() override;

    // The hidden counter of handled files, as the window shows it.
    QString CountText() const;

    // lstStatus: appends a status line (from any thread; a run's lines show at the window's
    // next tick); the chkLog switch, as it stood at the click during a run.
    void AddStatusLine(const QString& line);
    bool LoggingOn() const;

    // ProfileBox: cmbProfile; filling the list keeps the text the box shows.
    void ClearProfiles() override;
    void SetProfileText(const QString& text) override;
    void AddProfile(const QString& name) override;

    // True from the click of the run button until the run has ended.
    bool RunInProgress() const { return m_running; }

signals:
    // The run started with the run button has ended and the window shows its end.
    void RunEnded();

public slots:
    // What the tray icon does on a click: the menu on a right-button press, nothing else.
    void TrayActivated(QSystemTrayIcon::ActivationReason reason);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectEvents();

    void Form_Load();
    void Form_Resize();
    void Form_QueryUnload();
    // SIGTERM or SIGINT: stops a run and closes with the close step.
    void ShutdownRequested();
    void AskToStop();
    void AddTrayIcon();
    void RemoveTrayIcon();

    // The help balloons and the about window.
    void SetUpHelpBalloons();
    void DestroyHelpBalloons();
    void ShowInfo();

    // Brings what the user sees up to date at the window's tick or before a box shows: the
    // count field, the status lines kept since then as one insertion with the last one
    // selected, and the list scrolled to it.
    void ShowRunState();
    // Makes the kept status lines rows of the list and selects the last; false when none was kept.
    bool PublishStatusLines();
    // Publishes the kept status lines and scrolls to the last once per batch of lines.
    void FlushStatusScroll();
    // The run's thread has returned: the window shows the run's end and takes input again.
    void RunFinished();
    // From the run's thread: runs `ask` on the window's thread and waits for its answer;
    // `fallback` when the window goes away first.
    bool AskWindow(std::function<bool()> ask, bool fallback);
    // Stops a run that is still going and waits for its thread (the window is going away).
    void StopWorker();

    void cmdRun_Clicked();
    void cmdExit_Click();
    void chkCopyOnlyNew_Click();
    void chkDelBeforeCopy_Click();
    void chkNewSubFolder_Click();
    // Ticking one of the three run options unticks the other two, one box at a time.
    void ExcludeOtherRunOptions(RunOption which);
    void chkLog_Click();
    void drvSource_Change();
    void dirSource_Change();
    void drvTarget_Change();
    void dirTarget_Change();
    void FollowDrive(DriveList* drive, DirList* dir);
    void FollowDirectory(DirList* dir, DriveList* drive);

    clsINI m_settings;  // the settings file the program was started with
    Logfile m_log;
    RunLog m_runLog{m_log};
    StatusListModel* m_statusModel = nullptr;
    HelpBalloons* m_objToolTip = nullptr;  // the one help-balloon object of the window

    MainWindowControls m_ui;           // every control, built from the control table
    ProfileControls m_profileControls;  // the profile operations' view of them
    QSystemTrayIcon* m_tray = nullptr;
    RunInputGuard* m_inputGuard = nullptr;
    ShutdownSignals* m_shutdown = nullptr;

    bool m_loaded = false;
    bool m_unloaded = false;
    std::atomic<bool> m_running = false;
    bool m_closePending = false;
    std::atomic<bool> m_stopRequested = false;
    std::atomic<bool> m_escapePending = false;  // the run asks the stop question at its next breath
    std::atomic<bool> m_runLogging = false;     // chkLog at the click
    std::atomic<bool> m_runEnded = false;       // the run told its end (it was not refused)
    std::atomic<bool> m_lineShownThisRun = false;  // the run's first line shows at once, not at the tick
    bool m_followingDirectory = false;
    bool m_statusScrollPending = false;
    // During a run the count and the bar's value live here and reach the hidden txtCount and
    // pb1 at the window's tick.
    std::atomic<std::int32_t> m_count = 0;
    std::atomic<int> m_percent = 0;
    std::atomic<bool> m_countPending = false;
    RunMode m_runMode = RunMode::CopyAll;  // the run's thread's
    QTimer* m_showTimer = nullptr;  // shows the run's state while it goes
    std::thread m_worker;
    // A question of the run's thread to the window's: its answer, or the window going away.
    std::mutex m_askMutex;
    std::condition_variable m_askAnswered;
    std::optional<bool> m_answer;
    bool m_abandoned = false;
};
