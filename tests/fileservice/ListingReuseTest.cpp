// The listing shortcuts that a compare pass takes for the benchmark goals must give what a
// fresh walk gives: the folder list after its count, the file list handed over whole, and
// the versions answered from the listing in any order.

#include "TempTree.h"

#include "fileservice/ComparePass.h"
#include "fileservice/FileService.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

    TempTree m_tree;
};

TEST_F(ListingReuse, FolderListAfterItsCountIsTheFreshList) {
    const std::vector<std::string> fresh = Folders("src");
    ASSERT_EQ(fresh, (std::vector<std::string>{"/a", "/a/c", "/d"}));

    const fileservice::ComparePass pass(m_tree.Path("src"), "", false);
    std::int32_t flag = 1;
    ASSERT_EQ(VBFOLDERCOUNT(m_tree.Path("src").c_str(), flag), 3);
    // A longer array keeps its length; the entries after the last one are emptied.
    EXPECT_EQ(Folders("src", std::vector<std::string>(5, "stale")),
              (std::vector<std::string>{"/a", "/a/c", "/d", "", ""}));
}

TEST_F(ListingReuse, CountOfAnotherFolderIsNotReused) {
    const fileservice::ComparePass pass(m_tree.Path("src"), "", false);
    std::int32_t flag = 1;
    ASSERT_EQ(VBFOLDERCOUNT(m_tree.Path("other").c_str(), flag), 1);
    EXPECT_EQ(Folders("src"), (std::vector<std::string>{"/a", "/a/c", "/d"}));
}

TEST_F(ListingReuse, FileListAfterAFolderCountHasEveryFile) {
    // The folder count leaves a size hint for the file listing; the listing itself is whole.
    const fileservice::ComparePass pass(m_tree.Path("src"), "", false);
    std::int32_t folderFlag = 1;
    VBFOLDERCOUNT(m_tree.Path("src").c_str(), folderFlag);
    m_tree.WriteFile("src/e.txt", "1234");  // after the count: the file walk still sees it
    std::int16_t flag = 1;
    Currency total;
    std::vector<std::string> list;
    ASSERT_EQ(VBFILELIST(m_tree.Path("src").c_str(), flag, "*.*", list, total), 3);
    EXPECT_EQ(list, (std::vector<std::string>{"b.txt", "e.txt", "a/x.txt", "a/c/y.txt"}));
    EXPECT_EQ(total.scaled, 10 * 10000);
}

TEST_F(ListingReuse, VersionsComeFromTheListingInAnyOrder) {
    const auto setTime = [&](const std::string& relative, time_t seconds) {
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, m_tree.Path(relative).c_str(), times, 0), 0);
    };
    setTime("src/b.txt", 1000);
    setTime("src/a/x.txt", 2000);
    std::int16_t flag = 1;
    Currency total;
    std::vector<std::string> list;
    const fileservice::ComparePass pass(m_tree.Path("src"), m_tree.Path("dst"), true);
    ASSERT_EQ(VBFILELIST(m_tree.Path("src").c_str(), flag, "*.*", list, total), 2);
    setTime("src/b.txt", 1500);
    setTime("src/a/x.txt", 2500);

    // The second entry first, its source before its target (none): what the listing saw.
    EXPECT_EQ(VBFILEVERSION(m_tree.Path("src/a/x.txt").c_str()), "2000.000000000");
    EXPECT_EQ(VBFILEVERSION(m_tree.Path("dst/a/x.txt").c_str()), "");
    // A path of the same length that is not an entry: read live.
    EXPECT_EQ(VBFILEVERSION(m_tree.Path("src/a.txt").c_str()), "");
    EXPECT_EQ(VBFILEVERSION(m_tree.Path("src/b.txt").c_str()), "1000.000000000");
}

}  // namespace
