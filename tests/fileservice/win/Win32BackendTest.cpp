// The Win32 side's own behaviour: names Windows refuses, \\?\ paths beyond MAX_PATH, names
// that differ in case only, read-only files, the recycle bin, identity and the run lock. On
// real folders below the system's temporary folder.

#include "fileservice/FileService.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/FolderEntries.h"
#include "fileservice/Listing.h"
#include "fileservice/Medium.h"
#include "fileservice/SafeFile.h"
#include "fileservice/win/Win32.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using fileservice::Failure;

// A fresh folder below the temporary folder, removed with everything in it afterwards.
class Win32Test : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        const DWORD length = ::GetTempPathW(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        m_root = fileservice::UniqueTemporaryPath(fileservice::Utf8Of(std::wstring_view(temp, length)) + "x");
        ASSERT_TRUE(fileservice::MakeFolder(m_root).Ok()) << m_root;
    }
    void TearDown() override { EXPECT_TRUE(fileservice::RemoveTree(m_root).Ok()); }

    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }
    void Write(const std::string& relative, const std::string& content) const {
        ASSERT_TRUE(fileservice::ReplaceFile(Path(relative), content).Ok()) << relative;
    }
    std::string Read(const std::string& relative) const {
        const fileservice::Result<std::string> read = fileservice::ReadRegularFile(Path(relative));
        return read ? read.Value() : "<" + std::to_string(read.Error().error) + ">";
    }
    std::vector<std::string> Names(const std::string& folder = {}) const {
        std::vector<std::string> names;
        const auto entries = fileservice::ReadFolderEntries(folder.empty() ? m_root : Path(folder));
        if (entries)
            for (const auto& entry : entries.Value()) names.push_back(entry.name);
        std::sort(names.begin(), names.end());
        return names;
    }
    void SetTime(const std::string& relative, std::int64_t seconds) const {
        const auto wide = fileservice::WidePath(Path(relative));
        const HANDLE handle = fileservice::OpenWide(wide.Value(), FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, 0);
        const FILETIME time = fileservice::FiletimeOf({static_cast<time_t>(seconds), 0});
        ASSERT_TRUE(::SetFileTime(handle, nullptr, nullptr, &time)) << relative;
        ::CloseHandle(handle);
    }
    static bool ReadOnly(const std::string& path) {
        const auto wide = fileservice::WidePath(path);
        return wide && (::GetFileAttributesW(wide.Value().c_str()) & FILE_ATTRIBUTE_READONLY);
    }
    static void MakeReadOnly(const std::string& path) {
        const auto wide = fileservice::WidePath(path);
        ASSERT_TRUE(wide && ::SetFileAttributesW(wide.Value().c_str(), FILE_ATTRIBUTE_READONLY));
    }

    std::string m_root;
};

// One row: a target name, and 0 when the copy lands there, else the error it fails with.
struct NameRow {
    const char* name;
    int error;
};

class Win32NameTest : public Win32Test, public ::testing::WithParamInterface<NameRow> {};

TEST_P(Win32NameTest, CopyLandsOrFailsBeforeAnythingIsWritten) {
    Write("source.txt", "data");
    ASSERT_TRUE(fileservice::MakeFolder(Path("target")).Ok());
    const auto copied = fileservice::CopyFileSafely(Path("target/") + GetParam().name, Path("source.txt"));
    if (GetParam().error == 0) {
        ASSERT_TRUE(copied.Ok()) << copied.Error().error;
        EXPECT_EQ(Read(std::string("target/") + GetParam().name), "data");
    } else {
        ASSERT_FALSE(copied.Ok());
        EXPECT_EQ(copied.Error().error, GetParam().error);
        EXPECT_TRUE(Names("target").empty());  // no temporary either
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, Win32NameTest,
    ::testing::Values(NameRow{"CON", fileservice::kNameReserved}, NameRow{"nul.txt", fileservice::kNameReserved},
                      NameRow{"Com1", fileservice::kNameReserved}, NameRow{"LPT9.log", fileservice::kNameReserved},
                      NameRow{"aux .txt", fileservice::kNameReserved}, NameRow{"dot.", fileservice::kNameReserved},
                      NameRow{"blank ", fileservice::kNameReserved}, NameRow{"a:b", fileservice::kNameNotAllowed},
                      NameRow{"what?", fileservice::kNameNotAllowed}, NameRow{"pipe|", fileservice::kNameNotAllowed},
                      NameRow{"COM10", 0}, NameRow{"CONSOLE.txt", 0}, NameRow{"\xC3\x84rger \xC3\xBC" "ber \xE2\x82\xAC.txt", 0}));

TEST_F(Win32Test, PathsBeyondMaxPathAreReadWrittenAndRemoved) {
    std::string deep = "deep";
    while (deep.size() < 300) deep += "/folder-of-a-long-name-" + std::to_string(deep.size());
    ASSERT_TRUE(fileservice::MakeFolders(Path(deep)).Ok());
    Write("source.txt", "far down");
    ASSERT_TRUE(fileservice::CopyFileSafely(Path(deep + "/copy.txt"), Path("source.txt")).Ok());
    EXPECT_EQ(Read(deep + "/copy.txt"), "far down");
    EXPECT_EQ(fileservice::LiveVersion(Path(deep + "/copy.txt").c_str()), fileservice::LiveVersion(Path("source.txt").c_str()));
    EXPECT_TRUE(fileservice::RemoveForGood(Path("deep")).Ok());
    EXPECT_EQ(Names(), std::vector<std::string>{"source.txt"});
}

TEST_F(Win32Test, NamesThatDifferInCaseOnlyAreOneFile) {
    Write("README.TXT", "old");
    EXPECT_TRUE(fileservice::ProbeMedium(m_root, true).foldsCase);
    Write("source.txt", "new");
    ASSERT_TRUE(fileservice::CopyFileSafely(Path("readme.txt"), Path("source.txt")).Ok());
    EXPECT_EQ(Names().size(), 2u);
    EXPECT_EQ(Read("README.TXT"), "new");
}

TEST_F(Win32Test, CopyKeepsTheTimeToTheHundredNanosecondsSoItIsNotNewerEitherWay) {
    Write("source.txt", "data");
    const auto wide = fileservice::WidePath(Path("source.txt"));
    const HANDLE handle = fileservice::OpenWide(wide.Value(), FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, 0);
    const FILETIME written = fileservice::FiletimeOf({1600000000, 123456789});
    ASSERT_TRUE(::SetFileTime(handle, nullptr, nullptr, &written));
    ::CloseHandle(handle);
    EXPECT_EQ(fileservice::LiveVersion(Path("source.txt").c_str()), "1600000000.123456700 4");
    ASSERT_TRUE(fileservice::CopyFileSafely(Path("copy.txt"), Path("source.txt")).Ok());
    EXPECT_EQ(fileservice::LiveVersion(Path("copy.txt").c_str()), "1600000000.123456700 4");
}

TEST_F(Win32Test, ReadOnlyFilesAreReplacedAndStayReadOnly) {
    Write("settings.ini", "old");
    MakeReadOnly(Path("settings.ini"));
    ASSERT_TRUE(fileservice::ReplaceFile(Path("settings.ini"), "new").Ok());
    EXPECT_EQ(Read("settings.ini"), "new");
    EXPECT_TRUE(ReadOnly(Path("settings.ini")));

    // A copy over a read-only target lands; a read-only source gives a read-only copy.
    Write("source.txt", "copied");
    MakeReadOnly(Path("source.txt"));
    ASSERT_TRUE(fileservice::CopyFileSafely(Path("settings.ini"), Path("source.txt")).Ok());
    EXPECT_EQ(Read("settings.ini"), "copied");
    EXPECT_TRUE(ReadOnly(Path("settings.ini")));
    EXPECT_TRUE(fileservice::Remove(Path("settings.ini")).Ok());

    // Removed for good with the folder that holds it, as on POSIX.
    ASSERT_TRUE(fileservice::MakeFolder(Path("old")).Ok());
    Write("old/locked.txt", "x");
    MakeReadOnly(Path("old/locked.txt"));
    EXPECT_TRUE(fileservice::RemoveForGood(Path("old")).Ok());
    EXPECT_FALSE(fileservice::EntryExists(Path("old")));
}

TEST_F(Win32Test, RecycleBinTakesTheItemAndRefusesWhatIsNotThere) {
    ASSERT_TRUE(fileservice::MakeFolder(Path("old target")).Ok());
    Write("old target/file.txt", "x");
    const fileservice::Result<std::string> trashed = fileservice::MoveToTrash(Path("old target"));
    ASSERT_TRUE(trashed.Ok()) << trashed.Error().error;
    EXPECT_EQ(trashed.Value(), "::{645FF040-5081-101B-9F08-00AA002F954E}");
    EXPECT_FALSE(fileservice::EntryExists(Path("old target")));

    const fileservice::Result<std::string> missing = fileservice::MoveToTrash(Path("old target"));
    ASSERT_FALSE(missing.Ok());
    EXPECT_EQ(missing.Error().error, ENOENT);
    const fileservice::Result<std::string> root = fileservice::MoveToTrash(m_root.substr(0, 3));
    ASSERT_FALSE(root.Ok());
    EXPECT_EQ(root.Error().error, EBUSY);
}

TEST_F(Win32Test, TwoSpellingsOfAFolderAreOneFolderAndShareItsLock) {
    ASSERT_TRUE(fileservice::MakeFolders(Path("a/b")).Ok());
    std::string other = Path("A/./B/../b");
    for (char& c : other)
        if (c == '/') c = '\\';
    const auto first = fileservice::ReadFolderIdentity(Path("a/b"));
    const auto second = fileservice::ReadFolderIdentity(other);
    ASSERT_TRUE(first.Ok() && second.Ok());
    EXPECT_EQ(first.Value(), second.Value());
    EXPECT_TRUE(fileservice::IsSameOrInsideFolder(Path("a/b"), Path("A")).Value());
    EXPECT_FALSE(fileservice::IsSameOrInsideFolder(Path("a"), Path("a/b")).Value());
    EXPECT_TRUE(fileservice::IsFileSystemRoot(m_root.substr(0, 3)).Value());
    EXPECT_FALSE(fileservice::IsFileSystemRoot(Path("a")).Value());

    {
        const auto lock = fileservice::LockFolder(Path("a/b"));
        ASSERT_TRUE(lock.Ok()) << lock.Error().error;
        const auto again = fileservice::LockFolder(other);
        ASSERT_FALSE(again.Ok());
        EXPECT_EQ(again.Error().error, fileservice::kFolderInUse);
    }
    EXPECT_TRUE(fileservice::LockFolder(other).Ok());
    EXPECT_EQ(Names("a/b"), std::vector<std::string>{});  // the lock writes nothing into the folder
}

TEST_F(Win32Test, ListingComesDepthFirstByteWiseAndComparesWithTheTargetInOneRead) {
    for (const char* folder : {"src", "src/a", "src/a/c", "src/d", "dst", "dst/A", "dst/A/old"})
        ASSERT_TRUE(fileservice::MakeFolder(Path(folder)).Ok());
    Write("src/b.txt", "bb");
    Write("src/\xC3\x84.txt", "umlaut");
    Write("src/a/x.txt", "new x");
    Write("src/a/c/y.txt", "y");
    Write("src/d/z.txt", "z");
    for (const char* file : {"src/b.txt", "src/a/x.txt", "src/a/c/y.txt", "src/d/z.txt"}) SetTime(file, 1600000000);
    ASSERT_TRUE(fileservice::CopyFileSafely(Path("dst/b.txt"), Path("src/b.txt")).Ok());
    Write("dst/A/X.TXT", "old");  // another case: the same name here
    SetTime("dst/A/X.TXT", 1500000000);
    Write("dst/extra.txt", "e");

    const fileservice::Listing listing =
        fileservice::Listing::Read(Path("src"), {Path("dst"), true, nullptr, true});
    const std::vector<std::string> files = {"b.txt", "\xC3\x84.txt", "a/x.txt", "a/c/y.txt", "d/z.txt"};
    ASSERT_EQ(listing.FileCount(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(listing.File(i), files[i]);
    EXPECT_EQ(listing.Folders(), (std::vector<std::string>{"/a", "/a/c", "/d"}));
    EXPECT_EQ(listing.ByteTotal().scaled, 15 * 10000);
    EXPECT_TRUE(listing.Failures().empty());

    EXPECT_EQ(listing.Order(0, false), VersionOrder::Same);
    EXPECT_EQ(listing.TargetVersion(0), listing.SourceVersion(0));
    EXPECT_EQ(listing.Order(2, false), VersionOrder::Newer);
    EXPECT_EQ(listing.TargetVersion(2), "1500000000.000000000 3");
    EXPECT_EQ(listing.TargetVersion(4), "");
    // What the target holds beyond the source, by folder, then by name; "A" is "a" here.
    ASSERT_EQ(listing.TargetExtras().size(), 2u);
    EXPECT_EQ(listing.TargetExtras()[0].folder, 0u);
    EXPECT_EQ(listing.TargetExtras()[0].entry.name, "extra.txt");
    EXPECT_EQ(listing.TargetExtras()[1].folder, 1u);
    EXPECT_EQ(listing.TargetExtras()[1].entry.name, "old");
    EXPECT_TRUE(listing.TargetExtras()[1].entry.folder);

    // The operations list the same.
    std::int16_t flag = 0;
    Currency bytes;
    std::vector<std::string> list;
    EXPECT_EQ(VBFILELIST(Path("src").c_str(), flag, "", list, bytes), 4);
    EXPECT_EQ(list, files);
    std::int32_t folderFlag = 0;
    EXPECT_EQ(VBFOLDERCOUNT(Path("src").c_str(), folderFlag), 3);

    const fileservice::Listing missing = fileservice::Listing::Read(Path("missing"), {});
    ASSERT_EQ(missing.Failures().size(), 1u);
    EXPECT_EQ(missing.Failures()[0].error, ENOENT);
    EXPECT_EQ(missing.Failures()[0].path, Path("missing"));
}

}  // namespace
