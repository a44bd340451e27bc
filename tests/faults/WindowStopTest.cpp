// Stopping a run in the window: Escape and the stop question, closing the window, and
// SIGTERM/SIGINT, each in the middle of a run whose copies a test hook slows down. A stopped
// run leaves every target file complete or absent, no temporary, and its abort line last.

#include "WindowFixture.h"

#include "fileservice/FileServiceTesting.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

namespace {

// Enough files that the copy queues cannot take them all before the first round of events.
constexpr int kFiles = 600;

std::string Rel(int i) { return "d" + std::to_string(i / 100) + "/f" + std::to_string(i) + ".txt"; }

class WindowStop : public WindowFixture {
protected:
    WindowStop() {
        for (int i = 0; i < kFiles; ++i) m_tree.WriteFile("src/" + Rel(i), Pattern(300, i));
        m_tree.MakeDir("dst");
    }
    void SetUp() override {
        SetAfterCopyDataHook([](const char*) { std::this_thread::sleep_for(std::chrono::milliseconds(4)); });
        window = Open();
        PrepareRun(*window);
        Control<QCheckBox>(*window, "chkLog")->setCheckState(Qt::Checked);
        Control<QLineEdit>(*window, "txtLogSize")->setText(QStringLiteral("1"));
    }
    void TearDown() override { SetAfterCopyDataHook(nullptr); }

    // Runs `action` from the window's event loop once the run has counted its first files
    // (the count field shows the count when the window paints).
    void WhenTheRunHasStarted(std::function<void()> action) {
        auto* count = Control<QLineEdit>(*window, "txtCount");
        auto done = std::make_shared<bool>(false);
        QObject::connect(count, &QLineEdit::textChanged, window.get(), [this, done, action](const QString& text) {
            if (*done || text.toInt() < 1 || !window->RunInProgress()) return;
            *done = true;
            QTimer::singleShot(0, window.get(), [this, action] {
                ASSERT_TRUE(window->RunInProgress());
                action();
            });
        });
    }

    // Answers the stop question with `answer` when it shows, and keeps what it showed.
    void AnswerStopQuestion(QMessageBox::StandardButton answer) {
        QObject::connect(&m_answerTimer, &QTimer::timeout, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->objectName() != QStringLiteral("msgStop")) return;
            m_answerTimer.stop();
            m_question = box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') +
                         ButtonTexts(box).join(QLatin1Char(',')) +
                         (box->icon() == QMessageBox::Question ? QStringLiteral("|?") : QString());
            QTest::mouseClick(box->button(answer), Qt::LeftButton);
        });
        m_answerTimer.start(5);
    }

    // The abort line is last and says how many of the files are in the target, each whole.
    void ExpectStoppedMidRun() {
        const QStringList messages = StatusMessages(*window);
        const QRegularExpressionMatch line =
            QRegularExpression(QStringLiteral("^ - Abgleich abgebrochen! (\\d+) von (\\d+) Dateien kopiert\\.$"))
                .match(messages.last());
        ASSERT_TRUE(line.hasMatch()) << messages.last().toStdString();
        const int copied = line.captured(1).toInt();
        EXPECT_EQ(line.captured(2).toInt(), kFiles);
        EXPECT_LT(copied, kFiles);
        EXPECT_EQ(static_cast<int>(EntriesBelow(m_tree.Root() / "dst").size()), copied);
        for (int i = 0; i < kFiles; ++i) {
            if (m_tree.Exists("dst/" + Rel(i))) {
                EXPECT_EQ(m_tree.ReadFile("dst/" + Rel(i)), Pattern(300, i)) << Rel(i);
            }
        }
        EXPECT_TRUE(TemporariesBelow(m_tree.Root() / "dst").empty());
        EXPECT_TRUE(Control(*window, "pb1")->isHidden());
        EXPECT_FALSE(Control(*window, "txtFiles")->isHidden());
    }

    void ExpectCompleted() {
        EXPECT_EQ(StatusMessages(*window).last(), QStringLiteral(" - Abgleich ausgeführt!"));
        EXPECT_EQ(static_cast<int>(EntriesBelow(m_tree.Root() / "dst").size()), kFiles);
    }

    std::unique_ptr<frmMain> window;
    QTimer m_answerTimer;
    QString m_question;
};

const QString kQuestion = QStringLiteral("Abbruch?|Soll der Abgleich abgebrochen werden?|&Ja,&Nein|?");

// What happens once the run has counted its first file, and how the run and the window end.
struct StopCase {
    const char* name;
    std::function<void(frmMain&)> action;
    int answer;  // to the stop question; 0: the question must not come
    bool stopped, closed;
};

void PrintTo(const StopCase& row, std::ostream* out) { *out << row.name; }

class WindowStopWays : public WindowStop, public ::testing::WithParamInterface<StopCase> {};

TEST_P(WindowStopWays, StopsOnlyWhenAskedAndClosesWithTheCloseStep) {
    const StopCase& c = GetParam();
    WhenTheRunHasStarted([&] { c.action(*window); });
    AnswerStopQuestion(c.answer ? QMessageBox::StandardButton(c.answer) : QMessageBox::Yes);
    RunAndWait(*window);

    EXPECT_EQ(m_question, c.answer ? kQuestion : QString());
    if (c.stopped) ExpectStoppedMidRun();
    else ExpectCompleted();
    // Input during the run reached no control.
    EXPECT_EQ(Control<QCheckBox>(*window, "chkDelBeforeCopy")->checkState(), Qt::Unchecked);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtLogSize")->text(), QStringLiteral("1"));
    EXPECT_EQ(window->isVisible(), !c.closed);
    if (c.closed) {
        // The close step trimmed the log to its 1 KB, ending with the abort line, and wrote the options.
        EXPECT_LE(m_tree.ReadFile("tvl.log").size(), 1024u);
        EXPECT_NE(m_tree.ReadFile("tvl.log").find("Abgleich abgebrochen!"), std::string::npos);
        EXPECT_EQ(ReadIni("Optionen", "logsize"), QStringLiteral("1"));
    } else {
        SetAfterCopyDataHook(nullptr);
        RunAndWait(*window);
        ExpectCompleted();
    }
}

void PressEscape(frmMain& window) { QTest::keyClick(&window, Qt::Key_Escape); }

INSTANTIATE_TEST_SUITE_P(
    Ways, WindowStopWays,
    ::testing::Values(
        StopCase{"EscapeJa", PressEscape, QMessageBox::Yes, true, false},
        StopCase{"EscapeNein", PressEscape, QMessageBox::No, false, false},
        StopCase{"ClicksAndKeys",
                 [](frmMain& window) {
                     QTest::mouseClick(window.findChild<QCheckBox*>("chkDelBeforeCopy"), Qt::LeftButton);
                     QTest::mouseClick(window.findChild<QPushButton*>("cmdExit"), Qt::LeftButton);
                     QTest::keyClicks(window.findChild<QLineEdit*>("txtLogSize"), QStringLiteral("7"));
                     QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
                 },
                 0, false, false},
        StopCase{"CloseBox",
                 [](frmMain& window) {
                     QCloseEvent close;
                     QCoreApplication::sendEvent(window.windowHandle(), &close);
                 },
                 0, true, true},
        StopCase{"TrayMenuBeenden", [](frmMain& window) { window.findChild<QAction*>("mnuExit")->trigger(); }, 0,
                 true, true},
        StopCase{"Sigterm", [](frmMain&) { std::raise(SIGTERM); }, 0, true, true},
        StopCase{"Sigint", [](frmMain&) { std::raise(SIGINT); }, 0, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The window's thread is free while the run goes: it shows copy lines before the run has ended.
TEST_F(WindowStop, TheWindowShowsTheRunWhileItGoes) {
    QStringList copiedDuringRun;
    WhenTheRunHasStarted([&] { copiedDuringRun = StatusMessages(*window).filter(QStringLiteral(" kopiert!")); });
    RunAndWait(*window);
    EXPECT_FALSE(copiedDuringRun.isEmpty());
    EXPECT_LT(copiedDuringRun.size(), kFiles);
    ExpectCompleted();
}

TEST_F(WindowStop, SigtermWithoutARunClosesWithTheCloseStep) {
    std::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }));
    EXPECT_EQ(ReadIni("Optionen", "logsize"), QStringLiteral("1"));
}

}  // namespace
