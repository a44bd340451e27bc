// A profile's whole life against a settings file on disk: create, load, save, delete,
// with every byte of the lines that belong to others kept.
#include "ProfileWindowFixture.h"

#include <QLineEdit>
#include <QTest>

namespace {

// Comments, blank lines, LF and CRLF endings, spacing around "=", a Windows-1252 byte
// and keys the program does not know: none of it may change.
const std::string kOriginal =
    "; Trevalon settings\r\n"
    "\r\n"
    "[Profiles]\r\n"
    "Standard=Standard\r\n"
    "Alt=Alt\n"
    "\r\n"
    "[Standard]\r\n"
    "dir_a=\r\n"
    "dir_b=\r\n"
    "Filter=\r\n"
    "onlynew=1\r\n"
    "delnot=0\r\n"
    "delold=0\r\n"
    "deltotrash=1\r\n"
    "newsubfolder=0\r\n"
    "[Alt]\n"
    "dir_a = /nirgends\n"
    "Ordner=M\xfcll\n"
    "[Optionen]\r\n"
    "writelog=0\r\n"
    "logsize=120\r\n";

// The original with the new profile's catalogue line and section added.
std::string WithProfile(const std::string& section) {
    std::string bytes = kOriginal;
    const std::string after = "Alt=Alt\n";
    bytes.insert(bytes.find(after) + after.size(), "ReiseFotos=Reise Fotos\r\n");
    return bytes + section;
}

class ProfileRoundTrip : public ProfileWindowFixture, public ::testing::Test {};

TEST_F(ProfileRoundTrip, CreateLoadSaveDeleteKeepsEveryOtherByte) {
    SetIniBytes(kOriginal);
    auto window = OpenProfileWindow();
    ASSERT_EQ(ListEntries(*window), (QStringList{"Standard", "Alt"}));

    // Create.
    ModalScript script;
    script.Then(QStringLiteral("frmNewProfile"), [](QWidget* dialog) {
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("txtName"));
        QTest::keyClicks(field, QStringLiteral("Reise Fotos"));
        QTest::keyClick(field, Qt::Key_Return);
    });
    QTest::mouseClick(Control<QPushButton>(*window, "cmdNewProfile"), Qt::LeftButton);
    ASSERT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(IniBytes(), WithProfile("[Reise Fotos]\r\ndir_a=\r\ndir_b=\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\n"
                                      "delold=0\r\ndeltotrash=1\r\nnewsubfolder=0\r\n"));
    ASSERT_EQ(ListEntries(*window), (QStringList{"Standard", "Alt", "Reise Fotos"}));

    // Load its defaults, then save the window's directories under it.
    Control<QCheckBox>(*window, "chkDelBeforeCopy")->setCheckState(Qt::Checked);
    ChooseFromList(*window, QStringLiteral("Reise Fotos"));
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [Reise Fotos] geladen!"));
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), Qt::Checked);
    EXPECT_EQ(State(*window, "chkDelBeforeCopy"), Qt::Unchecked);
    const QString source = Dir("Bilder");
    const QString target = Dir("Sicherung");
    Control<DirList>(*window, "dirSource")->setPath(source);
    Control<DirList>(*window, "dirTarget")->setPath(target);
    Control<QCheckBox>(*window, "chkDelIfNotExist")->setCheckState(Qt::Checked);
    Control<QLineEdit>(*window, "txtFilter")->setText(QStringLiteral("*.tmp; cache/"));
    QTest::mouseClick(Control<QPushButton>(*window, "cmdSaveProfile"), Qt::LeftButton);
    const std::string saved = WithProfile("[Reise Fotos]\r\ndir_a=" + source.toStdString() + "\r\ndir_b=" +
                                          target.toStdString() +
                                          "\r\nFilter=*.tmp; cache/\r\nonlynew=1\r\ndelnot=1\r\ndelold=0\r\n"
                                          "deltotrash=1\r\nnewsubfolder=0\r\n");
    EXPECT_EQ(IniBytes(), saved);

    // Away to another profile and back: the saved directories return.
    const QString elsewhere = Dir("anderswo");
    Control<DirList>(*window, "dirSource")->setPath(elsewhere);
    Control<DirList>(*window, "dirTarget")->setPath(elsewhere);
    ChooseFromList(*window, QStringLiteral("Standard"));
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), elsewhere);
    ChooseFromList(*window, QStringLiteral("Reise Fotos"));
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), source);
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), target);
    EXPECT_EQ(State(*window, "chkDelIfNotExist"), Qt::Checked);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtFilter")->text(), QStringLiteral("*.tmp; cache/"));
    EXPECT_EQ(IniBytes(), saved);

    // Delete: the file is the original again, byte for byte.
    script.Answer(QStringLiteral("msgDeleteProfile"), QMessageBox::Ok);
    QTest::mouseClick(Control<QPushButton>(*window, "cmdDelProfile"), Qt::LeftButton);
    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(IniBytes(), kOriginal);
    EXPECT_EQ(ListEntries(*window), (QStringList{"Standard", "Alt"}));
}

}  // namespace
