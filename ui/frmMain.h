#pragma once

#include "engine/Messages.h"
#include "engine/RunControls.h"
#include "log/Logfile.h"
#include "settings/Startup.h"
#include "settings/clsINI.h"
#include "ui/MainWindowLayout.h"
#include "ui/ProfileActions.h"

#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QWidget>

class HelpBalloons;
class RunInputGuard;
class ShutdownSignals;
class StatusListModel;

// The program's one working window. Every control carries its design name as its
// objectName; the window is the engine's view of the run controls, the log's status
// list and the settings code's profile box.
class frmMain : public QWidget, public RunControls, public ReportingStatusList, public ProfileBox {
    Q_OBJECT
public:
    // Every profile and option goes to `settings`; `logPath` empty: "tvl.log" in the program's data folder.
    explicit frmMain(const clsINI& settings, const QString& logPath = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    // Applies the profile `sptl`, or with an empty name the one the profile box shows.
    void LoadProfile(const QString& sptl);

    // The status list and log file of this window.
    Logfile& Log() { return m_log; }

    // RunControls: the run's view of the directory lists, options and progress controls.
    QString SourcePath() const override;
    QString TargetPath() const override;
    bool CopyOnlyNew() const override;
    bool DelBeforeCopy() const override;
    bool NewSubFolder() const override;
    QString CountText() const override;
    void SetCountText(const QString& text) override;
    void SetFilesText(const QString& text) override;
    void SetFilesVisible(bool visible) override;
    void SetProgressVisible(bool visible) override;
    int ProgressValue() const override;
    void SetProgressValue(int value) override;
    void RefreshTarget() override;
    MessageResult ShowMessage(const QString& title, const QString& text, MessageIcon icon,
                              MessageButtons buttons) override;
    // Also asks the stop question after an Escape.
    void KeepPainting() override;
    // True after "Ja" to the stop question, a close or SIGTERM/SIGINT during the run.
    bool StopRequested() override;

    // StatusList: lstStatus and the chkLog switch.
    void AddStatusLine(const QString& line) override;
    bool LoggingOn() const override;

    // ProfileBox: cmbProfile; filling the list keeps the text the box shows.
    void ClearProfiles() override;
    void SetProfileText(const QString& text) override;
    void AddProfile(const QString& name) override;

    // True from the click of the run button until the run has ended.
    bool RunInProgress() const { return m_running; }

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

    // Brings what the user sees up to date before the window paints or a box shows: the log's
    // collected lines, the count field, the status lines kept since the last paint as one
    // insertion with the last one selected, and the list scrolled to it.
    void ShowRunState();
    // Makes the kept status lines rows of the list and selects the last.
    void PublishStatusLines();
    // Publishes the kept status lines and scrolls to the last once per batch of lines.
    void FlushStatusScroll();

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
    StatusListModel* m_statusModel = nullptr;
    HelpBalloons* m_objToolTip = nullptr;  // the one help-balloon object of the window

    MainWindowControls m_ui;           // every control, built from the control table
    ProfileControls m_profileControls;  // the profile operations' view of them
    QSystemTrayIcon* m_tray = nullptr;
    RunInputGuard* m_inputGuard = nullptr;
    ShutdownSignals* m_shutdown = nullptr;

    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_running = false;
    bool m_closePending = false;
    bool m_stopRequested = false;
    bool m_followingDirectory = false;
    bool m_statusScrollPending = false;
    // During a run the count lives here and reaches the hidden txtCount when the window paints.
    QString m_countText;
    bool m_countPending = false;
    bool m_lineShownThisRun = false;  // the run's first line paints at the next pause
    QElapsedTimer m_paintTimer;
};
