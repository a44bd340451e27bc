// Listings whose stats run on two threads, and the target read along with the source.

#include "TempTree.h"

#include "fileservice/ComparePass.h"
#include "fileservice/FileService.h"
#include "fileservice/FileServiceTesting.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <string>
#include <vector>

namespace {

void SetTime(const std::string& path, time_t seconds, int flags = 0) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, flags), 0) << path;
}

std::string Version(time_t seconds) { return std::to_string(seconds) + ".000000005"; }

std::vector<std::string> CountAndList(const std::string& directory, Currency& total) {
    std::int16_t flag = 1;
    VBFILECOUNT(directory.c_str(), flag, "*.*", total);
    std::vector<std::string> list;
    const std::int32_t last = VBFILELIST(directory.c_str(), flag, "*.*", list, total);
    EXPECT_EQ(last + 1, static_cast<std::int32_t>(list.size()));
    return list;
}

class ListingAlongTest : public ::testing::Test {
protected:
    void SetUp() override {
        Source("a.txt", 1000);
        Source("newer.txt", 3000);
        Source("same.txt", 2000);
        Source("dir.txt", 2100);
        Source("sub/x.txt", 4000);
        Source("missing/y.txt", 5000);
        std::filesystem::create_symlink("a.txt", tree.Path("src/link"));
        SetTime(tree.Path("src/link"), 6000, AT_SYMLINK_NOFOLLOW);
        // More files than one batch holds, half of them already in the target.
        for (int i = 0; i < 700; ++i) {
            const std::string name = "big/f" + std::to_string(1000 + i);
            Source(name, 10000 + i);
            if (i % 2 == 0) Target(name, 10000 + i);
        }
        Target("same.txt", 2000, "data of same.txt");
        Target("newer.txt", 2500);
        Target("sub/x.txt", 4000);
        tree.MakeDir("dst/dir.txt");
        // Where target and source are alike, or there is no target, the size is left out.
        expected = {{"a.txt", ""}, {"dir.txt", ""}, {"link", ""}, {"newer.txt", Version(2500) + " 3"},
                    {"same.txt", Version(2000)}, {"sub/x.txt", Version(4000) + " 3"}, {"missing/y.txt", ""}};
        for (int i = 0; i < 700; ++i)
            expected["big/f" + std::to_string(1000 + i)] = i % 2 == 0 ? Version(10000 + i) + " 3" : "";
    }

    void Source(const std::string& name, time_t seconds) {
        tree.WriteFile("src/" + name, "data of " + name);
        SetTime(tree.Path("src/" + name), seconds);
    }
    void Target(const std::string& name, time_t seconds, const std::string& content = "old") {
        tree.WriteFile("dst/" + name, content);
        SetTime(tree.Path("dst/" + name), seconds);
    }

    TempTree tree;
    std::map<std::string, std::string> expected;  // target versions at the time of the listing
};

// The source's time, and its size when `sized`.
std::string SourceVersion(const std::string& path, bool sized) {
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return Version(st.st_mtim.tv_sec) + (sized ? " " + std::to_string(st.st_size) : std::string());
}

// A file removed between the folder's read and its stat leaves no answer behind for the file
// that follows it.
TEST_F(ListingAlongTest, AFileRemovedDuringTheListingLeavesNoAnswerForTheNext) {
    Source("gone/a", 3000);
    Target("gone/a", 5000);
    Source("gone/b", 3000);
    Target("gone/b", 1000);
    SetBeforeSourceStatHook([](int folder, const char* name) {
        if (std::string_view(name) == "a") ::unlinkat(folder, name, 0);
    });
    const fileservice::ComparePass pass(tree.Path("src"), tree.Path("dst"), true);
    Currency total;
    const std::vector<std::string> list = CountAndList(tree.Path("src"), total);
    SetBeforeSourceStatHook(nullptr);
    EXPECT_EQ(std::count(list.begin(), list.end(), "gone/a"), 0);
    EXPECT_EQ(VBFILEVERSION(tree.Path("dst/gone/b").c_str()), Version(1000) + " 3");
}

TEST_F(ListingAlongTest, TargetsAndSourcesAskedInAnyOrderGetWhatTheListingSaw) {
    {
        const fileservice::ComparePass pass(tree.Path("src"), tree.Path("dst"), true);
        Currency total;
        const std::vector<std::string> list = CountAndList(tree.Path("src"), total);
        ASSERT_EQ(list.size(), expected.size());

        // Changes after the listing are not seen by the pass, as for the source.
        SetTime(tree.Path("dst/same.txt"), 9999);
        tree.WriteFile("dst/a.txt", "new");
        // Backwards, each source before its target: a lookup, not a cursor.
        for (auto name = list.rbegin(); name != list.rend(); ++name) {
            ASSERT_EQ(expected.count(*name), 1u) << *name;
            // The source carries its size where its target's answer does; a link, which the
            // listing does not stat, is read live.
            const bool sized = *name == "link" || expected[*name].find(' ') != std::string::npos;
            EXPECT_EQ(VBFILEVERSION(tree.Path("src/" + *name).c_str()), SourceVersion(tree.Path("src/" + *name), sized))
                << *name;
            EXPECT_EQ(VBFILEVERSION(tree.Path("dst/" + *name).c_str()), expected[*name]) << *name;
        }
        // A path the listing did not list is read live.
        tree.WriteFile("dst/late.txt", "late");
        SetTime(tree.Path("dst/late.txt"), 8888);
        EXPECT_EQ(VBFILEVERSION(tree.Path("dst/late.txt").c_str()), Version(8888) + " 4");
    }
    // After the pass every query reads the file itself.
    EXPECT_EQ(VBFILEVERSION(tree.Path("dst/same.txt").c_str()), Version(9999) + " 16");
    EXPECT_FALSE(VBFILEVERSION(tree.Path("dst/a.txt").c_str()).empty());
}

TEST_F(ListingAlongTest, WithoutAComparingPassEverythingIsReadLive) {
    Currency total;
    const fileservice::ComparePass pass(tree.Path("src"), tree.Path("dst"), false);
    std::vector<std::string> list = CountAndList(tree.Path("src"), total);
    ASSERT_EQ(list[0], "a.txt");
    SetTime(tree.Path("src/a.txt"), 7777);
    SetTime(tree.Path("dst/same.txt"), 9999);
    // A pass that copies everything keeps no times: the files themselves are read.
    EXPECT_EQ(VBFILEVERSION(tree.Path("dst/a.txt").c_str()), "");
    EXPECT_EQ(VBFILEVERSION(tree.Path("src/a.txt").c_str()), Version(7777) + " 13");
    EXPECT_EQ(VBFILEVERSION(tree.Path("dst/same.txt").c_str()), Version(9999) + " 16");
}

// The byte total, the order and every time a listing gives must be those of the files,
// however the stats were shared out; also when the tree grew after the folder count
// that sized the arrays.
TEST(ParallelListingTest, TimesSizesAndOrderAreThoseOfTheFiles) {
    TempTree tree;
    std::int64_t bytes = 0;
    for (int folder = 0; folder < 12; ++folder) {
        const int files = folder == 3 ? 900 : folder * 7;
        for (int i = 0; i < files; ++i) {
            const std::string name = "src/d" + std::to_string(folder) + "/sub/f" + std::to_string(i);
            const std::string content(static_cast<std::size_t>(i % 50), 'x');
            tree.WriteFile(name, content);
            SetTime(tree.Path(name), 100000 + folder * 1000 + i);
            bytes += static_cast<std::int64_t>(content.size());
        }
    }
    const fileservice::ComparePass pass(tree.Path("src"), tree.Path("dst"), true);
    std::int32_t folderFlag = 1;
    VBFOLDERCOUNT(tree.Path("src").c_str(), folderFlag);
    for (int i = 0; i < 300; ++i) {  // after the count: more entries than the arrays were sized for
        const std::string name = "src/late/f" + std::to_string(i);
        tree.WriteFile(name, "late");
        SetTime(tree.Path(name), 500000 + i);
        bytes += 4;
    }

    Currency total;
    // The times the stats found are kept and asked for below, after the (missing) targets.
    const std::vector<std::string> list = CountAndList(tree.Path("src"), total);
    EXPECT_EQ(total.scaled, bytes * 10000);
    std::vector<std::string> sorted = list;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, tree.ListFiles("src"));
    // Byte order within a folder, a folder's files before its subfolders.
    EXPECT_EQ(list.front(), "d1/sub/f0");  // d0 has no files
    for (std::size_t i = 1; i < list.size(); ++i) {
        const auto folderOf = [](const std::string& name) { return name.substr(0, name.rfind('/')); };
        if (folderOf(list[i]) == folderOf(list[i - 1])) EXPECT_LT(list[i - 1], list[i]);
    }
    for (const std::string& name : list) {
        struct stat st;
        ASSERT_EQ(::lstat(tree.Path("src/" + name).c_str(), &st), 0);
        EXPECT_EQ(VBFILEVERSION(tree.Path("dst/" + name).c_str()), "") << name;
        EXPECT_EQ(VBFILEVERSION(tree.Path("src/" + name).c_str()), Version(st.st_mtim.tv_sec)) << name;
    }
    EXPECT_TRUE(pass.ListFailures().empty());
}

}  // namespace
