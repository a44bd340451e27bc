// The three profile primitives against real files: every row of their behaviour,
// byte-exact writes, encodings, atomic replacement and hostile input.
#include "settings/PrivateProfile.h"
#include "fileservice/FileServiceTesting.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

const char* OrNull(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
}

// The file every read row looks at: CR LF and LF lines, blanks, a comment, a
// duplicate key, an unknown line and an empty section.
const std::string kReadFile =
    "; settings\r\n"
    "[Profiles]\r\n"
    "MeinProfil=Mein Profil\r\n"
    "Standard=Standard\r\n"
    "[Standard]\r\n"
    "dir_a=/home/u/quelle\r\n"
    "  Filter  =  *.txt\t \r\n"
    "onlynew=1\n"
    "ONLYNEW=0\n"
    "a line without equals sign\r\n"
    "empty=\r\n"
    ";dir_b=/commented\r\n"
    "[ Spaced ]\r\n"
    "k=v\r\n"
    "[Leer]\r\n"
    "\r\n";

struct ReadRow {
    const char* name;
    std::optional<std::string> section;
    std::optional<std::string> key;
    std::string defaultText;
    std::uint32_t size;
    std::string expectedBytes;  // everything written into the buffer
    std::uint32_t expectedCount;
};

class ReadTable : public ::testing::TestWithParam<ReadRow> {};

TEST_P(ReadTable, CopiesExpectedBytesAndCount) {
    const ReadRow& row = GetParam();
    TempTree tree;
    tree.WriteFile("tvl.ini", kReadFile);
    const std::size_t canary = 8;
    std::string buffer(row.size + canary, '#');
    const std::uint32_t count = GetPrivateProfileStringA(OrNull(row.section), OrNull(row.key),
                                                         row.defaultText.c_str(), buffer.data(), row.size,
                                                         tree.Path("tvl.ini").c_str());
    EXPECT_EQ(count, row.expectedCount);
    EXPECT_EQ(buffer.substr(0, row.expectedBytes.size()), row.expectedBytes);
    EXPECT_EQ(buffer.substr(row.size), std::string(canary, '#')) << "wrote past the buffer";
}

INSTANTIATE_TEST_SUITE_P(
    PrivateProfile, ReadTable,
    ::testing::Values(
        ReadRow{"Value", "Standard", "dir_a", "-", 255, "/home/u/quelle\0"s, 14},
        ReadRow{"NamesIgnoreCase", "STANDARD", "DIR_A", "-", 255, "/home/u/quelle\0"s, 14},
        ReadRow{"BlanksAroundNameAndValueIgnored", "Standard", "filter", "-", 255, "*.txt\0"s, 5},
        ReadRow{"BlanksAroundAskedNamesIgnored", " Standard\t", " Filter ", "-", 255, "*.txt\0"s, 5},
        ReadRow{"FirstOfDuplicateKeysWins", "Standard", "onlynew", "-", 255, "1\0"s, 1},
        ReadRow{"EmptyValueIsNotTheDefault", "Standard", "empty", "dflt", 255, "\0"s, 0},
        ReadRow{"MissingKeyGivesDefault", "Standard", "dir_b", "dflt", 255, "dflt\0"s, 4},
        ReadRow{"MissingSectionGivesDefault", "Optionen", "writelog", "dflt", 255, "dflt\0"s, 4},
        ReadRow{"UnknownLineIsNoKey", "Standard", "a line without equals sign", "dflt", 255, "dflt\0"s, 4},
        ReadRow{"SectionHeadBlanksIgnored", "Spaced", "k", "-", 255, "v\0"s, 1},
        ReadRow{"ValueCutToSizeMinusOne", "Standard", "dir_a", "-", 5, "/hom\0"s, 4},
        ReadRow{"SizeOneGivesEmptyText", "Standard", "dir_a", "-", 1, "\0"s, 0},
        ReadRow{"DefaultCutToo", "Standard", "nokey", "abcdef", 4, "abc\0"s, 3},
        ReadRow{"KeyListRepeatsADuplicatedKey", "standard", std::nullopt, "", 255,
                "dir_a\0Filter\0onlynew\0ONLYNEW\0empty\0\0"s, 35},
        ReadRow{"KeyListExactFit", "Profiles", std::nullopt, "", 21, "MeinProfil\0Standard\0\0"s, 20},
        ReadRow{"KeyListCutEndsWithTwoNuls", "Profiles", std::nullopt, "", 20, "MeinProfil\0Standar\0\0"s, 18},
        ReadRow{"KeyListOfEmptySection", "Leer", std::nullopt, "dflt", 255, "\0\0"s, 0},
        ReadRow{"KeyListOfMissingSectionGivesDefault", "Optionen", std::nullopt, "dflt", 255, "dflt\0"s, 4},
        ReadRow{"SectionList", std::nullopt, std::nullopt, "", 255, "Profiles\0Standard\0Spaced\0Leer\0\0"s, 30},
        ReadRow{"SectionListCut", std::nullopt, std::nullopt, "", 14, "Profiles\0Sta\0\0"s, 12},
        ReadRow{"SectionListSizeTwo", std::nullopt, std::nullopt, "", 2, "\0\0"s, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrivateProfileMissingFile, ReadsGiveDefaultAndEmptyLists) {
    TempTree tree;
    const std::string path = tree.Path("none.ini");
    char buffer[32];
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "dflt", buffer, sizeof buffer, path.c_str()), 4u);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, path.c_str()), 0u);
    EXPECT_EQ(std::string(buffer, 2), "\0\0"s);
    EXPECT_EQ(static_cast<std::int32_t>(GetPrivateProfileIntA("S", "k", -7, path.c_str())), -7);
    EXPECT_FALSE(tree.Exists("none.ini"));
}

struct IntRow {
    const char* name;
    std::optional<std::string> storedLine;  // in section [S]; none: no such key
    std::int32_t defaultValue;
    std::int32_t expected;
};

class IntTable : public ::testing::TestWithParam<IntRow> {};

TEST_P(IntTable, ReadsLeadingSignedDecimal) {
    const IntRow& row = GetParam();
    TempTree tree;
    tree.WriteFile("tvl.ini", "[S]\r\n" + row.storedLine.value_or("other=1") + "\r\n");
    const std::uint32_t raw = GetPrivateProfileIntA("s", "K", row.defaultValue, tree.Path("tvl.ini").c_str());
    EXPECT_EQ(static_cast<std::int32_t>(raw), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PrivateProfile, IntTable,
    ::testing::Values(IntRow{"Plain", "k=42", 9, 42},
                      IntRow{"Negative", "k=-5", 9, -5},
                      IntRow{"PlusSign", "k=+7", 9, 7},
                      IntRow{"BlanksSkipped", "k = \t 13", 9, 13},
                      IntRow{"Minimum", "k=-2147483648", 9, INT32_MIN},
                      IntRow{"Maximum", "k=2147483647", 9, INT32_MAX},
                      IntRow{"LeadingDigitsOnly", "k=12abc", 9, 12},
                      IntRow{"WordIsZero", "k=True", 9, 0},
                      IntRow{"DoubleSignIsZero", "k=--1", 9, 0},
                      IntRow{"MinusOne", "k=-1", 9, -1},
                      IntRow{"EmptyValueGivesDefault", "k=", 9, 9},
                      IntRow{"MissingKeyGivesDefault", std::nullopt, 9, 9}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteRow {
    const char* name;
    std::optional<std::string> before;  // none: no file
    std::optional<std::string> section;
    std::optional<std::string> key;
    std::optional<std::string> value;
    std::optional<std::string> after;  // none: still no file
    std::int32_t result;
    int error = 0;  // the reason WriteProfileString gives for a refused write
};

class WriteTable : public ::testing::TestWithParam<WriteRow> {};

TEST_P(WriteTable, LeavesExactBytes) {
    const WriteRow& row = GetParam();
    TempTree tree;
    if (row.before) {
        tree.WriteFile("tvl.ini", *row.before);
    }
    const std::int32_t result = WritePrivateProfileStringA(OrNull(row.section), OrNull(row.key),
                                                           OrNull(row.value), tree.Path("tvl.ini").c_str());
    EXPECT_EQ(result != 0, row.result != 0);
    if (result == 0) {
        // A refused write changes nothing, so asking again for its reason is safe.
        const fileservice::Status status = WriteProfileString(OrNull(row.section), OrNull(row.key), OrNull(row.value),
                                                              tree.Path("tvl.ini").c_str());
        ASSERT_FALSE(status);
        EXPECT_EQ(status.Error().error, row.error);
        EXPECT_EQ(status.Error().path, tree.Path("tvl.ini"));
    }
    if (row.after) {
        ASSERT_TRUE(tree.Exists("tvl.ini"));
        EXPECT_EQ(tree.ReadFile("tvl.ini"), *row.after);
    } else {
        EXPECT_FALSE(tree.Exists("tvl.ini"));
    }
    EXPECT_EQ(tree.ListFiles().size(), row.after ? 1u : 0u) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    PrivateProfile, WriteTable,
    ::testing::Values(
        WriteRow{"CreatesFileSectionAndKey", std::nullopt, "S", "k", "v", "[S]\r\nk=v\r\n", 1},
        WriteRow{"NewSectionAtEndOfFile", "[A]\r\na=1\r\n", "B", "b", "2", "[A]\r\na=1\r\n[B]\r\nb=2\r\n", 1},
        WriteRow{"NewSectionAfterLastLineWithoutEnding", "[A]\na=1", "B", "b", "2", "[A]\na=1\r\n[B]\r\nb=2\r\n", 1},
        WriteRow{"NewKeyAtEndOfItsSection", "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n", "a", "c", "3",
                 "[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\n", 1},
        WriteRow{"NewKeyBeforeTrailingComment", "[A]\na=1\n; about B\n[B]\n", "A", "c", "3",
                 "[A]\na=1\nc=3\r\n; about B\n[B]\n", 1},
        WriteRow{"NewKeyInEmptySection", "[A]\r\n[B]\r\n", "A", "k", "v", "[A]\r\nk=v\r\n[B]\r\n", 1},
        WriteRow{"NewKeyInLastSectionWithoutEnding", "[A]\r\na=1", "A", "k", "v", "[A]\r\na=1\r\nk=v\r\n", 1},
        WriteRow{"ReplaceKeepsLineEnding", "[A]\na=1\nb=2\n", "A", "a", "9", "[A]\na=9\nb=2\n", 1},
        WriteRow{"ReplaceLastLineWithoutEnding", "[A]\r\na=1", "A", "a", "9", "[A]\r\na=9", 1},
        WriteRow{"ReplaceKeepsTheFileSpellingOfKeyAndSection", "[Abc]\r\n  Key = old \r\nz=1\r\n", "ABC", "KEY",
                 "new", "[Abc]\r\nKey=new\r\nz=1\r\n", 1},
        WriteRow{"ReplaceOnlyTheFirstDuplicate", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "3", "[A]\r\nk=3\r\nk=2\r\n", 1},
        WriteRow{"Windows1252FileGetsItsNewKeyInWindows1252", "[A]\r\nname=M\xfcller\r\n", "a", "dir", "/home/jürgen",
                 "[A]\r\nname=M\xfcller\r\ndir=/home/j\xfcrgen\r\n", 1},
        WriteRow{"Windows1252FileGetsItsNewSectionInWindows1252", "[A]\r\nk=\xe4\r\n", "Übung", "k", "ä",
                 "[A]\r\nk=\xe4\r\n[\xdc\x62ung]\r\nk=\xe4\r\n", 1},
        WriteRow{"Windows1252LineWithACharacterItLacksIsUtf8Whole", "[M\xfcller]\r\nD\xe4tei=alt\r\n", "müller",
                 "DÄTEI", "Łódź", "[M\xfcller]\r\nDätei=Łódź\r\n", 1},
        WriteRow{"Windows1252BytesThatReadAsOtherTextStayUtf8", "[A]\r\nk=\xe4\r\n", "A", "k", "Ã¼",
                 "[A]\r\nk=Ã¼\r\n", 1},
        WriteRow{"Utf8FileStaysUtf8", "[A]\r\nk=ä\r\n", "A", "n", "ü", "[A]\r\nk=ä\r\nn=ü\r\n", 1},
        WriteRow{"NewFileIsUtf8", std::nullopt, "Übung", "k", "ä", "[Übung]\r\nk=ä\r\n", 1},
        WriteRow{"SameValueLeavesFile", "[A]\nk=1\n", "A", "k", "1", "[A]\nk=1\n", 1},
        WriteRow{"EmptyValueKeepsKey", "[A]\r\nk=1\r\n", "A", "k", "", "[A]\r\nk=\r\n", 1},
        WriteRow{"NullValueDeletesKey", "[A]\r\na=1\r\nb=2\r\n", "A", "a", std::nullopt, "[A]\r\nb=2\r\n", 1},
        WriteRow{"NullValueDeletesEveryDuplicate", "[A]\r\na=1\r\nA=2\r\nb=2\r\n", "A", "a", std::nullopt,
                 "[A]\r\nb=2\r\n", 1},
        WriteRow{"NullValueOfMissingKeyChangesNothing", "[A]\na=1", "A", "x", std::nullopt, "[A]\na=1", 1},
        WriteRow{"NullValueOnMissingFileCreatesNothing", std::nullopt, "A", "x", std::nullopt, std::nullopt, 1},
        WriteRow{"NullKeyDeletesSection", "[A]\r\na=1\r\n[B]\r\nb=2\r\n; c\r\n[C]\r\n", "b", std::nullopt,
                 std::nullopt, "[A]\r\na=1\r\n[C]\r\n", 1},
        WriteRow{"NullKeyDeletesDuplicateSections", "[B]\nx=1\n[A]\na=1\n[b]\ny=2\n", "B", std::nullopt,
                 std::nullopt, "[A]\na=1\n", 1},
        WriteRow{"NullKeyOnMissingFileCreatesNothing", std::nullopt, "A", std::nullopt, std::nullopt,
                 std::nullopt, 1},
        WriteRow{"UnknownLinesAndCommentsKept", "junk\r\n;c\r\n[A]\r\nodd line\r\nk=1\r\n", "A", "k", "2",
                 "junk\r\n;c\r\n[A]\r\nodd line\r\nk=2\r\n", 1},
        WriteRow{"KeyWithEqualsStoredAsIs", std::nullopt, "S", "a=b", "v", "[S]\r\na=b=v\r\n", 1},
        WriteRow{"SectionWithBracketStoredAsIs", std::nullopt, "x]y", "k", "v", "[x]y]\r\nk=v\r\n", 1},
        WriteRow{"LineBreakInValueRefused", "[A]\r\n", "A", "k", "x\r\n[Evil]", "[A]\r\n", 0, EINVAL},
        WriteRow{"LineBreakInSectionRefused", std::nullopt, "A\nB", "k", "v", std::nullopt, 0, EINVAL},
        WriteRow{"NullSectionRefused", "[A]\r\n", std::nullopt, "k", "v", "[A]\r\n", 0, EINVAL}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrivateProfileRoundTrip, ReadsBackWhatWasWritten) {
    TempTree tree;
    const std::string path = tree.Path("tvl.ini");
    ASSERT_NE(WritePrivateProfileStringA("x]y", "a=b", "v", path.c_str()), 0);
    ASSERT_NE(WritePrivateProfileStringA("Mein Profil", "dir_a", "/home/u/Übung", path.c_str()), 0);
    char buffer[64];
    GetPrivateProfileStringA("x]y", "a", "-", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "b=v") << "a key with '=' splits at its first '=' when read";
    GetPrivateProfileStringA("mein profil", "DIR_A", "-", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "/home/u/Übung");
    const std::uint32_t count = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, path.c_str());
    EXPECT_EQ(std::string(buffer, count + 1), "x]y\0Mein Profil\0\0"s);
}

// A settings file written on Windows: Windows-1252 bytes for the umlauts.
const std::string kWindowsFile =
    "[Profiles]\r\n"
    "M\xfcller=M\xfcller\r\n"
    "[M\xfcller]\r\n"
    "dir_a=C:\\Daten\\J\xfcrgen\\\xc4rger\r\n"
    "dir_b=/mnt/\xdc\x62ung\r\n"
    "onlynew=1\r\n"
    "[Optionen]\r\n"
    "writelog=1\r\n";

TEST(PrivateProfileEncoding, Windows1252FileReadsAsUtf8) {
    TempTree tree;
    tree.WriteFile("tvl.ini", kWindowsFile);
    const std::string path = tree.Path("tvl.ini");
    char buffer[128];
    GetPrivateProfileStringA("Müller", "dir_a", "", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "C:\\Daten\\Jürgen\\Ärger");
    GetPrivateProfileStringA("MÜLLER", "dir_b", "", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "/mnt/Übung") << "umlauts fold by case as well";
    const std::uint32_t count = GetPrivateProfileStringA("Profiles", nullptr, "", buffer, sizeof buffer, path.c_str());
    EXPECT_EQ(std::string(buffer, count + 1), "Müller\0\0"s);
}

TEST(PrivateProfileEncoding, WriteToOneKeyKeepsEveryOtherByte) {
    TempTree tree;
    tree.WriteFile("tvl.ini", kWindowsFile);
    ASSERT_NE(WritePrivateProfileStringA("Müller", "onlynew", "0", tree.Path("tvl.ini").c_str()), 0);
    std::string expected = kWindowsFile;
    expected.replace(expected.find("onlynew=1"), 9, "onlynew=0");
    EXPECT_EQ(tree.ReadFile("tvl.ini"), expected);
}

TEST(PrivateProfileEncoding, ReplacedWindows1252LineStaysWindows1252) {
    TempTree tree;
    tree.WriteFile("tvl.ini", kWindowsFile);
    const std::string path = tree.Path("tvl.ini");
    ASSERT_NE(WritePrivateProfileStringA("Müller", "dir_a", "/home/jürgen", path.c_str()), 0);
    std::string expected = kWindowsFile;
    const std::string oldLine = "dir_a=C:\\Daten\\J\xfcrgen\\\xc4rger";
    expected.replace(expected.find(oldLine), oldLine.size(), "dir_a=/home/j\xfcrgen");
    EXPECT_EQ(tree.ReadFile("tvl.ini"), expected);
    char buffer[64];
    GetPrivateProfileStringA("Müller", "dir_a", "", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "/home/jürgen");
}

TEST(PrivateProfileEncoding, CutNeverSplitsAUtf8Sequence) {
    TempTree tree;
    tree.WriteFile("tvl.ini", "[S]\nk=aäö\n[äöü]\n");
    const std::string path = tree.Path("tvl.ini");
    std::string buffer(16, '#');
    // "aä" takes 3 bytes; size 5 leaves 4, which would cut "ö" in half.
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buffer.data(), 5, path.c_str()), 3u);
    EXPECT_EQ(buffer.substr(0, 4), "aä\0"s);
    // The section list "S\0äöü\0\0" cut at size 7: "S\0" then 3 of the 6 name bytes fit.
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 7, path.c_str()), 4u);
    EXPECT_EQ(buffer.substr(0, 6), "S\0ä\0\0"s);
}

class AtomicWrite : public ::testing::Test {
protected:
    TempTree tree;
    std::string path = tree.Path("tvl.ini");
};

TEST_F(AtomicWrite, FailedWriteLeavesOldFileWhole) {
    const std::string original = kReadFile + "[Optionen]\r\nwritelog=1\r\nlogsize=50\r\n";
    tree.WriteFile("tvl.ini", original);
    FailNextReplaceAfterHalf();
    EXPECT_EQ(WritePrivateProfileStringA("Optionen", "logsize", "100", path.c_str()), 0);
    EXPECT_EQ(tree.ReadFile("tvl.ini"), original);
    EXPECT_EQ(tree.ListFiles(), std::vector<std::string>{"tvl.ini"}) << "no temporary left behind";
    // The hook fires once: the next write goes through.
    EXPECT_NE(WritePrivateProfileStringA("Optionen", "logsize", "100", path.c_str()), 0);
    char buffer[8];
    GetPrivateProfileStringA("Optionen", "logsize", "", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "100");
}

TEST_F(AtomicWrite, FailedFirstWriteCreatesNoFile) {
    FailNextReplaceAfterHalf();
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", path.c_str()), 0);
    EXPECT_TRUE(tree.ListFiles().empty());
}

#ifndef _WIN32  // permission bits, links and FIFOs are POSIX's
TEST_F(AtomicWrite, KeepsPermissionBits) {
    tree.WriteFile("tvl.ini", "[S]\nk=1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_NE(WritePrivateProfileStringA("S", "k", "2", path.c_str()), 0);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(AtomicWrite, WritesThroughALinkAndKeepsIt) {
    tree.WriteFile("real/tvl.ini", "[S]\nk=1\n");
    ASSERT_EQ(::symlink("real/tvl.ini", path.c_str()), 0);
    ASSERT_NE(WritePrivateProfileStringA("S", "k", "2", path.c_str()), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(tree.ReadFile("real/tvl.ini"), "[S]\nk=2\n");
}
#endif

TEST_F(AtomicWrite, MissingFolderFails) {
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", tree.Path("no/such/tvl.ini").c_str()), 0);
    EXPECT_TRUE(tree.ListFiles().empty());
}

TEST_F(AtomicWrite, FolderInPlaceOfFileIsNeitherReadNorReplaced) {
    tree.MakeDir("tvl.ini");
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "d", buffer, sizeof buffer, path.c_str()), 1u);
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", path.c_str()), 0);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

#ifndef _WIN32
TEST_F(AtomicWrite, FifoInPlaceOfFileDoesNotHang) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "d", buffer, sizeof buffer, path.c_str()), 1u);
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", path.c_str()), 0);
}
#endif

TEST(PrivateProfileHostileInput, TenMegabyteLine) {
    TempTree tree;
    const std::string path = tree.Path("tvl.ini");
    tree.WriteFile("tvl.ini", "[" + std::string(10 * 1024 * 1024, 'x') + "\r\n[S]\r\nk=1\r\n");
    char buffer[8];
    GetPrivateProfileStringA("S", "k", "", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "1");
    ASSERT_NE(WritePrivateProfileStringA("S", "k", "2", path.c_str()), 0);
    GetPrivateProfileStringA("S", "k", "", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "2");
}

TEST(PrivateProfileHostileInput, RandomBytes) {
    TempTree tree;
    const std::string path = tree.Path("tvl.ini");
    std::mt19937 rng(4711);
    std::string bytes(1024 * 1024, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(rng() & 0xFF);
    }
    tree.WriteFile("tvl.ini", bytes);
    std::string buffer(32767, ' ');
    GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 32767, path.c_str());
    ASSERT_NE(WritePrivateProfileStringA("Neu", "k", "v", path.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileStringA("Neu", "k", "", buffer.data(), 32767, path.c_str()), 1u);
    EXPECT_EQ(tree.ReadFile("tvl.ini").substr(0, bytes.size()), bytes) << "the old bytes stay in front";
}

}  // namespace
