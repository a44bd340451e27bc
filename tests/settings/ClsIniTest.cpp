// clsINI against real files: the empty-path rules, the 254-character read, the
// "1"/"0" booleans and the listing walk.
#include "settings/clsINI.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <QDir>
#include <climits>
#include <functional>

namespace {

class ClsIni : public ::testing::Test {
protected:
    void SetUp() override { ini.File(QString::fromStdString(tree.Path("tvl.ini"))); }

    TempTree tree;
    clsINI ini;
};

TEST_F(ClsIni, ValueOf300CharactersReadsAs254) {
    tree.WriteFile("tvl.ini", "[S]\r\nk=" + std::string(300, 'a') + "\r\n");
    EXPECT_EQ(ini.ReadKeyValueStr("S", "k", "d"), QString(254, u'a'));
    EXPECT_EQ(ini.ReadKeyValue("S", "k", "d"), QString(254, u'a'));
}

TEST_F(ClsIni, MissingKeyReadsDefault) {
    tree.WriteFile("tvl.ini", "[S]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadKeyValueStr("S", "x", "Vorgabe"), "Vorgabe");
    EXPECT_EQ(ini.ReadKeyValueInt("S", "x", -3), -3);
}

TEST_F(ClsIni, BoolWrittenAsOneAndZero) {
    EXPECT_TRUE(ini.WriteKeyValueBool("S", "an", true));
    EXPECT_TRUE(ini.WriteKeyValueBool("S", "aus", false));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[S]\r\nan=1\r\naus=0\r\n");
    EXPECT_TRUE(ini.ReadKeyValueBool("S", "an", false));
    EXPECT_FALSE(ini.ReadKeyValueBool("S", "aus", true));
}

struct BoolRow {
    const char* name;
    const char* stored;
    bool defaultValue;
    bool expected;
};

class ClsIniBool : public ClsIni, public ::testing::WithParamInterface<BoolRow> {};

TEST_P(ClsIniBool, ReadsNonZeroAsTrue) {
    tree.WriteFile("tvl.ini", std::string("[S]\r\nk=") + GetParam().stored + "\r\n");
    EXPECT_EQ(ini.ReadKeyValueBool("S", "k", GetParam().defaultValue), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(ClsIni, ClsIniBool,
                         ::testing::Values(BoolRow{"One", "1", false, true}, BoolRow{"MinusOne", "-1", false, true},
                                           BoolRow{"Seven", "7", false, true}, BoolRow{"Zero", "0", true, false},
                                           BoolRow{"WordTrueIsFalse", "True", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClsIni, IntWrittenAsShortestDecimal) {
    EXPECT_TRUE(ini.WriteKeyValueInt("S", "min", INT_MIN));
    EXPECT_TRUE(ini.WriteKeyValueInt("S", "neg", -5));
    EXPECT_TRUE(ini.WriteKeyValueInt("S", "pos", 42));
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[S]\r\nmin=-2147483648\r\nneg=-5\r\npos=42\r\n");
    EXPECT_EQ(ini.ReadKeyValueInt("S", "min", 0), INT_MIN);
}

TEST_F(ClsIni, StringWritesReadBack) {
    EXPECT_TRUE(ini.WriteKeyValueStr("Mein Profil", "dir_a", "/home/jürgen/Übung"));
    EXPECT_TRUE(ini.WriteKeyValue("Mein Profil", "Filter", ""));
    EXPECT_EQ(ini.ReadKeyValueStr("mein profil", "DIR_A", ""), "/home/jürgen/Übung");
    EXPECT_EQ(ini.ReadKeyValue("Mein Profil", "Filter", "d"), "");
}

TEST_F(ClsIni, SectionNamesInFileOrder) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nStandard=Standard\r\n[Optionen]\r\nwritelog=1\r\n[Standard]\r\n");
    QStringList names{"alt"};
    EXPECT_EQ(ini.GetSectionNames(names), 3);
    EXPECT_EQ(names, (QStringList{"Profiles", "Optionen", "Standard"}));
}

TEST_F(ClsIni, KeyNamesInFileOrder) {
    tree.WriteFile("tvl.ini", "[Standard]\r\ndir_a=\r\ndir_b=\r\nonlynew=1\r\n");
    QStringList names{"a", "b", "c", "d", "e"};
    EXPECT_EQ(ini.GetKeyNames("standard", names), 3);
    EXPECT_EQ(names, (QStringList{"dir_a", "dir_b", "onlynew"}));
}

struct EmptyListRow {
    const char* name;
    std::optional<std::string> content;  // none: no file
    const char* section;                 // null: list the sections
};

class ClsIniEmptyList : public ClsIni, public ::testing::WithParamInterface<EmptyListRow> {};

TEST_P(ClsIniEmptyList, ReturnsZeroAndLeavesArray) {
    if (GetParam().content) {
        tree.WriteFile("tvl.ini", *GetParam().content);
    }
    QStringList names{"bleibt", "auch"};
    const qint16 count =
        GetParam().section ? ini.GetKeyNames(GetParam().section, names) : ini.GetSectionNames(names);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(names, (QStringList{"bleibt", "auch"}));
}

INSTANTIATE_TEST_SUITE_P(ClsIni, ClsIniEmptyList,
                         ::testing::Values(EmptyListRow{"SectionsOfMissingFile", std::nullopt, nullptr},
                                           EmptyListRow{"SectionsOfEmptyFile", "", nullptr},
                                           EmptyListRow{"KeysOfMissingSection", "[A]\r\nk=1\r\n", "B"},
                                           EmptyListRow{"KeysOfEmptySection", "[A]\r\n", "A"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClsIni, ListingPastTheBufferKeepsTheCutName) {
    // 3,000 sections of 10 characters need 33,001 bytes: 2,978 fit whole into 32,767,
    // and the one cut at the end arrives with its NUL and is stored cut.
    std::string content;
    for (int i = 0; i < 3000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "S%09d", i);
        content += std::string("[") + name + "]\n";
    }
    tree.WriteFile("tvl.ini", content);
    QStringList names;
    EXPECT_EQ(ini.GetSectionNames(names), 2979);
    ASSERT_EQ(names.size(), 2979);
    EXPECT_EQ(names[2977], "S000002977");
    EXPECT_EQ(names[2978], "S000002");
}

TEST_F(ClsIni, DeleteKeyThenReadGivesDefault) {
    tree.WriteFile("tvl.ini", "[S]\r\nk=1\r\nj=2\r\n");
    EXPECT_TRUE(ini.DeleteKey("S", "k"));
    EXPECT_EQ(ini.ReadKeyValueStr("S", "k", "weg"), "weg");
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[S]\r\nj=2\r\n");
}

TEST_F(ClsIni, DeleteSectionThenNoKeys) {
    tree.WriteFile("tvl.ini", "[S]\r\nk=1\r\n[T]\r\nt=1\r\n");
    EXPECT_TRUE(ini.DeleteSection("s"));
    QStringList keys;
    EXPECT_EQ(ini.GetKeyNames("S", keys), 0);
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "[T]\r\nt=1\r\n");
}

TEST_F(ClsIni, FileExistsOnlyForOrdinaryFiles) {
    EXPECT_FALSE(ini.FileExists());
    tree.WriteFile("tvl.ini", "");
    EXPECT_TRUE(ini.FileExists());
    tree.WriteFile(".hidden.ini", "");
    ini.File(QString::fromStdString(tree.Path(".hidden.ini")));
    EXPECT_FALSE(ini.FileExists());
    tree.MakeDir("folder.ini");
    ini.File(QString::fromStdString(tree.Path("folder.ini")));
    EXPECT_FALSE(ini.FileExists());
}

// Every write, delete and list member with an empty path: false or 0, and no file
// appears anywhere, not even in the working directory.
struct EmptyPathRow {
    const char* name;
    std::function<int(clsINI&)> call;
};

class ClsIniEmptyPath : public ::testing::TestWithParam<EmptyPathRow> {};

TEST_P(ClsIniEmptyPath, ReturnsFalseAndTouchesNoFile) {
    TempTree tree;
    const QString oldDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(tree.Path())));
    clsINI ini;
    EXPECT_EQ(GetParam().call(ini), 0);
    QDir::setCurrent(oldDir);
    EXPECT_TRUE(tree.ListFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(
    ClsIni, ClsIniEmptyPath,
    ::testing::Values(
        EmptyPathRow{"WriteKeyValueInt", [](clsINI& i) { return int(i.WriteKeyValueInt("S", "k", 1)); }},
        EmptyPathRow{"WriteKeyValueBool", [](clsINI& i) { return int(i.WriteKeyValueBool("S", "k", true)); }},
        EmptyPathRow{"WriteKeyValueStr", [](clsINI& i) { return int(i.WriteKeyValueStr("S", "k", "v")); }},
        EmptyPathRow{"WriteKeyValue", [](clsINI& i) { return int(i.WriteKeyValue("S", "k", "v")); }},
        EmptyPathRow{"DeleteSection", [](clsINI& i) { return int(i.DeleteSection("S")); }},
        EmptyPathRow{"DeleteKey", [](clsINI& i) { return int(i.DeleteKey("S", "k")); }},
        EmptyPathRow{"WriteIniString", [](clsINI& i) { return int(i.WriteIniString("S", "k", "v").Ok()); }},
        EmptyPathRow{"GetSectionNames", [](clsINI& i) { QStringList l; return int(i.GetSectionNames(l)); }},
        EmptyPathRow{"GetKeyNames", [](clsINI& i) { QStringList l; return int(i.GetKeyNames("S", l)); }},
        EmptyPathRow{"FileExists", [](clsINI& i) { return int(i.FileExists()); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClsIniEmptyPathReads, StrIgnoresDefaultIntUsesIt) {
    clsINI ini;
    EXPECT_EQ(ini.ReadKeyValueStr("S", "k", "Vorgabe"), "");
    EXPECT_EQ(ini.ReadKeyValueInt("S", "k", 17), 17);
    EXPECT_TRUE(ini.ReadKeyValueBool("S", "k", true));
}

}  // namespace
