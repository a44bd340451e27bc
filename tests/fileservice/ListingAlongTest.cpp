// Listings whose stats run on two threads, and the target read along with the source.

#include "TempTree.h"

#include "fileservice/FileService.h"
#include "fileservice/Listing.h"
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

fileservice::Listing Read(const std::string& source, const std::string& target, bool compare) {
    return fileservice::Listing::Read(source, {target, compare, nullptr});
}

// The index of `name` in `listing`; FileCount() when it is not listed.
std::size_t IndexOf(const fileservice::Listing& listing, const std::string& name) {
    std::size_t i = 0;
    while (i < listing.FileCount() && listing.File(i) != name) ++i;
    return i;
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
        // One name in two folders: each file its own answer.
        Source("twin/a/f", 7100);
        Target("twin/a/f", 7000);
        Source("twin/b/f", 7100);
        Target("twin/b/f", 7300);
        Target("same.txt", 2000, "data of same.txt");
        Target("newer.txt", 2500);
        Target("sub/x.txt", 4000);
        tree.MakeDir("dst/dir.txt");
        // Where target and source are alike, or there is no target, the size is left out.
        expected = {{"a.txt", ""}, {"dir.txt", ""}, {"link", ""}, {"newer.txt", Version(2500) + " 3"},
                    {"same.txt", Version(2000)}, {"sub/x.txt", Version(4000) + " 3"}, {"missing/y.txt", ""},
                    {"twin/a/f", Version(7000) + " 3"}, {"twin/b/f", Version(7300) + " 3"}};
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
    const fileservice::Listing listing = Read(tree.Path("src"), tree.Path("dst"), true);
    SetBeforeSourceStatHook(nullptr);
    EXPECT_EQ(IndexOf(listing, "gone/a"), listing.FileCount());
    const std::size_t b = IndexOf(listing, "gone/b");
    ASSERT_LT(b, listing.FileCount());
    EXPECT_EQ(listing.TargetVersion(b), Version(1000) + " 3");
}

TEST_F(ListingAlongTest, TargetsAndSourcesAskedInAnyOrderGetWhatTheListingSaw) {
    const fileservice::Listing listing = Read(tree.Path("src"), tree.Path("dst"), true);
    ASSERT_EQ(listing.FileCount(), expected.size());

    // Changes after the listing are not seen by it, as for the source.
    SetTime(tree.Path("dst/same.txt"), 9999);
    tree.WriteFile("dst/a.txt", "new");
    // Backwards, each source before its target.
    for (std::size_t i = listing.FileCount(); i-- > 0;) {
        const std::string& name = listing.File(i);
        ASSERT_EQ(expected.count(name), 1u) << name;
        // The source carries its size where its target's answer does; a link, which the
        // listing does not stat, is read live.
        const bool sized = name == "link" || expected[name].find(' ') != std::string::npos;
        EXPECT_EQ(listing.SourceVersion(i), SourceVersion(tree.Path("src/" + name), sized)) << name;
        EXPECT_EQ(listing.TargetVersion(i), expected[name]) << name;
    }
    // The operation always reads the file itself.
    EXPECT_EQ(VBFILEVERSION(tree.Path("dst/same.txt").c_str()), Version(9999) + " 16");
    EXPECT_FALSE(VBFILEVERSION(tree.Path("dst/a.txt").c_str()).empty());
}

TEST_F(ListingAlongTest, WithoutAComparingPassEverythingIsReadLive) {
    const fileservice::Listing listing = Read(tree.Path("src"), tree.Path("dst"), false);
    ASSERT_EQ(listing.File(0), "a.txt");
    const std::size_t same = IndexOf(listing, "same.txt");
    ASSERT_LT(same, listing.FileCount());
    SetTime(tree.Path("src/a.txt"), 7777);
    SetTime(tree.Path("dst/same.txt"), 9999);
    // A listing that copies everything keeps no times: the files themselves are read.
    EXPECT_EQ(listing.TargetVersion(0), "");
    EXPECT_EQ(listing.SourceVersion(0), Version(7777) + " 13");
    EXPECT_EQ(listing.TargetVersion(same), Version(9999) + " 16");
}

// The byte total, the order and every time a listing gives must be those of the files,
// however the stats were shared out.
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
    for (int i = 0; i < 300; ++i) {
        const std::string name = "src/late/f" + std::to_string(i);
        tree.WriteFile(name, "late");
        SetTime(tree.Path(name), 500000 + i);
        bytes += 4;
    }

    // The times the stats found are kept and asked for below, after the (missing) targets.
    const fileservice::Listing listing = Read(tree.Path("src"), tree.Path("dst"), true);
    std::vector<std::string> list;
    for (std::size_t i = 0; i < listing.FileCount(); ++i) list.push_back(listing.File(i));
    EXPECT_EQ(listing.ByteTotal().scaled, bytes * 10000);
    std::vector<std::string> sorted = list;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, tree.ListFiles("src"));
    // Byte order within a folder, a folder's files before its subfolders.
    EXPECT_EQ(list.front(), "d1/sub/f0");  // d0 has no files
    for (std::size_t i = 1; i < list.size(); ++i) {
        const auto folderOf = [](const std::string& name) { return name.substr(0, name.rfind('/')); };
        if (folderOf(list[i]) == folderOf(list[i - 1])) {
            EXPECT_LT(list[i - 1], list[i]);
        }
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        struct stat st;
        ASSERT_EQ(::lstat(tree.Path("src/" + list[i]).c_str(), &st), 0);
        EXPECT_EQ(listing.TargetVersion(i), "") << list[i];
        EXPECT_EQ(listing.SourceVersion(i), Version(st.st_mtim.tv_sec)) << list[i];
    }
    EXPECT_TRUE(listing.Failures().empty());
}

}  // namespace
