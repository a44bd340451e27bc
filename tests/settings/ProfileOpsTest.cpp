// The profile operations against a real settings file: creating, saving, reading and
// deleting, each checked byte for byte.
#include "settings/ProfileOps.h"
#include "settings/Startup.h"
#include "TempTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct NameRow {
    const char* name;
    QString profile;
    QString catalogueLine;
    bool storable;
};

class ProfileName : public ::testing::TestWithParam<NameRow> {};

TEST_P(ProfileName, CatalogueLineAndStorability) {
    EXPECT_EQ(CatalogueLine(GetParam().profile), GetParam().catalogueLine);
    EXPECT_EQ(IsStorableProfileName(GetParam().profile), GetParam().storable);
}

INSTANTIATE_TEST_SUITE_P(
    ProfileOps, ProfileName,
    ::testing::Values(NameRow{"Plain", "Standard", "Standard=Standard", true},
                      NameRow{"InnerBlank", "Mein Profil", "MeinProfil=Mein Profil", true},
                      NameRow{"OuterBlanks", "  a  b ", "ab=  a  b ", true},
                      NameRow{"OnlyBlanks", "   ", "=   ", true},
                      NameRow{"TabIsNoBlank", "a\tb", "a\tb=a\tb", true},
                      NameRow{"Umlauts", "Übung", "Übung=Übung", true},
                      NameRow{"OpeningBracket", "a[b", "a[b=a[b", false},
                      NameRow{"ClosingBracket", "a]", "a]=a]", false},
                      NameRow{"EqualsSign", "a=b", "a=b=a=b", false},
                      NameRow{"LeadingSemicolon", ";x", ";x=;x", false},
                      NameRow{"InnerSemicolon", "x;y", "x;y=x;y", true}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kNewProfileSection =
    "dir_a=\r\ndir_b=\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\ndeltotrash=1\r\nnewsubfolder=0\r\n";

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override { strIniFile = QString::fromStdString(tree.Path("tvl.ini")); }
    void TearDown() override { strIniFile.clear(); }

    TempTree tree;
};

TEST_F(ProfileFile, NewProfileWritesCatalogueLineThenDefaults) {
    EXPECT_TRUE(WriteNewProfile("Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Profiles]\r\nMeinProfil=Mein Profil\r\n[Mein Profil]\r\n" + kNewProfileSection);
}

TEST_F(ProfileFile, NewProfileOverExistingResetsItsKeysOnly) {
    tree.WriteFile("tvl.ini",
                   "[Profiles]\r\nStandard=Standard\r\n[Standard]\r\ndir_a=/q\r\nextra=bleibt\r\nonlynew=0\r\n"
                   "delold=1\r\n");
    EXPECT_TRUE(WriteNewProfile("Standard"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Profiles]\r\nStandard=Standard\r\n[Standard]\r\ndir_a=\r\nextra=bleibt\r\nonlynew=1\r\n"
              "delold=0\r\ndir_b=\r\nFilter=\r\ndelnot=0\r\ndeltotrash=1\r\nnewsubfolder=0\r\n");
}

TEST_F(ProfileFile, SavingTwiceKeepsOneSectionWithLinesInPlace) {
    tree.WriteFile("tvl.ini", "[Optionen]\r\nwritelog=1\r\n");
    WriteNewProfile("Arbeit");
    WriteNewProfile("Privat");
    const ProfileValues first{"/home/u/Quelle", "/media/Ziel", "*.*", "1", "0", "0", "1", "0"};
    const ProfileValues second{"/home/u/Übung", "/", "", "0", "2", "1", "0", "1"};
    EXPECT_TRUE(WriteProfileValues("Arbeit", first));
    EXPECT_TRUE(WriteProfileValues("arbeit", second));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Optionen]\r\nwritelog=1\r\n"
              "[Profiles]\r\nArbeit=Arbeit\r\nPrivat=Privat\r\n"
              "[Arbeit]\r\ndir_a=/home/u/Übung\r\ndir_b=/\r\nFilter=\r\nonlynew=0\r\ndelnot=2\r\ndelold=1\r\n"
              "deltotrash=0\r\nnewsubfolder=1\r\n"
              "[Privat]\r\n" +
                  kNewProfileSection);
    EXPECT_EQ(ReadProfileValues("Arbeit"), second);
}

TEST_F(ProfileFile, SavingANameWithoutCatalogueLineWritesOnlyItsSection) {
    EXPECT_TRUE(WriteProfileValues("Getippt", ProfileValues{"/a", "/b", "", "1", "0", "0", "1", "0"}));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Getippt]\r\ndir_a=/a\r\ndir_b=/b\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
              "deltotrash=1\r\nnewsubfolder=0\r\n");
}

TEST_F(ProfileFile, ReadProfileKeyCutsAt254) {
    tree.WriteFile("tvl.ini", "[P]\r\ndir_a=/" + std::string(259, 'd') + "\r\n");
    EXPECT_EQ(ReadProfileKey("P", "dir_a"), "/" + QString(253, u'd'));
    EXPECT_EQ(ReadProfileKey("P", "dir_b"), "");
    EXPECT_EQ(ReadProfileValues("P").dirA, "/" + QString(253, u'd'));
}

TEST_F(ProfileFile, DeleteRemovesSectionAndCatalogueLineOnly) {
    const std::string before =
        "; von Hand\r\n[Profiles]\r\nStandard=Standard\r\nMeinProfil=Mein Profil\r\nB=B\n"
        "[Standard]\r\ndir_a=/s\r\n[Mein Profil]\r\n" +
        kNewProfileSection + "[B]\ndir_a=/b";
    tree.WriteFile("tvl.ini", before);
    EXPECT_TRUE(DeleteProfile("Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "; von Hand\r\n[Profiles]\r\nStandard=Standard\r\nB=B\n[Standard]\r\ndir_a=/s\r\n[B]\ndir_a=/b");
}

TEST_F(ProfileFile, DeleteWithoutCatalogueLineStillRemovesSection) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nA=A\r\n[Getippt]\r\ndir_a=/x\r\n");
    EXPECT_TRUE(DeleteProfile("Getippt"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nA=A\r\n");
}

TEST_F(ProfileFile, DeleteWithoutSectionStillRemovesCatalogueLine) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nA=A\r\nNurKatalog=Nur Katalog\r\n");
    EXPECT_TRUE(DeleteProfile("Nur Katalog"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nA=A\r\n");
}

TEST_F(ProfileFile, DeleteInWindows1252File) {
    tree.WriteFile("tvl.ini",
                   "[Profiles]\r\nStandard=Standard\r\nM\xfc\x6c\x6c\x65rBackup=M\xfcller Backup\r\n"
                   "[M\xfcller Backup]\r\ndir_a=C:\\\xc4rger\r\n[Standard]\r\ndir_a=C:\\\xdc\x62ung\r\n");
    EXPECT_TRUE(DeleteProfile("Müller Backup"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Profiles]\r\nStandard=Standard\r\n[Standard]\r\ndir_a=C:\\\xdc\x62ung\r\n");
}

TEST_F(ProfileFile, DeleteNameWithOuterBlanksAsTheListShowsIt) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nA=A\r\n");
    WriteNewProfile(" Mein Profil ");
    // The file gives the name back without its outer blanks, and so does the list.
    EXPECT_EQ(ReadProfileKey("Profiles", "MeinProfil"), "Mein Profil");
    EXPECT_TRUE(DeleteProfile("Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nA=A\r\n");
}

TEST_F(ProfileFile, DeleteHandEditedCatalogueLine) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nMeinProfil = Mein Profil\r\nB=B\r\n[Mein Profil]\r\ndir_a=/x\r\n");
    EXPECT_TRUE(DeleteProfile("Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nB=B\r\n");
}

TEST_F(ProfileFile, DeleteKeepsOtherProfileSharingTheKey) {
    WriteNewProfile("Mein Profil");
    WriteNewProfile("MeinPro fil");  // takes over the catalogue key
    EXPECT_TRUE(DeleteProfile("Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nMeinProfil=MeinPro fil\r\n[MeinPro fil]\r\n" +
                                            kNewProfileSection);
}

TEST_F(ProfileFile, DeleteWithAFifoForTheSettingsFileFailsWithoutHanging) {
    ASSERT_EQ(::mkfifo(tree.Path("tvl.ini").c_str(), 0644), 0);
    EXPECT_FALSE(DeleteProfile("Standard"));
}

TEST_F(ProfileFile, DeleteOtherLetterCaseRemovesSectionButNotCatalogueLine) {
    WriteNewProfile("Standard");
    // Section names ignore letter case, the catalogue line is matched exactly.
    EXPECT_TRUE(DeleteProfile("standard"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nStandard=Standard\r\n");
}

// The run options a load leaves set, from the design state (only onlynew ticked).
struct RunOptionRow {
    const char* name;
    ProfileValues stored;
    RunOptionStates after;
};

class RunOptionsRule : public ::testing::TestWithParam<RunOptionRow> {};

TEST_P(RunOptionsRule, StatesApplyInLoadOrderEachTickClearingTheOthers) {
    const RunOptionStates after = RunOptionsAfterLoad(GetParam().stored, {.onlyNew = true});
    EXPECT_EQ(after.onlyNew, GetParam().after.onlyNew);
    EXPECT_EQ(after.delOld, GetParam().after.delOld);
    EXPECT_EQ(after.newSubFolder, GetParam().after.newSubFolder);
}

INSTANTIATE_TEST_SUITE_P(
    ProfileOps, RunOptionsRule,
    ::testing::Values(
        RunOptionRow{"AllThreeOnlyNewWins", {"", "", "", "1", "0", "1", "0", "1"}, {.onlyNew = true}},
        RunOptionRow{"NewSubFolderWinsOverDelOld", {"", "", "", "0", "0", "1", "0", "1"}, {.newSubFolder = true}},
        RunOptionRow{"GreyedIsNotSet", {"", "", "", "2", "0", "0", "0", "0"}, {}},
        RunOptionRow{"BlanksAroundAStateAreTaken", {"", "", "", " 0 ", "0", " 1", "0", "0"}, {.delOld = true}},
        RunOptionRow{"BadDelNotEndsTheLoadAfterDelOld", {"", "", "", "1", "ja", "1", "0", "0"}, {.delOld = true}},
        RunOptionRow{"MissingSectionKeepsTheStart", {}, {.onlyNew = true}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
