// A mirror run started with the window's run button.
#include "test_mainwindow_fixture.h"

#include "ui/DirList.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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

    void ClickRun(frmMain& window) { QTest::mouseClick(Control<QPushButton>(window, "cmdRun"), Qt::LeftButton); }
};

TEST_F(MainWindowRun, RunButtonMirrorsTheSourceAndReportsInTheStatusList) {
    m_tree.WriteFile("src/a.txt", "alpha");
    m_tree.WriteFile("src/sub/b.txt", "beta");
    m_tree.MakeDir("dst");
    auto window = OpenWindow();
    PointAt(*window, m_tree.Path("src"), m_tree.Path("dst"));
    // Copy every file: the plain mode without the only-newer comparison.
    QTest::mouseClick(Control<QCheckBox>(*window, "chkCopyOnlyNew"), Qt::LeftButton);
    ASSERT_FALSE(window->CopyOnlyNew());

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

TEST_F(MainWindowRun, CloseDuringARunIsCarriedOutWhenItEnds) {
    m_tree.WriteFile("src/a.txt", "alpha");
    auto window = OpenWindow();
    // The program directory as target: the run stops at its "Halt!" message, whose
    // event loop delivers the close request while the run is still in progress.
    PointAt(*window, m_tree.Path("src"), QCoreApplication::applicationDirPath().toStdString());
    bool closedDuringRun = true;
    QTimer::singleShot(0, window.get(), [&] {
        window->close();
        closedDuringRun = !window->isVisible();
    });
    QString message;
    QTimer::singleShot(0, window.get(), [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
                message = box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        }
    });

    ClickRun(*window);

    EXPECT_EQ(message, QStringLiteral("Halt!|Das Programmverzeichnis darf nicht das Zielverzeichnis sein!"));
    EXPECT_FALSE(closedDuringRun);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadIni("Optionen", "logsize"), QStringLiteral("50"));
}

}  // namespace
