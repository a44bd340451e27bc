// Mirroring onto the media people carry: a FAT32, exFAT or NTFS image made and mounted through
// its FUSE driver in the test's own folder, the real engine run onto it. One fixture per
// medium, one test per case.

#include "RecordingEvents.h"
#include "TempTree.h"

#include "engine/MirrorRun.h"
#include "fileservice/Medium.h"
#include "log/RunLog.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Drive {
    const char* name;
    const char* tool;   // the driver, asked for before anything
    const char* mkfs;   // "%s": the image
    const char* mount;  // "%s %s": the image (or its loop device), the mount point
    bool loop;          // exfat-fuse wants a block device
    bool foldsCase;
    bool fat;
};
void PrintTo(const Drive& drive, std::ostream* out) { *out << drive.name; }

const Drive kFat{"FAT32", "fusefat", "mkfs.vfat -F 32 %s", "fusefat -o rw+ %s %s", false, true, true};
const Drive kExfat{"exFAT", "mount.exfat-fuse", "mkfs.exfat %s", "mount.exfat-fuse %s %s", true, true, false};
const Drive kNtfs{"NTFS", "ntfs-3g", "mkntfs -F -Q %s", "ntfs-3g %s %s", false, false, false};

const auto kT = TimeAt(2024, 3, 1, 12, 0, 0);

// Runs a shell command; its output when it fails.
bool Shell(const std::string& command, std::string* output = nullptr) {
    std::string text;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        std::array<char, 256> buffer{};
        while (std::fgets(buffer.data(), buffer.size(), pipe)) text += buffer.data();
        if (::pclose(pipe) == 0) return true;
    }
    if (output) *output = text;
    return false;
}

std::string Format(const char* pattern, const std::string& a, const std::string& b = {}) {
    char line[1024];
    std::snprintf(line, sizeof line, pattern, a.c_str(), b.c_str());
    return line;
}

using Told = std::vector<std::pair<QString, int>>;

class Drives : public ::testing::TestWithParam<Drive> {
protected:
    void SetUp() override {
        const Drive& d = GetParam();
        if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse";
        if (!Shell(std::string("command -v ") + d.tool)) GTEST_SKIP() << d.tool << " is not installed";
        const std::string image = tree.Path("medium.img");
        std::string why;
        fs::resize_file((tree.WriteFile("medium.img", ""), image), 64 << 20);
        if (!Shell(Format(d.mkfs, image), &why)) GTEST_SKIP() << d.name << ": " << why;
        std::string device = image;
        if (d.loop && !Shell("losetup -f --show " + image + " > " + tree.Path("loop"), &why))
            GTEST_SKIP() << "no loop device for " << d.name << ": " << why;
        if (d.loop) device = m_loop = tree.ReadFile("loop").substr(0, tree.ReadFile("loop").find('\n'));
        tree.MakeDir("mnt");
        if (!Shell(Format(d.mount, device, tree.Path("mnt")), &why)) GTEST_SKIP() << d.name << " not mounted: " << why;
        m_mounted = true;
        tree.MakeDir("src");
        tree.MakeDir("mnt/ziel");
        request.source = Q(tree.Path("src"));
        request.target = Q(tree.Path("mnt/ziel"));
        setenv("XDG_DATA_HOME", tree.Path("xdg").c_str(), 1);
    }
    void TearDown() override {
        if (m_mounted) Shell("fusermount -u " + tree.Path("mnt"));
        if (!m_loop.empty()) Shell("losetup -d " + m_loop);
    }
    static QString Q(const std::string& s) { return QString::fromStdString(s); }

    RunOutcome Run(RunMode mode, RunEvents* also = nullptr) {
        request.mode = mode;
        events = std::make_unique<RecordingEvents>(Q(tree.Path("tvl.log")));
        if (!also) return MirrorRun(request, *events, Q(tree.Path("prog")));
        TeeEvents both(*events, *also);
        return MirrorRun(request, both, Q(tree.Path("prog")));
    }
    // Both times given: fusefat and exfat-fuse set the clock's time for one left out (UTIME_OMIT).
    void WriteTarget(const std::string& name, const std::string& content, fs::file_time_type time) {
        tree.WriteFile("mnt/ziel/" + name, content);
        const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::file_clock::to_sys(time).time_since_epoch()).count();
        const struct timespec both[2] = {{nanos / 1000000000, nanos % 1000000000}, {nanos / 1000000000, nanos % 1000000000}};
        ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("mnt/ziel/" + name).c_str(), both, 0), 0);
    }
    std::vector<std::string> TargetFiles() const { return tree.ListFiles("mnt/ziel"); }
    Told Failures() const {
        Told out;
        for (const RunFailure& f : events->failures) out.emplace_back(f.path, f.error);
        return out;
    }

    TempTree tree;
    RunRequest request;
    std::unique_ptr<RecordingEvents> events;
    std::string m_loop;
    bool m_mounted = false;
};

TEST_P(Drives, NamesThatDifferOnlyInCaseNeverOverwriteEachOther) {
    tree.WriteFile("src/A.TXT", "upper");
    tree.WriteFile("src/a.txt", "lower");
    tree.WriteFile("src/Foto/x.txt", "x");
    tree.WriteFile("src/foto/y.txt", "y");
    tree.WriteFile("src/Bilder/neu.txt", "neu");
    tree.WriteFile("mnt/ziel/bilder/alt.txt", "alt");
    const RunOutcome outcome = Run(RunMode::CopyAll);
    if (!GetParam().foldsCase) {
        EXPECT_EQ(outcome, RunOutcome::Succeeded);
        EXPECT_EQ(TargetFiles(), (std::vector<std::string>{"A.TXT", "Bilder/neu.txt", "Foto/x.txt", "a.txt",
                                                           "bilder/alt.txt", "foto/y.txt"}));
        return;
    }
    EXPECT_EQ(outcome, RunOutcome::Failed);
    EXPECT_EQ(Failures(), (Told{{request.target + "/foto", fileservice::kNameTakenByCase},
                                    {"a.txt", fileservice::kNameTakenByCase},
                                    {"foto/y.txt", fileservice::kNameTakenByCase}}));
    EXPECT_EQ(tree.ReadFile("mnt/ziel/A.TXT"), "upper");
    EXPECT_EQ(TargetFiles(), (std::vector<std::string>{"A.TXT", "Foto/x.txt", "bilder/alt.txt", "bilder/neu.txt"}));
    EXPECT_EQ(events->otherSpellings, QStringList{request.target + "/Bilder -> " + request.target + "/bilder"});
    EXPECT_EQ(events->landed, (QStringList{"A.TXT", "Bilder/neu.txt", "Foto/x.txt"}));
    EXPECT_FALSE(events->Messages().contains(" - a.txt kopiert!"));
}

TEST_P(Drives, ModesTheMediumCannotKeepNeverFailTheData) {
    tree.WriteFile("src/run.sh", "#!/bin/sh\n");
    fs::permissions(tree.Path("src/run.sh"), fs::perms::owner_all | fs::perms::group_read);
    EXPECT_EQ(Run(RunMode::CopyAll), RunOutcome::Succeeded);
    EXPECT_EQ(tree.ReadFile("mnt/ziel/run.sh"), "#!/bin/sh\n");
    // Only fusefat refuses modes; exfat-fuse and ntfs-3g take them without keeping them.
    EXPECT_EQ(events->metadataLost, GetParam().fat ? fileservice::kModeLost : 0);
    EXPECT_EQ(events->Messages().filter("nicht behalten").size(), GetParam().fat ? 1 : 0);
}

TEST_P(Drives, AnHourOffAtEqualSizeIsNoChangeOnFatAndANewerTargetIsTold) {
    tree.WriteFile("src/later.txt", "same", kT);
    WriteTarget("later.txt", "same", kT + std::chrono::hours(1));
    tree.WriteFile("src/earlier.txt", "same", kT);
    WriteTarget("earlier.txt", "same", kT - std::chrono::hours(1));
    // Edited half an hour after a copy that the stick reads an hour late.
    tree.WriteFile("src/edit.txt", "edit", kT + std::chrono::minutes(30));
    WriteTarget("edit.txt", "orig", kT + std::chrono::hours(1));
    QStringList dryLines;
    DryRunLines dry([&dryLines](const QString& line) { dryLines << line; });
    request.dryRun = true;
    Run(RunMode::OnlyNewer, &dry);
    request.dryRun = false;
    EXPECT_EQ(Run(RunMode::OnlyNewer), RunOutcome::Succeeded);
    const bool fat = GetParam().fat;
    EXPECT_EQ(events->copied, fat ? QStringList() : QStringList{"earlier.txt"});
    EXPECT_EQ(events->targetNewer, fat ? QStringList{"edit.txt"} : (QStringList{"edit.txt", "later.txt"}));
    EXPECT_TRUE(events->Messages().contains(" - edit.txt im Ziel neuer, nicht ersetzt"));
    EXPECT_EQ(events->Messages().last(),
              fat ? " - Abgleich ausgeführt! 1 Datei im Ziel neuer, nicht ersetzt."
                  : " - Abgleich ausgeführt! 2 Dateien im Ziel neuer, nicht ersetzt.");
    EXPECT_TRUE(dryLines.contains("im Ziel neuer, nicht ersetzt: edit.txt"));
    EXPECT_EQ(tree.ReadFile("mnt/ziel/edit.txt"), "orig");
}

TEST_P(Drives, NamesTheMediumRefusesFailWithoutACopiedLine) {
    tree.WriteFile("src/a:b.txt", "colon");
    tree.WriteFile("src/ok.txt", "ok");
    const RunOutcome outcome = Run(RunMode::CopyAll);
    if (GetParam().name == std::string("NTFS")) {  // ntfs-3g keeps every Linux name
        EXPECT_EQ(outcome, RunOutcome::Succeeded);
        return;
    }
    EXPECT_EQ(Failures(), (Told{{"a:b.txt", fileservice::kNameNotAllowed}}));
    EXPECT_EQ(events->Messages().filter("kopiert!"), QStringList{" - ok.txt kopiert!"});
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"ok.txt"});
}

TEST_P(Drives, AFileLargerThanFatHoldsFailsBeforeAByteIsWritten) {
    if (!GetParam().fat) GTEST_SKIP() << "only FAT32 holds no file of 4 GiB";
    tree.WriteFile("src/big.img", "");
    fs::resize_file(tree.Path("src/big.img"), fileservice::kFatMaxFileSize + 1);
    tree.WriteFile("src/ok.txt", "ok");
    EXPECT_EQ(Run(RunMode::CopyAll), RunOutcome::Failed);
    EXPECT_EQ(Failures(), (Told{{"big.img", fileservice::kTooLargeForFat}}));
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"ok.txt"});
}

TEST_P(Drives, ASecondOnlyNewerRunCopiesNothing) {
    tree.WriteFile("src/a.txt", "a", kT + std::chrono::milliseconds(1500));
    tree.WriteFile("src/d/b.txt", "bb", kT + std::chrono::seconds(3));
    ASSERT_EQ(Run(RunMode::CopyAll), RunOutcome::Succeeded);
    EXPECT_EQ(Run(RunMode::OnlyNewer), RunOutcome::Succeeded);
    EXPECT_EQ(events->counts.handedOver, 0);
    EXPECT_TRUE(events->targetNewer.isEmpty());
}

TEST_P(Drives, AFullMediumFailsTheFileAndLeavesNoCutOne) {
    tree.WriteFile("src/big.bin", std::string(80 << 20, 'x'));
    tree.WriteFile("src/small.txt", "small");
    EXPECT_EQ(Run(RunMode::CopyAll), RunOutcome::Failed);
    // fusefat answers a full medium with EPERM.
    EXPECT_EQ(Failures(), (Told{{"big.bin", GetParam().fat ? EPERM : ENOSPC}}));
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"small.txt"});
}

TEST_P(Drives, EmptyFirstPutsTheOldTargetIntoTheMediumsTrash) {
    // fusefat empties a non-empty folder it renames: the old target would be lost there.
    if (GetParam().fat) GTEST_SKIP() << "fusefat loses the contents of a folder it renames";
    tree.WriteFile("mnt/ziel/alt.txt", "alt");
    tree.WriteFile("src/neu.txt", "neu");
    EXPECT_EQ(Run(RunMode::EmptyFirst), RunOutcome::Succeeded);
    EXPECT_EQ(tree.ReadFile("mnt/.Trash-" + std::to_string(::getuid()) + "/files/ziel/alt.txt"), "alt");
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"neu.txt"});
}

INSTANTIATE_TEST_SUITE_P(Media, Drives, ::testing::Values(kFat, kExfat, kNtfs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
