// Mirroring onto the media people carry: a FAT32, exFAT or NTFS image made and mounted through
// its FUSE driver in the test's own folder, the real engine run onto it. One fixture per
// medium, one test per case.

#include "RecordingEvents.h"
#include "TempTree.h"

#include "engine/MirrorRun.h"
#include "fileservice/Medium.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Drive {
    const char* name;
    const char* mkfs;   // followed by the image
    const char* mount;  // the driver, followed by the image (or its loop device) and the mount point
    bool loop, foldsCase, fat;  // loop: exfat-fuse wants a block device
};
void PrintTo(const Drive& drive, std::ostream* out) { *out << drive.name; }

const Drive kFat{"FAT32", "mkfs.vfat -F 32 ", "fusefat -o rw+ ", false, true, true};
const Drive kExfat{"exFAT", "mkfs.exfat ", "mount.exfat-fuse ", true, true, false};
const Drive kNtfs{"NTFS", "mkntfs -F -Q ", "ntfs-3g ", false, false, false};

const auto kT = TimeAt(2024, 3, 1, 12, 0, 0);

// Runs a shell command: whether it succeeded, and what it printed.
bool Shell(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    std::array<char, 256> buffer{};
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    return pipe && ::pclose(pipe) == 0;
}

using Told = std::vector<std::pair<QString, int>>;

class Drives : public ::testing::TestWithParam<Drive> {
protected:
    void SetUp() override {
        const Drive& d = GetParam();
        const std::string image = tree.Path("medium.img"), mnt = tree.Path("mnt"), driver = d.mount;
        if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse";
        if (!Shell("command -v " + driver.substr(0, driver.find(' ')), why)) GTEST_SKIP() << d.mount << "not installed";
        fs::resize_file((tree.WriteFile("medium.img", ""), image), 64 << 20);
        if (!Shell(d.mkfs + image, why)) GTEST_SKIP() << d.name << ": " << why;
        if (d.loop && !Shell("losetup -f --show " + image, why)) GTEST_SKIP() << "no loop device: " << why;
        if (d.loop) m_loop = why;
        if (d.loop) m_loop.pop_back();  // the newline
        tree.MakeDir("mnt");
        m_mounted = Shell(driver + (d.loop ? m_loop : image) + " " + mnt, why);
        if (!m_mounted) GTEST_SKIP() << d.name << " not mounted: " << why;
        tree.MakeDir("src"), tree.MakeDir("mnt/ziel");
        request.source = Q(tree.Path("src"));
        request.target = Q(tree.Path("mnt/ziel"));
        setenv("XDG_DATA_HOME", tree.Path("xdg").c_str(), 1);
    }
    void TearDown() override {
        // Lazily when busy: the folder is removed next, and must not take the medium's files with it.
        if (m_mounted) Shell("fusermount -u " + tree.Path("mnt") + " || fusermount -uz " + tree.Path("mnt"), why);
        if (!m_loop.empty()) Shell("losetup -d " + m_loop, why);
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
        const auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(time).time_since_epoch());
        const struct timespec both[2] = {{s.count(), 0}, {s.count(), 0}};
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
    std::string m_loop, why;
    bool m_mounted = false;
};

TEST_P(Drives, NamesThatDifferOnlyInCaseNeverOverwriteEachOther) {
    for (const char* name : {"src/A.TXT", "src/a.txt", "src/Foto/x.txt", "src/foto/y.txt", "src/Bilder/neu.txt",
                             "mnt/ziel/bilder/alt.txt"})
        tree.WriteFile(name, name);
    const RunOutcome outcome = Run(RunMode::CopyAll);
    if (!GetParam().foldsCase) {
        EXPECT_EQ(TargetFiles().size(), 6u);
        EXPECT_EQ(outcome, RunOutcome::Succeeded);
        return;
    }
    EXPECT_EQ(Failures(), (Told{{request.target + "/foto", fileservice::kNameTakenByCase},
                                    {"a.txt", fileservice::kNameTakenByCase},
                                    {"foto/y.txt", fileservice::kNameTakenByCase}}));
    EXPECT_EQ(tree.ReadFile("mnt/ziel/A.TXT"), "src/A.TXT");
    EXPECT_EQ(TargetFiles(), (std::vector<std::string>{"A.TXT", "Foto/x.txt", "bilder/alt.txt", "bilder/neu.txt"}));
    EXPECT_EQ(events->otherSpellings, QStringList{request.target + "/Bilder -> " + request.target + "/bilder"});
    EXPECT_EQ(events->landed, (QStringList{"A.TXT", "Bilder/neu.txt", "Foto/x.txt"}));
}

TEST_P(Drives, ModesTheMediumCannotKeepNeverFailTheData) {
    fs::permissions((tree.WriteFile("src/run.sh", "#!/bin/sh\n"), tree.Path("src/run.sh")), fs::perms::owner_all);
    EXPECT_EQ(Run(RunMode::CopyAll), RunOutcome::Succeeded);
    EXPECT_EQ(tree.ReadFile("mnt/ziel/run.sh"), "#!/bin/sh\n");
    // Only fusefat refuses modes; exfat-fuse and ntfs-3g take them without keeping them.
    EXPECT_EQ(events->metadataLost, GetParam().fat ? fileservice::kModeLost : 0);
    EXPECT_EQ(events->Messages().filter("nicht behalten").size(), GetParam().fat ? 1 : 0);
}

TEST_P(Drives, AnHourOffAtEqualSizeIsNoChangeOnFatAndANewerTargetIsTold) {
    for (const char* name : {"later.txt", "earlier.txt"}) tree.WriteFile(std::string("src/") + name, "same", kT);
    WriteTarget("later.txt", "same", kT + std::chrono::hours(1));
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
    EXPECT_EQ(events->Messages().last(), QString(" - Abgleich ausgeführt!") + (fat ? " 1 Datei" : " 2 Dateien") +
                                             " im Ziel neuer, nicht ersetzt.");
    EXPECT_TRUE(dryLines.contains("im Ziel neuer, nicht ersetzt: edit.txt"));
    EXPECT_EQ(tree.ReadFile("mnt/ziel/edit.txt"), "orig");
}

TEST_P(Drives, NamesTheMediumRefusesFailWithoutACopiedLine) {
    tree.WriteFile("src/a:b.txt", "colon"), tree.WriteFile("src/ok.txt", "ok");
    // ntfs-3g keeps every Linux name; FAT and exFAT refuse these characters.
    if (Run(RunMode::CopyAll) == RunOutcome::Succeeded) {
        EXPECT_FALSE(GetParam().foldsCase);
        return;
    }
    EXPECT_EQ(Failures(), (Told{{"a:b.txt", fileservice::kNameNotAllowed}}));
    EXPECT_EQ(events->Messages().filter("kopiert!"), QStringList{" - ok.txt kopiert!"});
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"ok.txt"});
}

TEST_P(Drives, AFileLargerThanFatHoldsFailsBeforeAByteIsWritten) {
    if (!GetParam().fat) GTEST_SKIP() << "only FAT32 holds no file of 4 GiB";
    fs::resize_file((tree.WriteFile("src/big.img", ""), tree.Path("src/big.img")), fileservice::kFatMaxFileSize + 1);
    tree.WriteFile("src/ok.txt", "ok");
    EXPECT_EQ(Run(RunMode::CopyAll), RunOutcome::Failed);
    EXPECT_EQ(Failures(), (Told{{"big.img", fileservice::kTooLargeForFat}}));
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"ok.txt"});
}

TEST_P(Drives, ASecondOnlyNewerRunCopiesNothing) {
    tree.WriteFile("src/a.txt", "a", kT + std::chrono::milliseconds(1500)), tree.WriteFile("src/d/b.txt", "b", kT);
    ASSERT_EQ(Run(RunMode::CopyAll), RunOutcome::Succeeded);
    EXPECT_EQ(Run(RunMode::OnlyNewer), RunOutcome::Succeeded);
    EXPECT_EQ(events->counts.handedOver, 0);
    EXPECT_TRUE(events->targetNewer.isEmpty());
}

TEST_P(Drives, AFileSpelledOtherwiseInTheTargetIsNoExtraWhereCaseFolds) {
    tree.WriteFile("src/Brief.txt", "brief", kT), tree.WriteFile("mnt/ziel/alt.txt", "alt");
    WriteTarget("brief.TXT", "brief", kT);
    // Where case is kept, the source's own spelling stands beside it, and the variant is an extra.
    if (!GetParam().foldsCase) WriteTarget("Brief.txt", "brief", kT);
    request.extras = ExtrasPolicy::Delete;
    EXPECT_EQ(Run(RunMode::OnlyNewer), RunOutcome::Succeeded);
    // Where case folds, the target's "brief.TXT" is the source's file; elsewhere an extra.
    const bool folds = GetParam().foldsCase;
    EXPECT_EQ(events->removed, folds ? QStringList{"alt.txt"} : (QStringList{"alt.txt", "brief.TXT"}));
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{folds ? "brief.TXT" : "Brief.txt"});
}

TEST_P(Drives, AFullMediumFailsTheFileAndLeavesNoCutOne) {
    tree.WriteFile("src/big.bin", std::string(80 << 20, 'x')), tree.WriteFile("src/small.txt", "small");
    EXPECT_EQ(Run(RunMode::CopyAll), RunOutcome::Failed);
    // fusefat answers a full medium with EPERM.
    EXPECT_EQ(Failures(), (Told{{"big.bin", GetParam().fat ? EPERM : ENOSPC}}));
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"small.txt"});
}

TEST_P(Drives, EmptyFirstPutsTheOldTargetIntoTheMediumsTrash) {
    // fusefat empties a non-empty folder it renames: the old target would be lost there.
    if (GetParam().fat) GTEST_SKIP() << "fusefat loses the contents of a folder it renames";
    tree.WriteFile("mnt/ziel/alt.txt", "alt"), tree.WriteFile("src/neu.txt", "neu");
    EXPECT_EQ(Run(RunMode::EmptyFirst), RunOutcome::Succeeded);
    EXPECT_EQ(tree.ReadFile("mnt/.Trash-" + std::to_string(::getuid()) + "/files/ziel/alt.txt"), "alt");
    EXPECT_EQ(TargetFiles(), std::vector<std::string>{"neu.txt"});
}

INSTANTIATE_TEST_SUITE_P(Media, Drives, ::testing::Values(kFat, kExfat, kNtfs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
