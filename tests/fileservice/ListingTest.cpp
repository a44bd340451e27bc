#include "TempTree.h"

#include "fileservice/FileService.h"
#include "fileservice/Listing.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Listing {
    std::int32_t lastIndex = -2;
    std::vector<std::string> entries;
    std::int64_t scaledBytes = -1;
};

Listing ListFiles(const std::string& directory, std::vector<std::string> entries = {}) {
    Listing listing;
    std::int16_t flag = 1;
    Currency total;
    listing.entries = std::move(entries);
    listing.lastIndex = VBFILELIST(directory.c_str(), flag, "*.*", listing.entries, total);
    listing.scaledBytes = total.scaled;
    return listing;
}

std::vector<std::string> ListFolders(const std::string& directory) {
    std::vector<std::string> folders;
    std::int32_t flag = 0;
    const std::int32_t lastIndex = VBFOLDERLIST(directory.c_str(), flag, folders);
    EXPECT_EQ(lastIndex + 1, static_cast<std::int32_t>(folders.size()));
    return folders;
}

TEST(ListingTest, FilesComeDepthFirstSortedByteWiseWithTheirByteTotal) {
    TempTree tree;
    tree.WriteFile("b c.txt", "12345");
    tree.WriteFile("a.txt", "1");
    tree.WriteFile("Zebra.txt", "");
    tree.WriteFile("Ärger.txt", "123");
    tree.WriteFile("sub dir/ü.txt", "1234567");
    tree.WriteFile("sub dir/x/y.txt", "12");
    tree.WriteFile("Sub/k.txt", "1234");
    tree.MakeDir("empty");
    std::filesystem::create_symlink("a.txt", tree.Path("sub dir/link"));

    // Stale entries of a reused array are cleared behind the last one.
    const Listing listing = ListFiles(tree.Path(), std::vector<std::string>(10, "stale"));
    const std::vector<std::string> expected = {"Zebra.txt", "a.txt", "b c.txt", "Ärger.txt", "Sub/k.txt",
                                               "sub dir/link", "sub dir/ü.txt", "sub dir/x/y.txt"};
    ASSERT_EQ(listing.lastIndex, 7);
    EXPECT_EQ(std::vector<std::string>(listing.entries.begin(), listing.entries.begin() + 8), expected);
    EXPECT_EQ(std::vector<std::string>(listing.entries.begin() + 8, listing.entries.end()),
              std::vector<std::string>(2, ""));
    // Regular files only: 5 + 1 + 0 + 3 + 7 + 2 + 4 bytes; the link counts 0.
    EXPECT_EQ(listing.scaledBytes, 22 * 10000);

    // The run's listing: the same files, folders and total in one walk.
    const fileservice::Listing value = fileservice::Listing::Read(tree.Path(), {});
    ASSERT_EQ(value.FileCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(value.File(i), expected[i]);
    EXPECT_EQ(value.ByteTotal().scaled, 22 * 10000);
    EXPECT_EQ(value.Folders(), (std::vector<std::string>{"/Sub", "/empty", "/sub dir", "/sub dir/x"}));
    EXPECT_TRUE(value.Failures().empty());

    std::int16_t flag = 1;
    Currency total;
    EXPECT_EQ(VBFILECOUNT(tree.Path().c_str(), flag, "*.*", total), 8);
    EXPECT_EQ(total.scaled, 22 * 10000);

    EXPECT_EQ(ListFolders(tree.Path()), (std::vector<std::string>{"/Sub", "/empty", "/sub dir", "/sub dir/x"}));
    std::int32_t folderFlag = 1;
    EXPECT_EQ(VBFOLDERCOUNT(tree.Path().c_str(), folderFlag), 4);
}

// Points TempTree at a RAM file system while it is created, where one exists: removing
// thousands of folders takes many seconds on a disk mounted with discard.
class InMemoryTempDir {
public:
    explicit InMemoryTempDir(const char* folder) {
        if (const char* old = std::getenv("TMPDIR")) m_old = old;
        m_hadOld = std::getenv("TMPDIR") != nullptr;
        if (::access(folder, W_OK | X_OK) == 0) ::setenv("TMPDIR", folder, 1);
    }
    void Restore() const {
        if (m_hadOld) ::setenv("TMPDIR", m_old.c_str(), 1);
        else ::unsetenv("TMPDIR");
    }

private:
    std::string m_old;
    bool m_hadOld = false;
};

class ManyFoldersTest : public ::testing::Test {
protected:
    ManyFoldersTest() { m_tmpDir.Restore(); }
    InMemoryTempDir m_tmpDir{"/dev/shm"};
    TempTree tree;  // after m_tmpDir: created while TMPDIR points there
};

TEST_F(ManyFoldersTest, MoreThanFiveThousandFoldersAreAllListedParentsFirst) {
    char name[32];
    for (int parent = 0; parent < 100; ++parent) {
        std::snprintf(name, sizeof name, "p%03d", parent);
        const std::string parentPath = tree.Path(name);
        ASSERT_EQ(::mkdir(parentPath.c_str(), 0755), 0);
        for (int child = 0; child < 51; ++child) {
            std::snprintf(name, sizeof name, "/c%02d", child);
            ASSERT_EQ(::mkdir((parentPath + name).c_str(), 0755), 0);
        }
    }

    const std::vector<std::string> folders = ListFolders(tree.Path());
    ASSERT_EQ(folders.size(), 5200u);
    EXPECT_EQ(folders[0], "/p000");
    EXPECT_EQ(folders[1], "/p000/c00");
    EXPECT_EQ(folders[52], "/p001");
    EXPECT_EQ(folders.back(), "/p099/c50");
    std::set<std::string> seen;
    for (const std::string& folder : folders) {
        const std::string parent = folder.substr(0, folder.rfind('/'));
        EXPECT_TRUE(parent.empty() || seen.count(parent)) << folder << " before its parent";
        seen.insert(folder);
    }
}

TEST(ListingTest, LinksAreFilesAndLoopsEndTheWalk) {
    TempTree tree;
    tree.WriteFile("dir/f.txt", "x");
    std::filesystem::create_symlink(".", tree.Path("self"));
    std::filesystem::create_symlink("..", tree.Path("dir/up"));
    std::filesystem::create_symlink("b", tree.Path("a"));
    std::filesystem::create_symlink("a", tree.Path("b"));
    std::filesystem::create_symlink("nowhere", tree.Path("dangling"));

    const Listing listing = ListFiles(tree.Path());
    EXPECT_EQ(listing.entries, (std::vector<std::string>{"a", "b", "dangling", "self", "dir/f.txt", "dir/up"}));
    EXPECT_EQ(listing.scaledBytes, 1 * 10000);
    EXPECT_EQ(ListFolders(tree.Path()), std::vector<std::string>{"/dir"});
}

TEST(ListingTest, MissingDirectoryListsNothingAndSaysWhy) {
    TempTree tree;
    const std::string missing = tree.Path("missing");
    const Listing listing = ListFiles(missing);
    EXPECT_EQ(listing.lastIndex, -1);
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_EQ(listing.scaledBytes, 0);
    const fileservice::Listing value = fileservice::Listing::Read(missing, {});
    EXPECT_EQ(value.FileCount(), 0u);
    EXPECT_TRUE(value.Folders().empty());
    const std::vector<fileservice::Failure>& failures = value.Failures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, missing);
    EXPECT_EQ(failures[0].error, ENOENT);
}

// A tree deeper than PATH_MAX: created and removed relative to descriptors, since no
// single path names its bottom.
class DeepTreeTest : public ::testing::Test {
protected:
    static constexpr int kLevels = 20;
    const std::string kLevelName = std::string(250, 'd');

    void SetUp() override {
        int fd = ::open(tree.Path().c_str(), O_RDONLY | O_DIRECTORY);
        for (int level = 0; level < kLevels; ++level) {
            ASSERT_EQ(::mkdirat(fd, kLevelName.c_str(), 0755), 0);
            const int next = ::openat(fd, kLevelName.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        const int file = ::openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::write(file, "abc", 3), 3);
        ::close(file);
        ::close(fd);
    }

    void TearDown() override { RemoveLevel(::open(tree.Path().c_str(), O_RDONLY | O_DIRECTORY), 0); }

    void RemoveLevel(int fd, int level) {
        if (level < kLevels) {
            RemoveLevel(::openat(fd, kLevelName.c_str(), O_RDONLY | O_DIRECTORY), level + 1);
            ::unlinkat(fd, kLevelName.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(fd, "deep.txt", 0);
        }
        ::close(fd);
    }

    TempTree tree;
};

TEST_F(DeepTreeTest, PathsLongerThanPathMaxAreListed) {
    const Listing listing = ListFiles(tree.Path());
    ASSERT_EQ(listing.lastIndex, 0);
    EXPECT_GT(listing.entries[0].size(), 4096u);
    EXPECT_EQ(listing.entries[0].substr(listing.entries[0].size() - 9), "/deep.txt");
    EXPECT_EQ(listing.scaledBytes, 3 * 10000);
    EXPECT_EQ(ListFolders(tree.Path()).size(), static_cast<std::size_t>(kLevels));
}

// Runs `check` in a child process without root rights, so that a folder without
// permissions is really unreadable. Exit codes: 0 pass, 77 cannot drop rights.
int RunUnprivileged(const std::string& root, int (*check)(const std::string&)) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(77);
        if (::access(root.c_str(), R_OK | X_OK) != 0) ::_exit(77);
        ::_exit(check(root));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(ListingTest, UnreadableFolderIsSkippedAndReported) {
    TempTree tree;
    tree.WriteFile("open/a.txt", "a");
    tree.WriteFile("locked/secret.txt", "s");
    ::chmod(tree.Path().c_str(), 0755);
    ::chmod(tree.Path("open").c_str(), 0755);
    ::chmod(tree.Path("open/a.txt").c_str(), 0644);
    ::chmod(tree.Path("locked").c_str(), 0);

    const int result = RunUnprivileged(tree.Path(), [](const std::string& root) {
        const Listing listing = ListFiles(root);
        if (listing.entries != std::vector<std::string>{"open/a.txt"}) return 1;
        const fileservice::Listing value = fileservice::Listing::Read(root, {});
        if (value.FileCount() != 1 || value.File(0) != "open/a.txt") return 1;
        const std::vector<fileservice::Failure>& failures = value.Failures();
        if (failures.size() != 1 || failures[0].path != root + "/locked") return 2;
        if (failures[0].error != EACCES) return 3;
        // The folder itself is still listed, so the target gets it.
        if (ListFolders(root) != std::vector<std::string>{"/locked", "/open"}) return 4;
        if (value.Folders() != std::vector<std::string>{"/locked", "/open"}) return 4;
        return 0;
    });
    ::chmod(tree.Path("locked").c_str(), 0755);
    if (result == 77) GTEST_SKIP() << "cannot run the check without root rights here";
    EXPECT_EQ(result, 0) << "1: listing, 2: failure missing, 3: reason, 4: folders";
}

}  // namespace
