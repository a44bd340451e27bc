// Choosing, loading, saving and deleting profiles in the main window.
#include "ProfileWindowFixture.h"

#include "ui/DriveList.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

namespace {

class WorkProfileFixture : public ProfileWindowFixture {
protected:
    // A catalogue with "Standard" and "Work", and a section for each.
    void WriteWorkProfile() {
        m_source = Dir("src");
        m_target = Dir("dst");
        SetIniBytes("[Profiles]\r\nStandard=Standard\r\nWork=Work\r\n"
                    "[Standard]\r\ndir_a=\r\ndir_b=\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
                    "deltotrash=1\r\nnewsubfolder=0\r\n"
                    "[Work]\r\ndir_a=" + m_source.toStdString() + "\r\ndir_b=" + m_target.toStdString() +
                    "\r\nFilter=*.tmp\r\nonlynew=0\r\ndelnot=1\r\ndelold=1\r\ndeltotrash=1\r\nnewsubfolder=0\r\n"
                    "[Optionen]\r\nwritelog=1\r\nlogsize=50\r\n");
    }

    QString m_source;
    QString m_target;
};

class Profiles : public WorkProfileFixture, public ::testing::Test {};

// ---- Loading ----

TEST_F(Profiles, ChoosingAnEntryAppliesEveryValueThroughItsControl) {
    WriteWorkProfile();
    auto window = OpenProfileWindow();
    ASSERT_EQ(ListEntries(*window), (QStringList{"Standard", "Work"}));

    ChooseFromList(*window, QStringLiteral("Work"));

    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("Work"));
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), m_source);
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), m_target);
    // The drive lists followed their directory lists.
    EXPECT_EQ(Control<DriveList>(*window, "drvSource")->drive(), DriveOfPath(m_source));
    EXPECT_EQ(Control<DriveList>(*window, "drvTarget")->drive(), DriveOfPath(m_target));
    EXPECT_EQ(Control<QLineEdit>(*window, "txtFilter")->text(), QStringLiteral("*.tmp"));
    // delold came before onlynew=0 and stays; the disabled boxes show what was stored.
    EXPECT_EQ(State(*window, "chkDelBeforeCopy"), Qt::Checked);
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), Qt::Unchecked);
    EXPECT_EQ(State(*window, "chkNewSubFolder"), Qt::Unchecked);
    EXPECT_EQ(State(*window, "chkDelIfNotExist"), Qt::Checked);
    EXPECT_EQ(State(*window, "chkTrash"), Qt::Checked);
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [Work] geladen!"));
}

TEST_F(Profiles, ArrowKeyInTheClosedBoxChoosesAndLoads) {
    WriteWorkProfile();
    auto window = OpenProfileWindow();
    QComboBox* box = ProfileBoxOf(*window);
    box->setCurrentIndex(0);

    QTest::keyClick(box, Qt::Key_Down);

    EXPECT_EQ(box->currentText(), QStringLiteral("Work"));
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), m_source);
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [Work] geladen!"));
}

TEST_F(Profiles, TypingIntoTheBoxLoadsNothing) {
    WriteWorkProfile();
    auto window = OpenProfileWindow();
    const QString before = Control<DirList>(*window, "dirSource")->path();
    const int lines = static_cast<int>(StatusLines(*window).size());
    QComboBox* box = ProfileBoxOf(*window);
    box->lineEdit()->clear();

    QTest::keyClicks(box->lineEdit(), QStringLiteral("Work"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    // Leaving the field ends its editing too.
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box->lineEdit(), &leave);

    EXPECT_EQ(box->currentText(), QStringLiteral("Work"));
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), before);
    EXPECT_EQ(StatusLines(*window).size(), lines);
}

TEST_F(Profiles, GivenNameBecomesTheBoxText) {
    WriteWorkProfile();
    auto window = OpenProfileWindow();

    window->LoadProfile(QStringLiteral("work"));

    // Section names ignore letter case; the box shows the name as given.
    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("work"));
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), m_target);
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [work] geladen!"));
}

// The three run options exclude each other while a profile loads: the one applied last wins.
struct OptionRow {
    const char* name;
    const char* delold;
    const char* newsubfolder;
    const char* onlynew;
    Qt::CheckState delOldState;
    Qt::CheckState newSubState;
    Qt::CheckState onlyNewState;
};

class ProfileOptions : public ProfileWindowFixture, public ::testing::TestWithParam<OptionRow> {};

TEST_P(ProfileOptions, LoadLeavesTheExpectedBoxesTicked) {
    const OptionRow& row = GetParam();
    SetIniBytes(std::string("[Opt]\r\ndir_a=\r\ndir_b=\r\nFilter=\r\nonlynew=") + row.onlynew +
                "\r\ndelnot=0\r\ndelold=" + row.delold + "\r\ndeltotrash=0\r\nnewsubfolder=" + row.newsubfolder +
                "\r\n");
    auto window = OpenProfileWindow();

    window->LoadProfile(QStringLiteral("Opt"));

    EXPECT_EQ(State(*window, "chkDelBeforeCopy"), row.delOldState);
    EXPECT_EQ(State(*window, "chkNewSubFolder"), row.newSubState);
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), row.onlyNewState);
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [Opt] geladen!"));
    // A load without the window, from the same start, leaves the same options set.
    const RunOptionStates rule = ReadProfile(Settings(), QStringLiteral("Opt")).options;
    EXPECT_EQ(rule.delOld, StateOf(Control<QCheckBox>(*window, "chkDelBeforeCopy")));
    EXPECT_EQ(rule.newSubFolder, StateOf(Control<QCheckBox>(*window, "chkNewSubFolder")));
    EXPECT_EQ(rule.onlyNew, StateOf(Control<QCheckBox>(*window, "chkCopyOnlyNew")));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProfileOptions,
    ::testing::Values(OptionRow{"AllThreeSetOnlyNewWins", "1", "1", "1", Qt::Unchecked, Qt::Unchecked, Qt::Checked},
                      OptionRow{"NewSubFolderWinsOverDelOld", "1", "1", "0", Qt::Unchecked, Qt::Checked, Qt::Unchecked},
                      OptionRow{"DelOldAlone", "1", "0", "0", Qt::Checked, Qt::Unchecked, Qt::Unchecked},
                      OptionRow{"NoneSet", "0", "0", "0", Qt::Unchecked, Qt::Unchecked, Qt::Unchecked},
                      OptionRow{"StateTwoIsGreyed", "0", "0", "2", Qt::Unchecked, Qt::Unchecked,
                                Qt::PartiallyChecked}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Profiles, GreyedStateComesBackOnSaveAsTwo) {
    SetIniBytes("[Grey]\r\ndir_a=\r\ndir_b=\r\nFilter=\r\nonlynew=2\r\ndelnot=0\r\ndelold=0\r\ndeltotrash=0\r\n"
                "newsubfolder=0\r\n");
    auto window = OpenProfileWindow();
    window->LoadProfile(QStringLiteral("Grey"));
    ASSERT_TRUE(Control<QCheckBox>(*window, "chkCopyOnlyNew")->isTristate());

    QTest::mouseClick(Control<QPushButton>(*window, "cmdSaveProfile"), Qt::LeftButton);

    EXPECT_EQ(ReadIni("Grey", "onlynew"), QStringLiteral("2"));
}

// A load that stops early keeps what it applied so far and says so.
struct PartialRow {
    const char* name;
    const char* dirA;    // "SRC": the existing source folder
    const char* delold;  // nullptr: key missing
    const char* delnot;
    bool sourceMoved;
    bool filterSet;
    Qt::CheckState delOld;  // expected state of chkDelBeforeCopy
};

class PartialLoad : public ProfileWindowFixture, public ::testing::TestWithParam<PartialRow> {};

TEST_P(PartialLoad, KeepsWhatWasAppliedAndLogsTheIncompleteLoad) {
    const PartialRow& row = GetParam();
    const QString source = Dir("src");
    std::string section = "[Part]\r\n";
    section += "dir_a=" + (std::string(row.dirA) == "SRC" ? source.toStdString() : std::string(row.dirA)) + "\r\n";
    section += "Filter=*.bak\r\n";
    if (row.delold) section += std::string("delold=") + row.delold + "\r\n";
    if (row.delnot) section += std::string("delnot=") + row.delnot + "\r\n";
    section += "deltotrash=0\r\nnewsubfolder=0\r\nonlynew=1\r\n";
    SetIniBytes(section);
    auto window = OpenProfileWindow();
    const QString startPath = Control<DirList>(*window, "dirSource")->path();
    const QString startFilter = Control<QLineEdit>(*window, "txtFilter")->text();

    window->LoadProfile(QStringLiteral("Part"));

    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), row.sourceMoved ? source : startPath);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtFilter")->text(), row.filterSet ? QStringLiteral("*.bak") : startFilter);
    EXPECT_EQ(State(*window, "chkDelBeforeCopy"), row.delOld);
    // Stopped before onlynew: the design state (ticked) stays unless delold unticked it.
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), row.delOld == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)),
              QString::fromUtf8(" - [Part] konnte nicht vollständig geladen werden!"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PartialLoad,
    ::testing::Values(PartialRow{"SourceFolderGone", "/no/such/folder/anywhere", "1", "0", false, false, Qt::Unchecked},
                      PartialRow{"StateMissing", "SRC", nullptr, "0", true, true, Qt::Unchecked},
                      PartialRow{"StateNotANumber", "SRC", "ja", "0", true, true, Qt::Unchecked},
                      PartialRow{"StateOutOfRange", "SRC", "1", "3", true, true, Qt::Checked}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Profiles, MissingSectionStopsAtTheFirstCheckBox) {
    auto window = OpenProfileWindow();
    const QString startPath = Control<DirList>(*window, "dirSource")->path();

    window->LoadProfile(QStringLiteral("Nirgends"));

    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), startPath);
    // The filter is the last value before the first check box: it became empty.
    EXPECT_EQ(Control<QLineEdit>(*window, "txtFilter")->text(), QString());
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), Qt::Checked);
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)),
              QString::fromUtf8(" - [Nirgends] konnte nicht vollständig geladen werden!"));
}

TEST_F(Profiles, EmptyStoredDirectoriesKeepTheListsAndTheDefaultsArrive) {
    clsINI settings = Settings();
    ASSERT_TRUE(WriteNewProfile(settings, QStringLiteral("Neu")));
    auto window = OpenProfileWindow();
    const QString source = Dir("src");
    ASSERT_TRUE(Control<DirList>(*window, "dirSource")->setPath(source));
    Control<QCheckBox>(*window, "chkNewSubFolder")->setCheckState(Qt::Checked);
    const QString target = Control<DirList>(*window, "dirTarget")->path();

    window->LoadProfile(QStringLiteral("Neu"));

    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), source);
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), target);
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), Qt::Checked);
    EXPECT_EQ(State(*window, "chkNewSubFolder"), Qt::Unchecked);
    EXPECT_EQ(State(*window, "chkTrash"), Qt::Checked);
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [Neu] geladen!"));
}

TEST_F(Profiles, AMissingTargetLoadsAndTheRunIsRefusedNamingIt) {
    // The stick that holds the target is not plugged in (on Windows: a drive letter no volume has).
#ifdef _WIN32
    const std::string stick = "Q:\\Sicherung";
#else
    const std::string stick = "/media/stick/Sicherung";
#endif
    SetIniBytes("[Stick]\r\ndir_a=" + Dir("src").toStdString() + "\r\ndir_b=" + stick + "\r\n"
                "Filter=\r\ndelold=0\r\ndelnot=0\r\ndeltotrash=0\r\nnewsubfolder=0\r\nonlynew=1\r\n");
    auto window = OpenProfileWindow();
    window->LoadProfile(QStringLiteral("Stick"));
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), QString::fromStdString(stick));
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [Stick] geladen!"));
    ModalScript script;
    script.Answer(QStringLiteral("msgRun"), QMessageBox::Ok);
    RunAndWait(*window);
    ASSERT_EQ(script.seen.size(), 1u);
    EXPECT_EQ(script.seen[0].text, QString::fromUtf8("Das Zielverzeichnis " + stick +
                                                     " ist nicht vorhanden! Ist der Datenträger angeschlossen?"));
}

// ---- Start-up ----

TEST_F(Profiles, StartAppliesTheStandardProfile) {
    const QString source = Dir("start");
    SetIniBytes("[Standard]\r\ndir_a=" + source.toStdString() +
                "\r\ndir_b=\r\nFilter=\r\nonlynew=0\r\ndelnot=0\r\ndelold=0\r\ndeltotrash=0\r\nnewsubfolder=1\r\n");

    auto window = OpenWindow();

    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), source);
    EXPECT_EQ(State(*window, "chkNewSubFolder"), Qt::Checked);
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), Qt::Unchecked);
    const QStringList lines = StatusLines(*window);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(WithoutTime(lines[1]), QStringLiteral(" - [Standard] geladen!"));
}

TEST_F(Profiles, FirstStartWritesTheDeliveredSettingsAndLoadsStandard) {
    const QString home = Dir("home");
    ASSERT_TRUE(WriteDefaultIniFile(Settings(), home));
    auto window = OpenWindow();
    FillProfileList(Settings(), *window, QStringLiteral("Standard"));

    const QStringList lines = StatusLines(*window);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(WithoutTime(lines[0]), QStringLiteral(" - Trevalon geladen!"));
    EXPECT_EQ(WithoutTime(lines[1]), QStringLiteral(" - [Standard] geladen!"));
    EXPECT_EQ(ListEntries(*window), QStringList{QStringLiteral("Standard")});
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), home);
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), home);
    EXPECT_EQ(State(*window, "chkLog"), Qt::Checked);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtLogSize")->text(), QStringLiteral("50"));
}

// ---- Saving ----

TEST_F(Profiles, TypedNameGetsASectionButNoCatalogueLine) {
    SetIniBytes("[Profiles]\r\nStandard=Standard\r\n");
    auto window = OpenProfileWindow();
    const QString source = Dir("quelle");
    const QString target = Dir("ziel");
    Control<DirList>(*window, "dirSource")->setPath(source);
    Control<DirList>(*window, "dirTarget")->setPath(target);
    Control<QCheckBox>(*window, "chkNewSubFolder")->setCheckState(Qt::Checked);
    Control<QLineEdit>(*window, "txtFilter")->setText(QStringLiteral("*.log"));
    QComboBox* box = ProfileBoxOf(*window);
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), QStringLiteral(" Neuer Name"));

    QTest::mouseClick(Control<QPushButton>(*window, "cmdSaveProfile"), Qt::LeftButton);

    // The name as typed, in save order, with the exact values.
    EXPECT_EQ(IniBytes(), "[Profiles]\r\nStandard=Standard\r\n[ Neuer Name]\r\ndir_a=" + source.toStdString() +
                              "\r\ndir_b=" + target.toStdString() +
                              "\r\nFilter=*.log\r\nonlynew=0\r\ndelnot=0\r\n"
                              "delold=0\r\ndeltotrash=0\r\nnewsubfolder=1\r\n");
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - [ Neuer Name] gespeichert!"));
    FillProfileList(Settings(), *window, QStringLiteral("Standard"));
    EXPECT_EQ(ListEntries(*window), QStringList{QStringLiteral("Standard")});
}

TEST_F(Profiles, TwoSavesKeepOneSectionWithTheLaterValuesInPlace) {
    SetIniBytes("; settings\r\n[Work]\r\ndir_a=/old\r\ndir_b=/old\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
                "deltotrash=0\r\nnewsubfolder=0\r\nextra=keep\r\n[Optionen]\r\nwritelog=1\r\n");
    auto window = OpenProfileWindow();
    ProfileBoxOf(*window)->setEditText(QStringLiteral("Work"));
    const QString source = Dir("a");
    const QString target = Dir("b");
    Control<DirList>(*window, "dirSource")->setPath(source);
    Control<DirList>(*window, "dirTarget")->setPath(target);
    Control<QLineEdit>(*window, "txtFilter")->setText(QStringLiteral("*.log"));
    Control<QCheckBox>(*window, "chkCopyOnlyNew")->setCheckState(Qt::Checked);
    auto* save = Control<QPushButton>(*window, "cmdSaveProfile");

    QTest::mouseClick(save, Qt::LeftButton);
    Control<QCheckBox>(*window, "chkDelBeforeCopy")->setCheckState(Qt::Checked);
    QTest::mouseClick(save, Qt::LeftButton);

    EXPECT_EQ(IniBytes(), "; settings\r\n[Work]\r\ndir_a=" + source.toStdString() + "\r\ndir_b=" +
                              target.toStdString() +
                              "\r\nFilter=*.log\r\nonlynew=0\r\ndelnot=0\r\n"
                              "delold=1\r\ndeltotrash=0\r\nnewsubfolder=0\r\nextra=keep\r\n[Optionen]\r\nwritelog=1\r\n");
}

TEST_F(Profiles, FailedSaveIsReportedWithTheFileAndTheReason) {
    auto window = OpenProfileWindow();
    // A folder stands where the settings file must go: every write fails.
    m_tree.MakeDir("tvl.ini");
    ProfileBoxOf(*window)->setEditText(QStringLiteral("Work"));

    QTest::mouseClick(Control<QPushButton>(*window, "cmdSaveProfile"), Qt::LeftButton);

    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), " - [Work] konnte nicht gespeichert werden! Die Einstellungsdatei " +
                                                        IniPath() + " kann nicht geschrieben werden: Ist ein Verzeichnis");
}

// ---- Deleting ----

TEST_F(Profiles, DeletingStandardOnlyShowsAbbruch) {
    WriteWorkProfile();
    const std::string before = IniBytes();
    auto window = OpenProfileWindow();
    const int lines = static_cast<int>(StatusLines(*window).size());
    ModalScript script;
    script.Answer(QStringLiteral("msgStandardProfile"), QMessageBox::Ok);

    QTest::mouseClick(Control<QPushButton>(*window, "cmdDelProfile"), Qt::LeftButton);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    ASSERT_EQ(script.seen.size(), 1u);
    EXPECT_EQ(script.seen[0].title, QStringLiteral("Abbruch!"));
    EXPECT_EQ(script.seen[0].text, QString::fromUtf8("Standardprofil kann nicht gelöscht werden"));
    EXPECT_EQ(script.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(script.seen[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(IniBytes(), before);
    EXPECT_EQ(StatusLines(*window).size(), lines);
}

TEST_F(Profiles, LowerCaseStandardReachesTheQuestionAndRemovesTheSection) {
    WriteWorkProfile();
    auto window = OpenProfileWindow();
    ProfileBoxOf(*window)->setEditText(QStringLiteral("standard"));
    ModalScript script;
    script.Answer(QStringLiteral("msgDeleteProfile"), QMessageBox::Ok);

    QTest::mouseClick(Control<QPushButton>(*window, "cmdDelProfile"), Qt::LeftButton);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    ASSERT_EQ(script.seen.size(), 1u);
    EXPECT_EQ(script.seen[0].title, QString::fromUtf8("Profil löschen?"));
    EXPECT_EQ(script.seen[0].text, QString::fromUtf8("Soll das Profil wirklich gelöscht werden?"));
    EXPECT_EQ(script.seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(script.seen[0].buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Abbrechen")}));
    EXPECT_EQ(ReadIni("Standard", "onlynew"), QStringLiteral("<missing>"));
    // The catalogue line is matched by its exact text, which "standard" is not.
    EXPECT_EQ(ReadIni("Profiles", "Standard"), QStringLiteral("Standard"));
    EXPECT_EQ(ReadIni("Work", "Filter"), QStringLiteral("*.tmp"));
}

TEST_F(Profiles, CancelChangesNothing) {
    WriteWorkProfile();
    const std::string before = IniBytes();
    auto window = OpenProfileWindow();
    window->LoadProfile(QStringLiteral("Work"));
    const QStringList lines = StatusLines(*window);
    const QStringList entries = ListEntries(*window);
    ModalScript script;
    script.Answer(QStringLiteral("msgDeleteProfile"), QMessageBox::Cancel);

    QTest::mouseClick(Control<QPushButton>(*window, "cmdDelProfile"), Qt::LeftButton);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(IniBytes(), before);
    EXPECT_EQ(ListEntries(*window), entries);
    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("Work"));
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), m_source);
    EXPECT_EQ(StatusLines(*window), lines);
}

TEST_F(Profiles, ConfirmedDeletionRefillsTheListAndKeepsTheControls) {
    WriteWorkProfile();
    auto window = OpenProfileWindow();
    window->LoadProfile(QStringLiteral("Work"));
    const QStringList lines = StatusLines(*window);
    ModalScript script;
    script.Answer(QStringLiteral("msgDeleteProfile"), QMessageBox::Ok);

    QTest::mouseClick(Control<QPushButton>(*window, "cmdDelProfile"), Qt::LeftButton);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(ListEntries(*window), QStringList{QStringLiteral("Standard")});
    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("Standard"));
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path(), m_source);
    EXPECT_EQ(Control<DirList>(*window, "dirTarget")->path(), m_target);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtFilter")->text(), QStringLiteral("*.tmp"));
    EXPECT_EQ(State(*window, "chkDelBeforeCopy"), Qt::Checked);
    EXPECT_EQ(StatusLines(*window), lines);
    // Section and catalogue line gone, every other byte as it was.
    EXPECT_EQ(IniBytes(), "[Profiles]\r\nStandard=Standard\r\n"
                          "[Standard]\r\ndir_a=\r\ndir_b=\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
                          "deltotrash=1\r\nnewsubfolder=0\r\n"
                          "[Optionen]\r\nwritelog=1\r\nlogsize=50\r\n");
}

TEST_F(Profiles, FailedDeletionIsShownWithTheFileAndTheReason) {
    WriteWorkProfile();
    auto window = OpenProfileWindow();
    window->LoadProfile(QStringLiteral("Work"));
    const QStringList lines = StatusLines(*window);
    // A folder now stands where the settings file was: the deletion cannot reach it.
    std::filesystem::remove(m_tree.Root() / "tvl.ini");
    m_tree.MakeDir("tvl.ini");
    ModalScript script;
    script.Answer(QStringLiteral("msgDeleteProfile"), QMessageBox::Ok)
        .Answer(QStringLiteral("msgDeleteFailed"), QMessageBox::Ok);

    QTest::mouseClick(Control<QPushButton>(*window, "cmdDelProfile"), Qt::LeftButton);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    ASSERT_EQ(script.seen.size(), 2u);
    EXPECT_EQ(script.seen[1].title, QString::fromUtf8("Profil löschen"));
    EXPECT_EQ(script.seen[1].text, QString::fromUtf8("Das Profil Work konnte nicht gelöscht werden. Die Einstellungsdatei ") +
                                       IniPath() + " kann nicht geschrieben werden: Ist ein Verzeichnis");
    EXPECT_EQ(script.seen[1].icon, QMessageBox::Critical);
    EXPECT_EQ(script.seen[1].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(StatusLines(*window), lines);
    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("Standard"));
}

// ---- Focus ----

class ProfileBoxFocus : public ProfileWindowFixture, public ::testing::TestWithParam<Qt::FocusReason> {};

TEST_P(ProfileBoxFocus, EveryArrivalOpensTheList) {
    SetIniBytes("[Profiles]\r\nStandard=Standard\r\nWork=Work\r\n");
    auto window = OpenProfileWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QComboBox* box = ProfileBoxOf(*window);
    ASSERT_FALSE(box->view()->isVisible());

    if (GetParam() == Qt::TabFocusReason) {
        // The design's keyboard order puts the save button just before the box.
        Control(*window, "cmdSaveProfile")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (GetParam() == Qt::BacktabFocusReason) {
        Control(*window, "chkLog")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    } else if (GetParam() == Qt::MouseFocusReason) {
        // A whole click into the text field: the list must still be open after the release.
        QTest::mouseClick(box->lineEdit(), Qt::LeftButton, {}, QPoint(10, 5));
    } else {
        box->setFocus(GetParam());
    }

    // Nothing but the focus reaction opens the list here.
    EXPECT_TRUE(box->view()->isVisible());
    box->hidePopup();
}

INSTANTIATE_TEST_SUITE_P(Reasons, ProfileBoxFocus,
                         ::testing::Values(Qt::TabFocusReason, Qt::BacktabFocusReason, Qt::MouseFocusReason,
                                           Qt::OtherFocusReason),
                         [](const auto& info) {
                             switch (info.param) {
                             case Qt::TabFocusReason: return std::string("Tab");
                             case Qt::BacktabFocusReason: return std::string("ShiftTab");
                             case Qt::MouseFocusReason: return std::string("Mouse");
                             default: return std::string("Program");
                             }
                         });

// ---- Keys while the list is open ----

struct ListKeysRow {
    const char* name;
    const char* typed;  // letter by letter, then the keys of `then`
    std::vector<Qt::Key> then;
    const char* boxText;
    bool listOpen;
    bool loadsWork;
};

class ProfileListKeys : public WorkProfileFixture, public ::testing::TestWithParam<ListKeysRow> {};

TEST_P(ProfileListKeys, ReachTheListOrTheField) {
    const ListKeysRow& row = GetParam();
    WriteWorkProfile();
    auto window = OpenProfileWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // The text field handles the activation later, by a queued call; let it run first.
    QCoreApplication::processEvents();
    const QStringList lines = StatusLines(*window);
    QComboBox* box = ProfileBoxOf(*window);
    Control(*window, "cmdSaveProfile")->setFocus();
    // Real key events through the window, routed to the open list as the toolkit does.
    QWindow* keyboard = window->windowHandle();
    QTest::keyClick(keyboard, Qt::Key_Tab);
    ASSERT_TRUE(box->view()->isVisible());
    for (const char* c = row.typed; *c; ++c) QTest::keyClick(keyboard, *c);
    for (const Qt::Key key : row.then) QTest::keyClick(keyboard, key);

    EXPECT_EQ(box->currentText(), QString::fromUtf8(row.boxText));
    EXPECT_EQ(box->view()->isVisible(), row.listOpen);
    EXPECT_EQ(Control<DirList>(*window, "dirSource")->path() == m_source, row.loadsWork);
    EXPECT_EQ(StatusLines(*window) == lines, !row.loadsWork);
    box->hidePopup();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ProfileListKeys,
    ::testing::Values(ListKeysRow{"TypedLettersReplaceTheSelectedText", "xyz", {}, "xyz", true, false},
                      ListKeysRow{"BackspaceEditsTheText", "Neux", {Qt::Key_Backspace}, "Neu", true, false},
                      ListKeysRow{"ArrowAndEnterTakeTheEntryAndLoadIt", "", {Qt::Key_Down, Qt::Key_Return}, "Work",
                                  false, true},
                      ListKeysRow{"EnterTakesTheEntryNamedExactly", "Work", {Qt::Key_Return}, "Work", false, true},
                      ListKeysRow{"EnterKeepsANameOfNoEntry", "Wo", {Qt::Key_Return}, "Wo", false, false},
                      ListKeysRow{"EscapeClosesTheListAndKeepsTheText", "x", {Qt::Key_Escape}, "x", false, false},
                      ListKeysRow{"ReopenedListHighlightsNoEntryForATypedName", "x",
                                  {Qt::Key_Escape, Qt::Key_F4, Qt::Key_Return}, "x", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
