#include "TempTree.h"

#include "fileservice/FileService.h"
#include "fileservice/Listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct NewerCase {
    const char* name;
    const char* first;
    const char* second;
    std::int32_t mode;
    std::int32_t expected;
};

class NewerTest : public ::testing::TestWithParam<NewerCase> {};

TEST_P(NewerTest, Compares) {
    const NewerCase& c = GetParam();
    EXPECT_EQ(VBFILEISNEWER(c.first, c.second, c.mode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NewerTest,
    ::testing::Values(NewerCase{"NoTargetYet", "100.000000000", "", 1, -1},
                      NewerCase{"NoSource", "", "100.000000000", 1, 0},
                      NewerCase{"BothMissing", "", "", 1, 0},
                      NewerCase{"Equal", "100.000000000", "100.000000000", 1, 0},
                      NewerCase{"ExactlyTwoSecondsLater", "102.000000000", "100.000000000", 1, 0},
                      NewerCase{"FatStampRoundedDown", "101.999999999", "100.000000000", 1, 0},
                      NewerCase{"JustOverTwoSeconds", "102.000000001", "100.000000000", 1, -1},
                      NewerCase{"BorrowAcrossSeconds", "103.000000000", "100.999999999", 1, -1},
                      NewerCase{"Older", "100.000000000", "200.000000000", 1, 0},
                      NewerCase{"BeforeNineteenSeventy", "-1.500000000", "-4.000000000", 1, -1},
                      NewerCase{"UnreadableTargetText", "100.000000000", "abc", 1, -1},
                      NewerCase{"UnreadableSourceText", "1x", "100.000000000", 1, 0},
                      NewerCase{"OtherModeLikeOne", "300.000000000", "100.000000000", 0, -1},
                      NewerCase{"OtherModeWithinTolerance", "101.000000000", "100.000000000", 7, 0},
                      NewerCase{"SameTimeSameSize", "100.000000000 7", "100.000000000 7", 1, 0},
                      NewerCase{"SameTimeOtherSize", "100.000000000 7", "100.000000000 3", 1, -1},
                      NewerCase{"TargetNewerWithinToleranceOtherSize", "100.000000000 7", "101.900000000 0", 1, -1},
                      NewerCase{"TargetNewerOtherSize", "100.000000000 7", "102.000000001 3", 1, 0},
                      NewerCase{"SizeOnOneSideOnly", "100.000000000 7", "100.000000000", 1, 0},
                      NewerCase{"SizeNotANumber", "100.000000000 7x", "50.000000000 7", 1, 0}),
    [](const ::testing::TestParamInfo<NewerCase>& info) { return std::string(info.param.name); });

#ifndef _WIN32  // Windows keeps times in steps of 100 ns (Win32BackendTest)
TEST(VersionTest, CarriesModificationTimeToTheNanosecond) {
    TempTree tree;
    tree.WriteFile("f.txt", "x");
    tree.MakeDir("folder");
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1600000000, 7}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("f.txt").c_str(), times, 0), 0);

    EXPECT_EQ(VBFILEVERSION(tree.Path("f.txt").c_str()), "1600000000.000000007 1");
    EXPECT_EQ(VBFILEVERSION(tree.Path("missing.txt").c_str()), "");
    EXPECT_EQ(VBFILEVERSION(tree.Path("folder").c_str()), "");
}
#endif

#ifndef _WIN32  // mingw's std::filesystem makes no links
TEST(FolderExistsTest, DirectoriesAndLinksToThemCount) {
    TempTree tree;
    tree.MakeDir("dir");
    tree.WriteFile("file", "x");
    std::filesystem::create_symlink("dir", tree.Path("dirlink"));
    EXPECT_NE(VBFOLDEREXISTS(tree.Path("dir").c_str()), 0);
    EXPECT_NE(VBFOLDEREXISTS(tree.Path("dirlink").c_str()), 0);
    EXPECT_EQ(VBFOLDEREXISTS(tree.Path("file").c_str()), 0);
    EXPECT_EQ(VBFOLDEREXISTS(tree.Path("missing").c_str()), 0);
}
#endif

}  // namespace

namespace {

#ifndef _WIN32  // times set through a link (utimensat)
TEST(ListedVersionTest, FilesOfTheListingGetTheListedTimesTheOperationReadsLive) {
    TempTree tree;
    tree.WriteFile("src/a.txt", "a");
    tree.WriteFile("src/b.txt", "b");
    tree.WriteFile("src/sub/c.txt", "c");
    std::filesystem::create_symlink("a.txt", tree.Path("src/link"));
    tree.WriteFile("dst/a.txt", "old");
    const auto setTime = [&](const std::string& relative, time_t seconds, int flags = 0) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 5}};
        ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path(relative).c_str(), times, flags), 0);
    };
    setTime("src/a.txt", 1000);
    setTime("src/b.txt", 2000);
    setTime("src/sub/c.txt", 3000);
    setTime("src/link", 4000, AT_SYMLINK_NOFOLLOW);
    setTime("dst/a.txt", 500);

    const fileservice::Listing listing =
        fileservice::Listing::Read(tree.Path("src"), {tree.Path("dst"), true, nullptr});
    const std::vector<std::string> list = {"a.txt", "b.txt", "link", "sub/c.txt"};
    ASSERT_EQ(listing.FileCount(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(listing.File(i), list[i]);
    EXPECT_EQ(listing.ByteTotal().scaled, 3 * 10000);

    // A change after the listing: the run compares what it listed...
    setTime("src/b.txt", 2500);
    // (the link, which the listing does not stat, is read live).
    const std::vector<std::string> expected = {"1000.000000005 1", "2000.000000005", "4000.000000005 5",
                                               "3000.000000005"};
    const std::vector<std::string> expectedTargets = {"500.000000005 3", "", "", ""};
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(listing.TargetVersion(i), expectedTargets[i]) << list[i];
        EXPECT_EQ(listing.SourceVersion(i), expected[i]) << list[i];
    }
    // ...and the operation reads the file itself.
    EXPECT_EQ(VBFILEVERSION(tree.Path("src/b.txt").c_str()), "2500.000000005 1");
}
#endif

}  // namespace
