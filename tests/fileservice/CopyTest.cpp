#include <algorithm>
#include "TempTree.h"

#include "fileservice/FileService.h"
#include "fileservice/FileServiceTesting.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace fs = std::filesystem;

namespace {

class CopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.MakeDir("src");
        tree.MakeDir("dst");
    }
    void TearDown() override {
        SetFailWriteAfterBytes(-1);
        VBFILECOPYWAIT();
    }

    std::string Src(const std::string& name) const { return tree.Path("src/" + name); }
    std::string Dst(const std::string& name) const { return tree.Path("dst/" + name); }
    void Copy(const std::string& name) { ASSERT_EQ(VBFILECOPYASYNC(Dst(name).c_str(), Src(name).c_str()), 0); }

#ifndef _WIN32
    static struct stat Lstat(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }
#endif

    TempTree tree;
};

// As on a file system with files that have no name yet, named directly or (older kernels)
// through /proc, and as on one without them (FAT).
enum class Way { Unnamed, UnnamedLinkedThroughProc, NamedTemporaries };

class CopyWaysTest : public CopyTest, public ::testing::WithParamInterface<Way> {
protected:
    void SetUp() override {
        CopyTest::SetUp();
        SetLinkThroughProc(GetParam() == Way::UnnamedLinkedThroughProc);
        SetNamedTemporariesOnly(GetParam() == Way::NamedTemporaries);
    }
    void TearDown() override {
        CopyTest::TearDown();
        SetLinkThroughProc(false);
        SetNamedTemporariesOnly(false);
    }
};

#ifndef _WIN32  // modes, nanoseconds, links and FIFOs: the Win32 side has its own (Win32BackendTest)
TEST_F(CopyTest, CopyKeepsNanosecondTimeAndPermissionsSoItIsNotNewerEitherWay) {
    std::string content(300 * 1024, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    tree.WriteFile("src/data.bin", content);
    tree.WriteFile("dst/data.bin", "stale old target");
    ::chmod(Src("data.bin").c_str(), 0640);
    const struct timespec times[2] = {{1500000000, 5}, {1600000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Src("data.bin").c_str(), times, 0), 0);

    Copy("data.bin");
    EXPECT_TRUE(VBFILECOPYWAIT().empty());

    EXPECT_EQ(tree.ReadFile("dst/data.bin"), content);
    const struct stat st = Lstat(Dst("data.bin"));
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    const std::string sourceVersion = VBFILEVERSION(Src("data.bin").c_str());
    const std::string targetVersion = VBFILEVERSION(Dst("data.bin").c_str());
    EXPECT_EQ(sourceVersion, "1600000000.123456789 307200");
    EXPECT_EQ(VBFILEISNEWER(sourceVersion.c_str(), targetVersion.c_str(), 1), 0);
    EXPECT_EQ(VBFILEISNEWER(targetVersion.c_str(), sourceVersion.c_str(), 1), 0);
    EXPECT_EQ(tree.ListFiles("dst"), std::vector<std::string>{"data.bin"});
}

TEST_F(CopyTest, LinksAreCopiedAsLinksWithTheirTime) {
    fs::create_symlink("../elsewhere/target.txt", Src("link"));
    const struct timespec times[2] = {{1600000000, 0}, {1600000000, 42}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Src("link").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    tree.WriteFile("dst/link", "a regular file stood here");

    Copy("link");
    EXPECT_TRUE(VBFILECOPYWAIT().empty());

    ASSERT_TRUE(fs::is_symlink(fs::symlink_status(Dst("link"))));
    EXPECT_EQ(fs::read_symlink(Dst("link")), "../elsewhere/target.txt");
    EXPECT_EQ(VBFILEVERSION(Dst("link").c_str()), "1600000000.000000042 23");
}

TEST_F(CopyTest, FifoIsRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo(Src("pipe").c_str(), 0644), 0);
    Copy("pipe");
    const std::vector<CopyFailure> failures = VBFILECOPYWAIT();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].source, Src("pipe"));
    EXPECT_EQ(failures[0].failure.path, Dst("pipe"));
    EXPECT_EQ(failures[0].failure.error, fileservice::kNotRegularFile);
    EXPECT_TRUE(tree.ListFiles("dst").empty());
}

#endif

TEST_P(CopyWaysTest, InterruptedCopyLeavesOldTargetAndNoTemporary) {
    tree.WriteFile("src/big.txt", std::string(200 * 1024, 'n'));
    tree.WriteFile("dst/big.txt", "old content");
    SetFailWriteAfterBytes(70000);

    Copy("big.txt");
    const std::vector<CopyFailure> failures = VBFILECOPYWAIT();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].failure.error, EIO);
    EXPECT_EQ(tree.ReadFile("dst/big.txt"), "old content");
    EXPECT_EQ(tree.ListFiles("dst"), std::vector<std::string>{"big.txt"});
}

#ifndef _WIN32  // holes made and measured with POSIX calls
TEST_F(CopyTest, SparseFileKeepsItsHoles) {
    constexpr off_t kSize = off_t{3} << 30;
    // Data at the start, across a block boundary in the middle, and before a hole at the end.
    const std::pair<off_t, std::string> pieces[] = {
        {0, std::string(5000, 'a')}, {(off_t{1} << 30) + 4000, std::string(3000, 'b')}, {kSize - (1 << 20), "c"}};
    const int fd = ::open(Src("disk.img").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    for (const auto& [at, bytes] : pieces) ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    ASSERT_EQ(::ftruncate(fd, kSize), 0);
    ::close(fd);
    const struct stat source = Lstat(Src("disk.img"));
    if (source.st_blocks * 512 >= source.st_size) GTEST_SKIP() << "this file system keeps no holes";

    Copy("disk.img");
    EXPECT_TRUE(VBFILECOPYWAIT().empty());
    const struct stat copy = Lstat(Dst("disk.img"));
    EXPECT_EQ(copy.st_size, kSize);
    // Space for about the data alone, so the rest is holes, which read as the zeros they are.
    EXPECT_LE(copy.st_blocks, source.st_blocks + 16) << "the holes were filled";
    const int in = ::open(Dst("disk.img").c_str(), O_RDONLY | O_CLOEXEC);
    for (const auto& [at, bytes] : pieces) {
        std::string read(bytes.size(), '\0');
        EXPECT_EQ(::pread(in, read.data(), read.size(), at), ssize_t(read.size()));
        EXPECT_TRUE(read == bytes) << "data at " << at;
    }
    ::close(in);
}
#endif

// A writer beside the copy: after the first pass over the data, it appends to the source or
// rewrites it in place (the parameter).
std::atomic<bool> g_changeDue{false};
bool g_inPlace = false;
void ChangeSourceOnce(const char* source) {
    if (!g_changeDue.exchange(false)) return;
    std::fstream file(source, std::ios::binary | std::ios::in | std::ios::out | (g_inPlace ? std::ios::openmode() : std::ios::app));
    file << "changed";
    EXPECT_TRUE(file.flush());
}

class SourceChangingTest : public CopyTest, public ::testing::WithParamInterface<bool> {
protected:
    void TearDown() override {
        SetAfterCopyDataHook(nullptr);
        CopyTest::TearDown();
    }
};

// Changed once, it is copied again as it is now; changing at every copy, it fails (see
// AwkwardSource in the fault suite).
TEST_P(SourceChangingTest, IsCopiedAgainAsItIsNow) {
    tree.WriteFile("src/log.db", std::string(512 * 1024, 'o'), fs::file_time_type::clock::now() - std::chrono::hours(1));
    tree.WriteFile("dst/log.db", "old target");
    g_changeDue = true;
    g_inPlace = GetParam();
    SetAfterCopyDataHook(&ChangeSourceOnce);
    Copy("log.db");

    EXPECT_TRUE(VBFILECOPYWAIT().empty());
    EXPECT_EQ(tree.ListFiles("dst"), std::vector<std::string>{"log.db"});  // no temporary left
    EXPECT_TRUE(tree.ReadFile("dst/log.db") == tree.ReadFile("src/log.db")) << "not the source's last state";
    EXPECT_EQ(MTime(Dst("log.db")), MTime(Src("log.db")));
}

INSTANTIATE_TEST_SUITE_P(Writers, SourceChangingTest, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "RewrittenInPlace" : "Appended"); });

TEST_P(CopyWaysTest, DirectoryWhereTheFileGoesIsReportedAndKept) {
    tree.WriteFile("src/name", "file");
    tree.WriteFile("dst/name/inside.txt", "keep");
    Copy("name");
    const std::vector<CopyFailure> failures = VBFILECOPYWAIT();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].failure.error, EISDIR);
    EXPECT_EQ(tree.ReadFile("dst/name/inside.txt"), "keep");
    EXPECT_EQ(tree.ListFiles("dst"), std::vector<std::string>{"name/inside.txt"});
}

TEST_F(CopyTest, MissingDestinationFolderIsReported) {
    tree.WriteFile("src/f.txt", "x");
    ASSERT_EQ(VBFILECOPYASYNC(Dst("missing/f.txt").c_str(), Src("f.txt").c_str()), 0);
    const std::vector<CopyFailure> failures = VBFILECOPYWAIT();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].failure.path, Dst("missing/f.txt"));
    EXPECT_EQ(failures[0].failure.error, ENOENT);
    EXPECT_TRUE(tree.ListFiles("dst").empty());
}

TEST_F(CopyTest, FailuresComeInHandOverOrderAndAreForgotten) {
    for (int i = 0; i < 40; ++i) {
        const std::string name = "f" + std::to_string(i);
        if (i % 2 == 0) tree.WriteFile("src/" + name, name);
        Copy(name);
    }
    const std::vector<CopyFailure> failures = VBFILECOPYWAIT();
    ASSERT_EQ(failures.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(failures[i].source, Src("f" + std::to_string(2 * i + 1)));
    EXPECT_EQ(tree.ListFiles("dst").size(), 20u);
    EXPECT_EQ(tree.ReadFile("dst/f38"), "f38");
    EXPECT_TRUE(VBFILECOPYWAIT().empty());
    EXPECT_EQ(VBFILECOPYPENDING(), 0);
}

TEST_P(CopyWaysTest, LeftoverOfAKilledRunIsReplacedByTheNextCopy) {
    tree.WriteFile("dst/" + TemporaryNameFor("f.txt"), "half written");
    tree.WriteFile("dst/f.txt", "old");
    tree.WriteFile("src/f.txt", "complete");
    Copy("f.txt");
    EXPECT_TRUE(VBFILECOPYWAIT().empty());
    EXPECT_EQ(tree.ListFiles("dst"), std::vector<std::string>{"f.txt"});
    EXPECT_EQ(tree.ReadFile("dst/f.txt"), "complete");
}

std::string WayName(const ::testing::TestParamInfo<Way>& info) {
    static const char* const kNames[] = {"Unnamed", "UnnamedLinkedThroughProc", "NamedTemporaries"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, CopyWaysTest,
                         ::testing::Values(Way::Unnamed, Way::UnnamedLinkedThroughProc, Way::NamedTemporaries), WayName);

#ifndef _WIN32  // descriptors read from /proc
// The workers keep the folders of their copies open between files. Once the copies are waited
// for, none is open (a stick can be ejected), and a folder replaced since gets the next copies.
TEST_F(CopyTest, FoldersAreLetGoAfterTheWaitAndAReplacedOneGetsTheNextCopies) {
    std::vector<std::string> first;
    for (int i = 0; i < 16; ++i) first.push_back("sub/a" + std::to_string(i));  // for every worker
    for (const std::string& name : first) tree.WriteFile("src/" + name, name);
    tree.WriteFile("src/sub/b", "b");
    tree.MakeDir("dst/sub");
    for (const std::string& name : first) Copy(name);
    EXPECT_TRUE(VBFILECOPYWAIT().empty());
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string open = fs::read_symlink(fd.path(), error).string();
        EXPECT_FALSE(open.starts_with(tree.Root().string())) << open;
    }

    fs::rename(tree.Path("dst/sub"), tree.Path("dst/old"));
    tree.MakeDir("dst/sub");
    Copy("sub/b");
    EXPECT_TRUE(VBFILECOPYWAIT().empty());
    EXPECT_EQ(tree.ListFiles("dst/sub"), std::vector<std::string>{"b"});
}

// a child process by posix_spawn
constexpr int kExitCopies = 20;
constexpr std::size_t kExitCopySize = 1024 * 1024;

// The child of PoolFinishesHandedOverCopiesAtExit: hands copies over and exits at once.
TEST(PoolExitChild, DISABLED_HandOverAndExit) {
    const char* folder = std::getenv("TVL_POOL_EXIT_DIR");
    ASSERT_NE(folder, nullptr);
    const std::string source = std::string(folder) + "/src/big";
    for (int i = 0; i < kExitCopies; ++i) {
        const std::string destination = std::string(folder) + "/dst/copy" + std::to_string(i);
        VBFILECOPYASYNC(destination.c_str(), source.c_str());
    }
    std::exit(0);
}

TEST_F(CopyTest, PoolFinishesHandedOverCopiesAtExit) {
    tree.WriteFile("src/big", std::string(kExitCopySize, 'b'));
    const std::string folderVariable = "TVL_POOL_EXIT_DIR=" + tree.Path();
    std::vector<char*> environment;
    for (char** variable = environ; *variable; ++variable) environment.push_back(*variable);
    environment.push_back(const_cast<char*>(folderVariable.c_str()));
    environment.push_back(nullptr);
    const char* arguments[] = {"fileservice_tests", "--gtest_filter=PoolExitChild.*", "--gtest_also_run_disabled_tests",
                               nullptr};
    posix_spawn_file_actions_t quiet;  // the child's own test report would only confuse this one's
    ::posix_spawn_file_actions_init(&quiet);
    ::posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, "/proc/self/exe", &quiet, nullptr, const_cast<char**>(arguments),
                                      environment.data());
    ::posix_spawn_file_actions_destroy(&quiet);
    ASSERT_EQ(spawned, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::vector<std::string> copies = tree.ListFiles("dst");
    EXPECT_EQ(copies.size(), static_cast<std::size_t>(kExitCopies));  // no temporary left either
    for (const std::string& copy : copies) EXPECT_EQ(fs::file_size(Dst(copy)), kExitCopySize) << copy;
}
#endif

#ifndef _WIN32  // names that differ in case only, and a link
TEST(LeftoverTest, RemovesTemporariesInTheFolderAndNothingElse) {
    TempTree tree;
    const std::string leftover = TemporaryNameFor("report.doc");
    tree.WriteFile("dst/" + leftover, "x");
    tree.WriteFile("dst/.tvl-0123456789abcdef.tmp", "x");
    fs::create_symlink("target", tree.Path("dst/" + TemporaryNameFor("link")));
    tree.MakeDir("dst/.tvl-aaaaaaaaaaaaaaaa.tmp");  // a folder is never a leftover
    tree.WriteFile("dst/.tvl-short.tmp", "x");
    tree.WriteFile("dst/.tvl-0123456789ABCDEF.tmp", "x");
    tree.WriteFile("dst/keep.txt", "x");
    tree.WriteFile("dst/sub/" + leftover, "x");  // not recursive
    tree.WriteFile("dst/.tvl-fedcba9876543210.tmp", "mirrored");
    tree.WriteFile("src/.tvl-fedcba9876543210.tmp", "a name the source has");

    EXPECT_EQ(VBFOLDERREMOVELEFTOVERS(tree.Path("dst").c_str(), tree.Path("src").c_str()), 3);
    EXPECT_EQ(tree.ListFiles("dst"), (std::vector<std::string>{".tvl-0123456789ABCDEF.tmp", ".tvl-fedcba9876543210.tmp",
                                                                ".tvl-short.tmp", "keep.txt", "sub/" + leftover}));
    EXPECT_TRUE(tree.Exists("dst/.tvl-aaaaaaaaaaaaaaaa.tmp"));
    EXPECT_EQ(VBFOLDERREMOVELEFTOVERS(tree.Path("missing").c_str(), nullptr), -1);
}
#endif

// Removals handed to the pool must never run beside a copy into the same folder: they
// would take its temporary, and the copy would fail. A large folder makes the removal slow
// enough for copies into it to overlap, were they let.
TEST(LeftoverTest, BackgroundRemovalsFinishBeforeLaterCopiesAndTakeOnlyLeftovers) {
    TempTree tree;
    constexpr int kFiller = 5000;
    constexpr int kCopies = 48;
    tree.MakeDir("dst/big");
    for (int i = 0; i < kFiller; ++i) WriteBytes(tree.Path("dst/big/keep" + std::to_string(i)), "");
    tree.WriteFile("dst/big/" + TemporaryNameFor("old"), "leftover");
    tree.WriteFile("dst/small/" + TemporaryNameFor("old"), "leftover");
    tree.WriteFile("src/f", std::string(256 * 1024, 'a'));

    ASSERT_EQ(VBFOLDERREMOVELEFTOVERSASYNC(tree.Path("dst/big").c_str(), nullptr), 0);
    ASSERT_EQ(VBFOLDERREMOVELEFTOVERSASYNC(tree.Path("dst/small").c_str(), nullptr), 0);
    for (int i = 0; i < kCopies; ++i) {
        ASSERT_EQ(VBFILECOPYASYNC(tree.Path("dst/big/copy" + std::to_string(i)).c_str(), tree.Path("src/f").c_str()), 0);
        // The first copy was handed over only once the removals were done.
        if (i == 0) {
            EXPECT_FALSE(tree.Exists("dst/big/" + TemporaryNameFor("old")));
        }
    }
    EXPECT_TRUE(VBFILECOPYWAIT().empty());
    EXPECT_EQ(VBFILECOPYPENDING(), 0);

    const std::vector<std::string> files = tree.ListFiles("dst");
    EXPECT_EQ(files.size(), static_cast<std::size_t>(kFiller + kCopies));  // both leftovers gone, nothing else
    for (int i = 0; i < kCopies; ++i) EXPECT_TRUE(tree.Exists("dst/big/copy" + std::to_string(i))) << i;
    EXPECT_EQ(VBFOLDERREMOVELEFTOVERSASYNC("", nullptr), -1);
}

}  // namespace
