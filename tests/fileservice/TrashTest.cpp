#include "TempTree.h"

#include "fileservice/Trash.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>

namespace {

// Each test trashes into a data folder of its own, never the user's.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_DATA_HOME")) m_old = old;
        m_hadOld = std::getenv("XDG_DATA_HOME") != nullptr;
        ::setenv("XDG_DATA_HOME", tree.Path("xdg").c_str(), 1);
    }
    void TearDown() override {
        if (m_hadOld) ::setenv("XDG_DATA_HOME", m_old.c_str(), 1);
        else ::unsetenv("XDG_DATA_HOME");
    }

    TempTree tree;
    std::string m_old;
    bool m_hadOld = false;
};

TEST_F(TrashTest, NamesWithPercentBlanksAndUmlautsRestoreWhereTheyWere) {
    tree.WriteFile("100% Ärger über/x.txt", "x");
    // A trailing separator is not stored: the item restores under its own name.
    const fileservice::Result<std::string> trashed = fileservice::MoveToTrash(tree.Path("100% Ärger über") + "/");
    ASSERT_TRUE(trashed.Ok()) << trashed.Error().error;
    EXPECT_EQ(trashed.Value(), tree.Path("xdg/Trash/files/100% Ärger über"));
    EXPECT_FALSE(tree.Exists("100% Ärger über"));
    EXPECT_EQ(tree.ReadFile("xdg/Trash/files/100% Ärger über/x.txt"), "x");
    const std::string info = tree.ReadFile("xdg/Trash/info/100% Ärger über.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u) << info;
    EXPECT_NE(info.find("/100%25%20%C3%84rger%20%C3%BCber\nDeletionDate="), std::string::npos) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")))
        << info;

    // A second item of the same name gets its own place; the first stays as it was.
    tree.WriteFile("100% Ärger über/y.txt", "y");
    const fileservice::Result<std::string> second = fileservice::MoveToTrash(tree.Path("100% Ärger über"));
    ASSERT_TRUE(second.Ok()) << second.Error().error;
    EXPECT_EQ(tree.ReadFile("xdg/Trash/files/100% Ärger über 2/y.txt"), "y");
    EXPECT_TRUE(tree.Exists("xdg/Trash/info/100% Ärger über 2.trashinfo"));
    EXPECT_EQ(tree.ReadFile("xdg/Trash/files/100% Ärger über/x.txt"), "x");
}

TEST_F(TrashTest, WithoutAUsableTrashNothingMovesAndTheReasonIsGiven) {
    tree.WriteFile("keep/k.txt", "k");
    tree.WriteFile("blocker", "a file where the data folder must go");
    ::setenv("XDG_DATA_HOME", tree.Path("blocker").c_str(), 1);
    const fileservice::Result<std::string> trashed = fileservice::MoveToTrash(tree.Path("keep"));
    ASSERT_FALSE(trashed.Ok());
    EXPECT_EQ(trashed.Error().error, ENOTDIR);
    EXPECT_EQ(tree.ReadFile("keep/k.txt"), "k");

    const fileservice::Result<std::string> missing = fileservice::MoveToTrash(tree.Path("missing"));
    ASSERT_FALSE(missing.Ok());
    EXPECT_EQ(missing.Error().error, ENOENT);
}

}  // namespace
