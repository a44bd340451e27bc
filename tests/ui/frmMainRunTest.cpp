// A mirror run started with the window's run button.
#include "MainWindowFixture.h"

#include "ui/DirList.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

namespace {

class MainWindowRun : public MainWindowFixture, public ::testing::Test {
protected:
    QStringList StatusLines(frmMain& window) {
        QStringList lines;
        const QAbstractItemModel* model = Control<QListView>(window, "lstStatus")->model();
        for (int row = 0; row < model->rowCount(); ++row) lines << model->index(row, 0).data().toString();
        return lines;
    }

    void PointAt(frmMain& window, const std::string& source, const std::string& target) {
        ASSERT_TRUE(Control<DirList>(window, "dirSource")->setPath(QString::fromStdString(source)));
        ASSERT_TRUE(Control<DirList>(window, "dirTarget")->setPath(QString::fromStdString(target)));
    }

    void ClickRun(frmMain& window) { RunAndWait(window); }

    // Runs `act` on the next message box that shows, from the event loop the run is waited in.
    void WhenABoxShows(frmMain& window, std::function<void(QMessageBox*)> act) {
        m_boxWatch = [this, &window, act] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) return act(box);
            }
            QTimer::singleShot(10, &window, m_boxWatch);
        };
        QTimer::singleShot(0, &window, m_boxWatch);
    }
    static QString Shown(const QMessageBox* box) {
        return box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') +
               ButtonTexts(box).join(QLatin1Char(','));
    }

    std::function<void()> m_boxWatch;
};

TEST_F(MainWindowRun, RunButtonMirrorsTheSourceAndReportsInTheStatusList) {
    m_tree.WriteFile("src/a.txt", "alpha");
    m_tree.WriteFile("src/sub/b.txt", "beta");
    m_tree.MakeDir("dst");
    auto window = OpenWindow();
    PointAt(*window, m_tree.Path("src"), m_tree.Path("dst"));
    // Copy every file: the plain mode without the only-newer comparison.
    QTest::mouseClick(Control<QCheckBox>(*window, "chkCopyOnlyNew"), Qt::LeftButton);
    ASSERT_EQ(window->Request().mode, RunMode::CopyAll);

    ClickRun(*window);

    EXPECT_FALSE(window->RunInProgress());
    EXPECT_EQ(m_tree.ReadFile("dst/a.txt"), "alpha");
    EXPECT_EQ(m_tree.ReadFile("dst/sub/b.txt"), "beta");
    const QStringList lines = StatusLines(*window);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.filter(QStringLiteral("a.txt kopiert!")).size(), 1) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("b.txt kopiert!")).size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral(" - Abgleich ausgeführt!"))) << lines.last().toStdString();
    EXPECT_EQ(Control<QListView>(*window, "lstStatus")->currentIndex().row(), lines.size() - 1);
    // The refreshed target list shows the new subfolder.
    EXPECT_FALSE(Control<DirList>(*window, "dirTarget")->findItems(QStringLiteral("sub"), Qt::MatchExactly).isEmpty());
}

// What the list and the count field showed at one paint of the list during a run.
struct PaintSeen {
    int rows = 0;
    int currentRow = -1;
    int selectedRow = -1;
    int selectedCount = 0;
    int copiedLines = 0;
    QString count;
};

// Records, at every paint of the status list, the lines it has, the selection and the count.
class PaintWatch : public QObject {
public:
    PaintWatch(QListView* list, QLineEdit* count) : m_list(list), m_count(count) {
        list->viewport()->installEventFilter(this);
    }
    std::vector<PaintSeen> seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        PaintSeen now;
        const QAbstractItemModel* model = m_list->model();
        now.rows = model->rowCount();
        now.currentRow = m_list->currentIndex().row();
        const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
        now.selectedCount = static_cast<int>(selected.size());
        if (!selected.isEmpty()) now.selectedRow = selected.first().row();
        for (int row = 0; row < now.rows; ++row)
            if (model->index(row, 0).data().toString().endsWith(QStringLiteral(" kopiert!"))) ++now.copiedLines;
        now.count = m_count->text();
        seen.push_back(now);
        return false;
    }

private:
    QListView* m_list;
    QLineEdit* m_count;
};

// A run of many files: at every paint the list ends with its newest line selected and the
// count field never counts a copy line the list does not show yet (the run goes on while the
// window shows it); after the run the list shows every line in the order of the log, the last
// one selected, and the count of every file.
TEST_F(MainWindowRun, ManyFilesShowEveryLineInOrderWithTheLastSelectedAtEveryPaint) {
    constexpr int kFiles = 400;
    for (int i = 0; i < kFiles; ++i) m_tree.WriteFile("src/d" + std::to_string(i / 50) + "/f" + std::to_string(i), "x");
    m_tree.MakeDir("dst");
    auto window = OpenWindow();
    PointAt(*window, m_tree.Path("src"), m_tree.Path("dst"));
    Control<QCheckBox>(*window, "chkCopyOnlyNew")->setChecked(false);
    Control<QCheckBox>(*window, "chkLog")->setChecked(true);
    auto* list = Control<QListView>(*window, "lstStatus");
    auto* count = Control<QLineEdit>(*window, "txtCount");
    const QStringList before = StatusLines(*window);
    PaintWatch watch(list, count);

    ClickRun(*window);
    QCoreApplication::processEvents();  // the paint after the run

    const QStringList lines = StatusLines(*window);
    ASSERT_EQ(lines.mid(0, before.size()), before);
    const QStringList run = lines.mid(before.size());
    ASSERT_EQ(run.filter(QStringLiteral(" kopiert!")).size(), kFiles) << run.join('\n').toStdString();
    EXPECT_TRUE(run.last().endsWith(QStringLiteral(" - Abgleich ausgeführt!")));
    EXPECT_EQ(list->currentIndex().row(), lines.size() - 1);
    ASSERT_EQ(list->selectionModel()->selectedIndexes().size(), 1);
    EXPECT_EQ(list->selectionModel()->selectedIndexes().first().row(), lines.size() - 1);
    EXPECT_EQ(count->text(), QString::number(kFiles));
    EXPECT_EQ(window->CountText(), QString::number(kFiles));

    // The log has the run's status lines in the same order as the list.
    QStringList logged;
    const std::string log = m_tree.ReadFile("tvl.log");
    for (std::size_t at = 0; at < log.size();) {
        const std::size_t end = log.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "an unterminated line in the log";
        logged << QString::fromUtf8(log.substr(at + 11, end - at - 11));  // after "dd.mm.yy - "
        at = end + 2;
    }
    QStringList loggedStatus;
    for (const QString& line : logged)
        if (!line.contains(QStringLiteral(" im Quellverzeichnis"))) loggedStatus << line;
    ASSERT_GE(loggedStatus.size(), run.size());
    EXPECT_EQ(loggedStatus.mid(loggedStatus.size() - run.size()), run);

    ASSERT_FALSE(watch.seen.empty());
    for (const PaintSeen& paint : watch.seen) {
        if (paint.rows == before.size()) continue;  // a paint before the run's first line
        EXPECT_EQ(paint.currentRow, paint.rows - 1);
        EXPECT_EQ(paint.selectedCount, 1);
        EXPECT_EQ(paint.selectedRow, paint.rows - 1);
        EXPECT_LE(paint.count.toInt(), paint.copiedLines);
    }
    const PaintSeen& last = watch.seen.back();
    EXPECT_EQ(last.rows, lines.size());
    EXPECT_EQ(last.count, QString::number(kFiles));
}

// Outside a run a status line is a row of the list at once, selected.
TEST_F(MainWindowRun, ALineOutsideARunShowsAtOnce) {
    auto window = OpenWindow();
    const int rows = StatusLines(*window).size();
    window->AddStatusLine(QStringLiteral("12:00:00 - eine Zeile"));
    const QStringList lines = StatusLines(*window);
    ASSERT_EQ(lines.size(), rows + 1);
    EXPECT_EQ(lines.last(), QStringLiteral("12:00:00 - eine Zeile"));
    EXPECT_EQ(Control<QListView>(*window, "lstStatus")->currentIndex().row(), rows);
    window->Progress(7, 0);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtCount")->text(), QStringLiteral("7"));
    EXPECT_EQ(window->CountText(), QStringLiteral("7"));
}

TEST_F(MainWindowRun, CloseDuringARunIsCarriedOutWhenItEnds) {
    m_tree.WriteFile("src/a.txt", "alpha");
    auto window = OpenWindow();
    // The program directory as target: the run waits at its "Halt!" message, while the window
    // is closed.
    PointAt(*window, m_tree.Path("src"), QCoreApplication::applicationDirPath().toStdString());
    bool closedDuringRun = true;
    QString message;
    WhenABoxShows(*window, [&](QMessageBox* box) {
        window->close();
        closedDuringRun = !window->isVisible();
        message = Shown(box);
        box->accept();
    });

    ClickRun(*window);

    EXPECT_EQ(message, QStringLiteral("Halt!|Das Programmverzeichnis darf nicht das Zielverzeichnis sein!|OK"));
    EXPECT_FALSE(closedDuringRun);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadIni("Optionen", "logsize"), QStringLiteral("50"));
}

// The modes and their reports through the real window; the engine's own tests cover the details.
class MainWindowModes : public MainWindowRun {
protected:
    void SetUp() override {
        qputenv("XDG_DATA_HOME", m_tree.Path("xdg").c_str());
        m_tree.WriteFile("src/a.txt", "new A");
        m_tree.WriteFile("src/sub/b.txt", "B");
        m_tree.WriteFile("dst/a.txt", "old A");
        m_tree.WriteFile("dst/only-in-target.txt", "T");
        window = OpenWindow();
        PointAt(*window, m_tree.Path("src"), m_tree.Path("dst"));
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }
    void Tick(const char* name) { Control<QCheckBox>(*window, name)->setChecked(true); }

    std::unique_ptr<frmMain> window;
};

TEST_F(MainWindowModes, OnlyNewerShowsCountAndSummaryAndHidesTheBar) {
    SetMTime(m_tree.Path("dst/a.txt"), TimeAt(2020, 1, 1));
    SetMTime(m_tree.Path("src/a.txt"), TimeAt(2024, 1, 1));
    Tick("chkCopyOnlyNew");
    ClickRun(*window);
    EXPECT_EQ(m_tree.ReadFile("dst/a.txt"), "new A");
    EXPECT_EQ(Control<QLineEdit>(*window, "txtCount")->text(), "2");
    EXPECT_EQ(Control<QLineEdit>(*window, "txtFiles")->text(), "2 Dateien mit insg. 6 Bytes im Quellverzeichnis");
    EXPECT_TRUE(Control(*window, "pb1")->isHidden());
    EXPECT_FALSE(Control(*window, "txtFiles")->isHidden());
    EXPECT_TRUE(StatusLines(*window).last().endsWith(" - Abgleich ausgeführt!"));
}

TEST_F(MainWindowModes, EmptyFirstSendsTheOldTargetToTheTrash) {
    Tick("chkDelBeforeCopy");
    ClickRun(*window);
    EXPECT_EQ(m_tree.ListFiles("dst"), (std::vector<std::string>{"a.txt", "sub/b.txt"}));
#ifdef _WIN32
    // Into the recycle bin, where the file service's own tests look for it; a move that failed
    // would have stopped the run with its failure line.
    EXPECT_TRUE(StatusLines(*window).last().endsWith(QString::fromUtf8(" - Abgleich ausgeführt!")))
        << StatusLines(*window).join('\n').toStdString();
#else
    EXPECT_EQ(m_tree.ReadFile("xdg/Trash/files/dst/only-in-target.txt"), "T");
    EXPECT_TRUE(m_tree.Exists("xdg/Trash/info/dst.trashinfo"));
#endif
}

TEST_F(MainWindowModes, SubfolderModeCopiesTheSourceUnderItsName) {
    Tick("chkNewSubFolder");
    ClickRun(*window);
    EXPECT_EQ(m_tree.ReadFile("dst/src/sub/b.txt"), "B");
    EXPECT_EQ(m_tree.ReadFile("dst/a.txt"), "old A");
    EXPECT_TRUE(StatusLines(*window).last().endsWith(" - Quelle als Unterordner ins Ziel kopiert!"));
}

TEST_F(MainWindowModes, AFailedFolderIsReportedAndTheRunEndsWithTheFailureLine) {
    m_tree.WriteFile("dst/sub", "a file where a folder must go");
    Control<QCheckBox>(*window, "chkCopyOnlyNew")->setChecked(false);
    ClickRun(*window);
    const QStringList lines = StatusLines(*window);
    EXPECT_EQ(m_tree.ReadFile("dst/a.txt"), "new A");
    // Paths in the lines as the system writes them: with backslashes on Windows.
    EXPECT_EQ(lines.filter(QDir::toNativeSeparators("/dst/sub") + " konnte nicht angelegt werden: ").size(), 1)
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter(" - " + QDir::toNativeSeparators("sub/b.txt") + " konnte nicht kopiert werden: ").size(), 1);
    EXPECT_TRUE(lines.last().endsWith(" - Abgleich mit 2 Fehlern ausgeführt!")) << lines.last().toStdString();
}

TEST_F(MainWindowModes, SameFolderIsRefusedWithAPlainHaltBox) {
    PointAt(*window, m_tree.Path("src"), m_tree.Path("src"));
    const int linesBefore = StatusLines(*window).size();
    QString message;
    QMessageBox::Icon icon = QMessageBox::Information;
    WhenABoxShows(*window, [&](QMessageBox* box) {
        message = Shown(box);
        icon = box->icon();
        box->accept();
    });
    ClickRun(*window);
    EXPECT_EQ(message, QString::fromUtf8("Halt!|Quell- und Zielverzeichnis dürfen nicht gleich sein!|OK"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(StatusLines(*window).size(), linesBefore);
    EXPECT_EQ(m_tree.ReadFile("dst/a.txt"), "old A");
}

// Removing for good asks once, with the numbers; "Nein" keeps every extra and the copies go on.
class RemovalQuestion : public MainWindowModes, public ::testing::WithParamInterface<bool> {};

TEST_P(RemovalQuestion, AsksOnceAndRemovesOnlyOnJa) {
    const bool ja = GetParam();
    m_tree.WriteFile("dst/old/x.txt", "X");
    Control<QCheckBox>(*window, "chkCopyOnlyNew")->setChecked(false);
    Tick("chkDelIfNotExist");
    ASSERT_TRUE(Control(*window, "chkTrash")->isEnabled());
    Control<QCheckBox>(*window, "chkTrash")->setChecked(false);
    QStringList asked;
    WhenABoxShows(*window, [&](QMessageBox* box) {
        asked << Shown(box);
        // The run waits for the answer: nothing is copied yet.
        EXPECT_TRUE(window->RunInProgress());
        EXPECT_FALSE(m_tree.Exists("dst/sub/b.txt"));
        box->button(ja ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    ClickRun(*window);
    EXPECT_EQ(asked, QStringList{QString::fromUtf8("Löschen?|Im Ziel sind 1 Dateien und 1 Ordner, die es in der "
                                                   "Quelle nicht gibt. Sie werden endgültig gelöscht. Fortfahren?|"
                                                   "&Ja,&Nein")});
    EXPECT_EQ(m_tree.Exists("dst/only-in-target.txt"), !ja);
    EXPECT_EQ(m_tree.Exists("dst/old/x.txt"), !ja);
    EXPECT_EQ(m_tree.ReadFile("dst/a.txt"), "new A");
    Control<QCheckBox>(*window, "chkDelIfNotExist")->setChecked(false);
    EXPECT_FALSE(Control(*window, "chkTrash")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Answers, RemovalQuestion, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Ja" : "Nein"); });

}  // namespace
