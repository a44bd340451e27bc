// The run's listing as a value: one walk gives the folders and files that the separate
// operations give, and each file's versions are its own, asked for by index in any order.

#include "TempTree.h"

#include "fileservice/FileService.h"
#include "fileservice/Listing.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

class ListingReuse : public ::testing::Test {
protected:
    void SetUp() override {
        m_tree.WriteFile("src/b.txt", "12");
        m_tree.WriteFile("src/a/x.txt", "1");
        m_tree.WriteFile("src/a/c/y.txt", "123");
        m_tree.MakeDir("src/d");
        m_tree.WriteFile("other/q/r.txt", "");
    }

    std::vector<std::string> Folders(const std::string& relative, std::vector<std::string> list = {}) {
        std::int32_t flag = 0;
        VBFOLDERLIST(m_tree.Path(relative).c_str(), flag, list);
        return list;
    }

    void SetTime(const std::string& relative, time_t seconds) {
        using namespace std::chrono;
        SetMTime(m_tree.Root() / relative, file_clock::from_sys(sys_seconds(seconds * 1s)));
    }

    TempTree m_tree;
};

TEST_F(ListingReuse, OneWalkGivesWhatTheSeparateOperationsGive) {
    std::int32_t folderFlag = 1;
    EXPECT_EQ(VBFOLDERCOUNT(m_tree.Path("src").c_str(), folderFlag), 3);
    const std::vector<std::string> folders = Folders("src");
    ASSERT_EQ(folders, (std::vector<std::string>{"/a", "/a/c", "/d"}));
    // A longer array keeps its length; the entries after the last one are emptied.
    EXPECT_EQ(Folders("src", std::vector<std::string>(5, "stale")),
              (std::vector<std::string>{"/a", "/a/c", "/d", "", ""}));
    std::int16_t flag = 1;
    Currency total;
    std::vector<std::string> files;
    ASSERT_EQ(VBFILELIST(m_tree.Path("src").c_str(), flag, "*.*", files, total), 2);

    const fileservice::Listing listing = fileservice::Listing::Read(m_tree.Path("src"), {});
    EXPECT_EQ(listing.Folders(), folders);
    ASSERT_EQ(listing.FileCount(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(listing.File(i), files[i]);
    EXPECT_EQ(listing.ByteTotal().scaled, total.scaled);
    EXPECT_EQ(total.scaled, 6 * 10000);
}

TEST_F(ListingReuse, VersionsAreWhatTheListingSawAskedByIndexInAnyOrder) {
    SetTime("src/b.txt", 1000);
    SetTime("src/a/x.txt", 2000);
    const fileservice::Listing listing =
        fileservice::Listing::Read(m_tree.Path("src"), {m_tree.Path("dst"), true, nullptr});
    ASSERT_EQ(listing.FileCount(), 3u);
    ASSERT_EQ(listing.File(1), "a/x.txt");
    SetTime("src/b.txt", 1500);
    SetTime("src/a/x.txt", 2500);

    // The second entry first, its source before its target (none): what the listing saw.
    EXPECT_EQ(listing.SourceVersion(1), "2000.000000000");
    EXPECT_EQ(listing.TargetVersion(1), "");
    EXPECT_EQ(listing.SourceVersion(0), "1000.000000000");
    // The operation reads the file as it is now, and so does a listing that does not compare.
    EXPECT_EQ(VBFILEVERSION(m_tree.Path("src/b.txt").c_str()), "1500.000000000 2");
    const fileservice::Listing live = fileservice::Listing::Read(m_tree.Path("src"), {m_tree.Path("dst"), false, nullptr});
    SetTime("src/b.txt", 1700);
    EXPECT_EQ(live.SourceVersion(0), "1700.000000000 2");
    EXPECT_EQ(live.TargetVersion(0), "");
}

}  // namespace
