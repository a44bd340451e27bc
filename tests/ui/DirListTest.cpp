// The directory and drive lists, alone and as the main window pairs them.
#include "MainWindowFixture.h"

#include "ui/DirList.h"
#include "ui/DriveList.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

namespace {

QString Q(const std::string& path) { return QString::fromStdString(path); }

// A folder as the directory list gives it: with backslashes on Windows, where a test path's
// "a/b" would keep its slash.
QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

// A mount point as the system's volume list names it: "/" separators on Windows too.
QString Mount(const std::string& path) { return QDir::fromNativeSeparators(Q(path)); }

// The volume that holds `path` when no other does: "/" here, its drive ("C:/") on Windows.
QString TopVolume([[maybe_unused]] const QString& path) {
#ifdef _WIN32
    return path.left(3);
#else
    return QStringLiteral("/");
#endif
}

QStringList ItemTexts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
    return texts;
}

// Pretends the temporary folder is a volume of its own, so that its chain starts there.
class DirListTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString root = Mount(m_tree.Path());
        const QString top = TopVolume(root);
        SetVolumeSource([root, top] { return QList<Volume>{{top, QString(), true}, {root, QString(), true}}; });
    }
    void TearDown() override { SetVolumeSource({}); }

    TempTree m_tree;
};

TEST_F(DirListTest, ShowsTheChainThenTheVisibleSubfolders) {
    m_tree.MakeDir("a/zeta");
    m_tree.MakeDir("a/Beta");
    m_tree.MakeDir("a/.hidden");
    m_tree.WriteFile("a/file.txt", "x");
    DirList list;
    ASSERT_TRUE(list.setPath(Q(m_tree.Path("a"))));
    EXPECT_EQ(list.path(), Q(m_tree.Path("a")));
    EXPECT_EQ(ItemTexts(list), (QStringList{Q(m_tree.Path()), "a", "Beta", "zeta"}));
    EXPECT_EQ(list.currentRow(), 1);
}

TEST_F(DirListTest, RefusesAMissingPathOrAFileAndKeepsItsOwn) {
    m_tree.MakeDir("here");
    m_tree.WriteFile("file.txt", "x");
    DirList list;
    ASSERT_TRUE(list.setPath(Q(m_tree.Path("here"))));
    QSignalSpy changes(&list, &DirList::pathChanged);
    EXPECT_FALSE(list.setPath(Q(m_tree.Path("missing"))));
    EXPECT_FALSE(list.setPath(Q(m_tree.Path("file.txt"))));
    EXPECT_FALSE(list.setPath(QString()));
    EXPECT_EQ(list.path(), Q(m_tree.Path("here")));
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(DirListTest, DoubleClickAndEnterOpenAFolder) {
    m_tree.MakeDir("a/b");
    DirList list;
    ASSERT_TRUE(list.setPath(Q(m_tree.Path("a"))));
    QSignalSpy changes(&list, &DirList::pathChanged);

    QListWidgetItem* sub = list.findItems(QStringLiteral("b"), Qt::MatchExactly).value(0);
    ASSERT_NE(sub, nullptr);
    list.show();
    // A real double click arrives as a click followed by the double-click event.
    const QPoint at = list.visualItemRect(sub).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(list.path(), Q(m_tree.Path("a")));  // a single click only selects
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(list.path(), Shown(Q(m_tree.Path("a/b"))));

    list.setCurrentRow(0);  // the volume root at the head of the chain
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.path(), Q(m_tree.Path()));
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(1).at(0).toString(), Q(m_tree.Path()));
}

TEST_F(DirListTest, RefreshMovesUpWhenTheFolderHasGone) {
    m_tree.MakeDir("a/b/c");
    DirList list;
    ASSERT_TRUE(list.setPath(Q(m_tree.Path("a/b/c"))));
    std::filesystem::remove_all(m_tree.Path("a/b"));
    list.refresh();
    EXPECT_EQ(list.path(), Q(m_tree.Path("a")));
}

TEST_F(DirListTest, DriveListOffersReadyVolumesRootFirst) {
    const QString root = Mount(m_tree.Path());
    const QString top = TopVolume(root);
    SetVolumeSource([root, top] {
        return QList<Volume>{{root + "/z", "Stick", true}, {root, QString(), true}, {top, QString(), true},
                             {root + "/cd", QString(), false}};
    });
    DriveList drives;
    ASSERT_EQ(drives.count(), 3);
    EXPECT_EQ(drives.itemData(0).toString(), top);
    EXPECT_EQ(drives.itemData(1).toString(), root);
    EXPECT_EQ(drives.itemText(2), Q(m_tree.Path("z")) + " [Stick]");
    EXPECT_FALSE(drives.setDrive(root + "/cd"));
    EXPECT_EQ(drives.drive(), top);

    EXPECT_EQ(DriveOfPath(root + "/z/deep/er"), root + "/z");
    EXPECT_EQ(DriveOfPath(Q(m_tree.Path("zz"))), root);
    EXPECT_EQ(DriveOfPath(top + "usr"), top);
}

#ifdef _WIN32
// Windows' volumes are its drive letters, written with a backslash, in any case.
TEST_F(DirListTest, DriveLettersOnWindows) {
    SetVolumeSource([] {
        return QList<Volume>{{"D:/", "Daten", true}, {"C:/", "System", true}, {"Z:/", QString(), true}};
    });
    DriveList drives;
    ASSERT_EQ(drives.count(), 3);
    EXPECT_EQ(drives.itemText(0), QStringLiteral("C:\\ [System]"));
    EXPECT_EQ(drives.itemData(1).toString(), QStringLiteral("D:/"));
    EXPECT_EQ(DriveOfPath(QStringLiteral("d:/Briefe/2026")), QStringLiteral("D:/"));
    EXPECT_EQ(DriveOfPath(QStringLiteral("E:/nicht/eingelegt")), QStringLiteral("E:/"));
    DirList list;
    ASSERT_TRUE(list.setPath(QStringLiteral("C:/")));
    EXPECT_EQ(ItemTexts(list).value(0), QStringLiteral("C:\\"));
}
#endif

// ---- The pairs on the main window ----

class DriveAndDirectory : public MainWindowFixture, public ::testing::Test {
protected:
    DriveAndDirectory() {
        m_tree.MakeDir("vol/deep/er");
        m_tree.MakeDir("gone");
        m_volume = Mount(m_tree.Path("vol"));
        m_gone = Mount(m_tree.Path("gone"));
        const QString volume = m_volume, gone = m_gone, top = m_top;
        SetVolumeSource([volume, gone, top] {
            return QList<Volume>{{top, QString(), true}, {volume, QString(), true}, {gone, QString(), true}};
        });
    }
    ~DriveAndDirectory() override { SetVolumeSource({}); }

    QString m_volume;
    QString m_gone;
    // The volume of the working directory: "/", or its drive ("Z:/" under Wine).
    const QString m_top = TopVolume(QDir::currentPath());
};

TEST_F(DriveAndDirectory, DriveListFollowsTheDirectoryWithoutMovingItBack) {
    auto window = OpenWindow();
    auto* drive = Control<DriveList>(*window, "drvSource");
    auto* dir = Control<DirList>(*window, "dirSource");
    drive->refresh();
    ASSERT_TRUE(dir->setPath(m_volume + "/deep/er"));
    EXPECT_EQ(drive->drive(), m_volume);
    EXPECT_EQ(dir->path(), Shown(m_volume + "/deep/er"));
    // The target pair is independent.
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), Shown(QDir::currentPath()));
}

TEST_F(DriveAndDirectory, ChoosingADriveMovesTheDirectoryToIt) {
    auto window = OpenWindow();
    auto* drive = Control<DriveList>(*window, "drvTarget");
    auto* dir = Control<DirList>(*window, "dirTarget");
    drive->refresh();
    drive->setCurrentIndex(drive->findData(m_volume));
    EXPECT_EQ(dir->path(), Shown(m_volume));
    drive->setCurrentIndex(drive->findData(m_top));
    EXPECT_EQ(dir->path(), Shown(QDir::currentPath()));
}

TEST_F(DriveAndDirectory, DriveThatIsNotReadyLeavesTheDirectorySilently) {
    auto window = OpenWindow();
    auto* drive = Control<DriveList>(*window, "drvSource");
    auto* dir = Control<DirList>(*window, "dirSource");
    drive->refresh();
    ASSERT_TRUE(dir->setPath(m_volume));
    std::filesystem::remove(m_tree.Path("gone"));
    drive->setCurrentIndex(drive->findData(m_gone));
    EXPECT_EQ(drive->drive(), m_gone);
    EXPECT_EQ(dir->path(), Shown(m_volume));
    EXPECT_FALSE(MessageBoxOpen());
}

}  // namespace
