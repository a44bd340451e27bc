#include "TempTree.h"

#include "fileservice/FileService.h"
#include "fileservice/FileServiceTesting.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct DeletionCase {
    const char* name;
    std::string content;
    std::int32_t lineNumber;  // 0: delete by text
    const char* text;
    std::string expected;
};

class LineDeletionTest : public ::testing::TestWithParam<DeletionCase> {};

TEST_P(LineDeletionTest, KeepsEveryOtherByte) {
    const DeletionCase& c = GetParam();
    TempTree tree;
    tree.WriteFile("tvl.ini", c.content);
    std::int32_t result = -1;
    if (c.lineNumber > 0) {
        std::int32_t lineNumber = c.lineNumber;
        result = VBFILEDELETEBYLINENUMBER(tree.Path("tvl.ini").c_str(), lineNumber);
    } else {
        std::int8_t flag = 0;
        result = VBFILEDELETELINEBYTEXT(tree.Path("tvl.ini").c_str(), c.text, flag);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(tree.ReadFile("tvl.ini"), c.expected);
    EXPECT_EQ(tree.ListFiles(), std::vector<std::string>{"tvl.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineDeletionTest,
    ::testing::Values(DeletionCase{"CrLfByNumber", "a\r\nb\r\nc\r\n", 2, "", "a\r\nc\r\n"},
                      DeletionCase{"LfFirstLine", "a\nb\nc\n", 1, "", "b\nc\n"},
                      DeletionCase{"MixedByText", "a\r\nb\nc\r\n", 0, "b", "a\r\nc\r\n"},
                      DeletionCase{"MixedCrLfLineByText", "a\nb\r\nc\n", 0, "b", "a\nc\n"},
                      DeletionCase{"LastWithoutEndingByNumber", "a\r\nb", 2, "", "a\r\n"},
                      DeletionCase{"LastWithoutEndingByText", "a\nb", 0, "b", "a\n"},
                      DeletionCase{"TextNotFound", "a\r\nb\r\n", 0, "c", "a\r\nb\r\n"},
                      DeletionCase{"TextIsOnlyPartOfALine", "ab\r\n", 0, "a", "ab\r\n"},
                      DeletionCase{"NumberBeyondTheEnd", "a\nb\n", 3, "", "a\nb\n"},
                      DeletionCase{"FirstOfTwoEqualLines", "x\r\ny\r\nx\r\n", 0, "x", "y\r\nx\r\n"},
                      DeletionCase{"EmptyLine", "a\n\nb", 0, "", "a\nb"}),
    [](const ::testing::TestParamInfo<DeletionCase>& info) { return std::string(info.param.name); });

class LineDeletionFileTest : public ::testing::Test {
protected:
    void TearDown() override { SetFailWriteAfterBytes(-1); }
    TempTree tree;
};

#ifndef _WIN32  // Windows keeps a read-only attribute instead (Win32BackendTest)
TEST_F(LineDeletionFileTest, PermissionBitsAreKept) {
    tree.WriteFile("tvl.ini", "a\nb\n");
    ::chmod(tree.Path("tvl.ini").c_str(), 0604);
    std::int32_t lineNumber = 1;
    EXPECT_EQ(VBFILEDELETEBYLINENUMBER(tree.Path("tvl.ini").c_str(), lineNumber), 0);
    struct stat st {};
    ASSERT_EQ(::stat(tree.Path("tvl.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "b\n");
}
#endif

TEST_F(LineDeletionFileTest, FailingWriteLeavesTheFileUntouched) {
    tree.WriteFile("tvl.ini", "first\r\nsecond\r\nthird\r\n");
    SetFailWriteAfterBytes(4);
    std::int8_t flag = 0;
    EXPECT_EQ(VBFILEDELETELINEBYTEXT(tree.Path("tvl.ini").c_str(), "second", flag), EIO);
    EXPECT_EQ(tree.ReadFile("tvl.ini"), "first\r\nsecond\r\nthird\r\n");
    EXPECT_EQ(tree.ListFiles(), std::vector<std::string>{"tvl.ini"});
}

TEST_F(LineDeletionFileTest, MissingFileIsNothingToDo) {
    std::int32_t lineNumber = 1;
    EXPECT_EQ(VBFILEDELETEBYLINENUMBER(tree.Path("missing.ini").c_str(), lineNumber), 0);
    EXPECT_TRUE(tree.ListFiles().empty());
}

#ifndef _WIN32  // mingw's std::filesystem makes no links
TEST_F(LineDeletionFileTest, LinkIsFollowedAndKept) {
    tree.WriteFile("real/tvl.ini", "a\nb\n");
    std::filesystem::create_symlink("real/tvl.ini", tree.Path("tvl.ini"));
    std::int8_t flag = 0;
    EXPECT_EQ(VBFILEDELETELINEBYTEXT(tree.Path("tvl.ini").c_str(), "a", flag), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(tree.Path("tvl.ini"))));
    EXPECT_EQ(tree.ReadFile("real/tvl.ini"), "b\n");
}
#endif

}  // namespace
