// The profile operations against a real settings file: creating, saving, reading and
// deleting, each checked byte for byte.
#include "settings/ProfileOps.h"
#include "settings/LogOptions.h"
#include "settings/clsINI.h"
#include "TempTree.h"
#include "fileservice/FileServiceTesting.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <functional>
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
    TempTree tree;
    clsINI ini{QString::fromStdString(tree.Path("tvl.ini"))};
};

TEST_F(ProfileFile, NewProfileWritesCatalogueLineThenDefaults) {
    EXPECT_TRUE(WriteNewProfile(ini, "Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Profiles]\r\nMeinProfil=Mein Profil\r\n[Mein Profil]\r\n" + kNewProfileSection);
}

TEST_F(ProfileFile, NewProfileOverExistingResetsItsKeysOnly) {
    tree.WriteFile("tvl.ini",
                   "[Profiles]\r\nStandard=Standard\r\n[Standard]\r\ndir_a=/q\r\nextra=bleibt\r\nonlynew=0\r\n"
                   "delold=1\r\n");
    EXPECT_TRUE(WriteNewProfile(ini, "Standard"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Profiles]\r\nStandard=Standard\r\n[Standard]\r\ndir_a=\r\nextra=bleibt\r\nonlynew=1\r\n"
              "delold=0\r\ndir_b=\r\nFilter=\r\ndelnot=0\r\ndeltotrash=1\r\nnewsubfolder=0\r\n");
}

TEST_F(ProfileFile, SavingTwiceKeepsOneSectionWithLinesInPlace) {
    tree.WriteFile("tvl.ini", "[Optionen]\r\nwritelog=1\r\n");
    ASSERT_TRUE(WriteNewProfile(ini, "Arbeit"));
    ASSERT_TRUE(WriteNewProfile(ini, "Privat"));
    const ProfileValues first{"/home/u/Quelle", "/media/Ziel", "*.*", "1", "0", "0", "1", "0"};
    const ProfileValues second{"/home/u/Übung", "/", "", "0", "2", "1", "0", "1"};
    EXPECT_TRUE(WriteProfileValues(ini, "Arbeit", first));
    EXPECT_TRUE(WriteProfileValues(ini, "arbeit", second));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Optionen]\r\nwritelog=1\r\n"
              "[Profiles]\r\nArbeit=Arbeit\r\nPrivat=Privat\r\n"
              "[Arbeit]\r\ndir_a=/home/u/Übung\r\ndir_b=/\r\nFilter=\r\nonlynew=0\r\ndelnot=2\r\ndelold=1\r\n"
              "deltotrash=0\r\nnewsubfolder=1\r\n"
              "[Privat]\r\n" +
                  kNewProfileSection);
    EXPECT_EQ(ReadProfile(ini, "Arbeit").values, second);
}

TEST_F(ProfileFile, SavingANameWithoutCatalogueLineWritesOnlyItsSection) {
    EXPECT_TRUE(WriteProfileValues(ini, "Getippt", ProfileValues{"/a", "/b", "", "1", "0", "0", "1", "0"}));
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Getippt]\r\ndir_a=/a\r\ndir_b=/b\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
              "deltotrash=1\r\nnewsubfolder=0\r\n");
}

TEST_F(ProfileFile, ReadProfileCutsAt254) {
    tree.WriteFile("tvl.ini", "[P]\r\ndir_a=/" + std::string(259, 'd') + "\r\n");
    EXPECT_EQ(ReadProfile(ini, "P").values.dirA, "/" + QString(253, u'd'));
    EXPECT_EQ(ReadProfile(ini, "P").values.dirB, "");
}

// A deletion takes the profile's section and its catalogue line, every other byte kept.
struct DeleteRow {
    const char* name;
    std::string before;
    QString profile;
    std::string after;
};

class Deletion : public ProfileFile, public ::testing::WithParamInterface<DeleteRow> {};

TEST_P(Deletion, RemovesSectionAndCatalogueLineOnly) {
    tree.WriteFile("tvl.ini", GetParam().before);
    EXPECT_TRUE(DeleteProfile(ini, GetParam().profile));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    ProfileOps, Deletion,
    ::testing::Values(
        DeleteRow{"SectionAndLine",
                  "; von Hand\r\n[Profiles]\r\nStandard=Standard\r\nMeinProfil=Mein Profil\r\nB=B\n"
                  "[Standard]\r\ndir_a=/s\r\n[Mein Profil]\r\n" + kNewProfileSection + "[B]\ndir_a=/b",
                  "Mein Profil", "; von Hand\r\n[Profiles]\r\nStandard=Standard\r\nB=B\n[Standard]\r\ndir_a=/s\r\n[B]\ndir_a=/b"},
        DeleteRow{"WithoutCatalogueLineStillTheSection", "[Profiles]\r\nA=A\r\n[Getippt]\r\ndir_a=/x\r\n", "Getippt",
                  "[Profiles]\r\nA=A\r\n"},
        DeleteRow{"WithoutSectionStillTheCatalogueLine", "[Profiles]\r\nA=A\r\nNurKatalog=Nur Katalog\r\n",
                  "Nur Katalog", "[Profiles]\r\nA=A\r\n"},
        DeleteRow{"InAWindows1252File",
                  "[Profiles]\r\nStandard=Standard\r\nM\xfc\x6c\x6c\x65rBackup=M\xfcller Backup\r\n"
                  "[M\xfcller Backup]\r\ndir_a=C:\\\xc4rger\r\n[Standard]\r\ndir_a=C:\\\xdc\x62ung\r\n",
                  "Müller Backup", "[Profiles]\r\nStandard=Standard\r\n[Standard]\r\ndir_a=C:\\\xdc\x62ung\r\n"},
        DeleteRow{"HandEditedCatalogueLine", "[Profiles]\r\nMeinProfil = Mein Profil\r\nB=B\r\n[Mein Profil]\r\ndir_a=/x\r\n",
                  "Mein Profil", "[Profiles]\r\nB=B\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFile, DeleteNameWithOuterBlanksAsTheListShowsIt) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nA=A\r\n");
    ASSERT_TRUE(WriteNewProfile(ini, " Mein Profil "));
    // The file gives the name back without its outer blanks, and so does the list.
    EXPECT_EQ(ini.ReadKeyValueStr("Profiles", "MeinProfil", ""), "Mein Profil");
    EXPECT_TRUE(DeleteProfile(ini, "Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nA=A\r\n");
}

TEST_F(ProfileFile, DeleteHandEditedCatalogueLine) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nMeinProfil = Mein Profil\r\nB=B\r\n[Mein Profil]\r\ndir_a=/x\r\n");
    EXPECT_TRUE(DeleteProfile(ini, "Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nB=B\r\n");
}

TEST_F(ProfileFile, DeleteKeepsOtherProfileSharingTheKey) {
    ASSERT_TRUE(WriteNewProfile(ini, "Mein Profil"));
    ASSERT_TRUE(WriteNewProfile(ini, "MeinPro fil"));  // takes over the catalogue key
    EXPECT_TRUE(DeleteProfile(ini, "Mein Profil"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nMeinProfil=MeinPro fil\r\n[MeinPro fil]\r\n" +
                                            kNewProfileSection);
}

TEST_F(ProfileFile, DeleteOtherLetterCaseRemovesSectionButNotCatalogueLine) {
    ASSERT_TRUE(WriteNewProfile(ini, "Standard"));
    // Section names ignore letter case, the catalogue line is matched exactly.
    EXPECT_TRUE(DeleteProfile(ini, "standard"));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[Profiles]\r\nStandard=Standard\r\n");
}

// A save, a new profile, a deletion or the log options that cannot reach the settings file:
// the failure names the file and the reason of the first write that failed, and no
// temporary stays behind.
struct FailureRow {
    const char* name;
    std::function<void(TempTree&)> place;  // what stands at the settings file's place
    std::function<fileservice::Status(clsINI&)> write;
    int error;
};

class WriteFailure : public ProfileFile, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(WriteFailure, NamesTheFileAndTheReason) {
    GetParam().place(tree);
    if (IsSkipped()) return;
    const std::vector<std::string> before = tree.ListFiles();

    const fileservice::Status status = GetParam().write(ini);

    ASSERT_FALSE(status);
    EXPECT_EQ(status.Error().error, GetParam().error);
    EXPECT_EQ(status.Error().path, ini.File().toStdString());
    EXPECT_EQ(tree.ListFiles(), before);
}

const auto kFolder = [](TempTree& t) { t.MakeDir("tvl.ini"); };
const auto kFifo = [](TempTree& t) {
#ifdef _WIN32
    (void)t;
    GTEST_SKIP() << "Windows has no FIFOs in folders";
#else
    ASSERT_EQ(::mkfifo(t.Path("tvl.ini").c_str(), 0644), 0);
#endif
};
// A full disk on the first replacement; the file beforehand holds one profile.
const auto kFullDisk = [](TempTree& t) {
    t.WriteFile("tvl.ini", "[Profiles]\r\nA=A\r\n[A]\r\ndir_a=/x\r\n");
    FailNextReplaceAfterHalf();
};

INSTANTIATE_TEST_SUITE_P(
    ProfileOps, WriteFailure,
    ::testing::Values(
        FailureRow{"SaveOntoAFolder", kFolder, [](clsINI& i) { return WriteProfileValues(i, "A", ProfileValues{}); },
                   EISDIR},
        FailureRow{"NewProfileOnAFullDisk", kFullDisk, [](clsINI& i) { return WriteNewProfile(i, "Neu"); }, ENOSPC},
        FailureRow{"DeleteWithAFifoNeverHangs", kFifo, [](clsINI& i) { return DeleteProfile(i, "Standard"); },
                   fileservice::kNotRegularFile},
        FailureRow{"LogOptionsOntoAFolder", kFolder,
                   [](clsINI& i) { return WriteLogOptions(i, {QStringLiteral("1"), QStringLiteral("50")}); }, EISDIR}),
    [](const auto& info) { return std::string(info.param.name); });

// What a load finds in a section, from boxes that were all unticked: the run options, the keys
// it cannot apply, and whether the directories are folders. "SRC" stands for an existing folder.
struct LoadRow {
    const char* name;
    std::optional<std::string> section;  // the lines of [P]; none: no section
    RunOptionStates options;
    std::vector<std::string> unusable;
    bool sourceIsFolder;
    bool targetIsFolder;
};

class ProfileLoadRule : public ProfileFile, public ::testing::WithParamInterface<LoadRow> {};

TEST_P(ProfileLoadRule, StatesApplyInLoadOrderUpToTheFirstUnusableKey) {
    const LoadRow& row = GetParam();
    tree.MakeDir("src");
    std::string content = "[Other]\r\nonlynew=1\r\n";
    if (row.section) {
        std::string section = *row.section;
        for (std::size_t at; (at = section.find("SRC")) != std::string::npos;) section.replace(at, 3, tree.Path("src"));
        content += "[P]\r\n" + section;
    }
    tree.WriteFile("tvl.ini", content);

    const ProfileLoad load = ReadProfile(ini, "P");

    EXPECT_EQ(load.sectionFound, row.section.has_value() && !row.section->empty());
    EXPECT_TRUE(load.options == row.options);
    std::vector<std::string> unusable;
    for (const ProfileKey& key : load.unusable) unusable.push_back(key.name);
    EXPECT_EQ(unusable, row.unusable);
    EXPECT_EQ(load.sourceIsFolder, row.sourceIsFolder);
    EXPECT_EQ(load.targetIsFolder, row.targetIsFolder);
}

constexpr BoxState kTicked = BoxState::Ticked;
constexpr BoxState kGreyed = BoxState::Greyed;

INSTANTIATE_TEST_SUITE_P(
    ProfileOps, ProfileLoadRule,
    ::testing::Values(
        LoadRow{"AllThreeOnlyNewWins", "dir_a=SRC\r\ndir_b=SRC\r\nonlynew=1\r\ndelnot=0\r\ndelold=1\r\n"
                "deltotrash=0\r\nnewsubfolder=1\r\n", {.onlyNew = kTicked}, {}, true, true},
        LoadRow{"NewSubFolderWinsOverDelOld", "onlynew=0\r\ndelnot=0\r\ndelold=1\r\ndeltotrash=0\r\nnewsubfolder=1\r\n",
                {.newSubFolder = kTicked}, {}, false, false},
        LoadRow{"GreyedIsKeptButNotSet", "onlynew=2\r\ndelnot=0\r\ndelold=0\r\ndeltotrash=0\r\nnewsubfolder=0\r\n",
                {.onlyNew = kGreyed}, {}, false, false},
        LoadRow{"BadDelNotEndsTheOptionsAfterDelOld", "onlynew=1\r\ndelnot=ja\r\ndelold=1\r\ndeltotrash=0\r\n"
                "newsubfolder=0\r\n", {.delOld = kTicked}, {"delnot"}, false, false},
        LoadRow{"MissingSectionHasEveryStateUnusable", std::nullopt, {},
                {"delold", "delnot", "deltotrash", "newsubfolder", "onlynew"}, false, false},
        // The window keeps its lists for empty directories; the command line has none to keep.
        LoadRow{"EmptyDirectoriesAreUsableButNoFolders", "dir_a=\r\ndir_b=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
                "deltotrash=1\r\nnewsubfolder=0\r\n", {.onlyNew = kTicked}, {}, false, false},
        LoadRow{"GoneSourceEndsTheOptionsAtOnce", "dir_a=/no/such/folder\r\ndir_b=SRC\r\nonlynew=1\r\ndelnot=0\r\n"
                "delold=0\r\ndeltotrash=1\r\nnewsubfolder=0\r\n", {}, {"dir_a"}, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
