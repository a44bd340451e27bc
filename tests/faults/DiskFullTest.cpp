// Disk full: the target is a small tmpfs in the child's private mount namespace. Every
// failed file is reported, the run ends with the failure line, the source stays as it was,
// and no target file that existed before is cut or emptied.

#include "ChildRun.h"
#include "FaultHelpers.h"
#include "TempTree.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

namespace {

const auto kOldTime = TimeAt(2020, 1, 1);
const auto kNewTime = TimeAt(2024, 6, 1);

TEST(DiskFull, EveryFailedFileIsReportedAndNoOldFileIsCut) {
    TempTree tree;
    std::map<std::string, std::string> source{{"a.txt", Pattern(4096, 1)},
                                              {"big.bin", Pattern(1024 * 1024, 2)},
                                              {"keep.txt", Pattern(400 * 1024, 3)},
                                              {"sub/c.txt", Pattern(2048, 4)},
                                              {"z.txt", Pattern(4096, 5)}};
    for (const auto& [rel, content] : source) tree.WriteFile("src/" + rel, content, kNewTime);
    tree.MakeDir("dst");
    const std::string target = tree.Path("dst");

    ChildRun child({"--tmpfs", target, "512", "--wait", "--log", tree.Path("tvl.log"), tree.Path("src"), target});
    const std::optional<std::string> ready = child.ReadLine(60000);
    ASSERT_TRUE(ready);
    if (ready->rfind("SKIP", 0) == 0) GTEST_SKIP() << "no small file system can be mounted here: " << *ready;
    ASSERT_EQ(*ready, "READY");

    // The old target on the small file system: 150 of its 512 KB.
    const fs::path inside = child.Inside(target);
    const std::string oldKeep = Pattern(100 * 1024, 13);
    const std::string other = Pattern(50 * 1024, 14);
    WriteBytes(inside / "keep.txt", oldKeep);
    SetMTime(inside / "keep.txt", kOldTime);
    WriteBytes(inside / "other.txt", other);

    child.Send("go\n");
    ASSERT_TRUE(child.ReadUntil("END")) << Join(child.Lines());
    const std::vector<std::string> messages = child.StatusMessages();
    const std::vector<std::string> failures = Containing(messages, " konnte nicht kopiert werden: ");

    for (const std::string& line : failures) EXPECT_NE(line.find(Reason(ENOSPC)), std::string::npos) << line;
    // Neither can ever fit; the small files may meet a full disk too, while the large ones are written.
    EXPECT_EQ(Containing(failures, " - big.bin konnte").size(), 1u) << Join(messages);
    EXPECT_EQ(Containing(failures, " - keep.txt konnte").size(), 1u) << Join(messages);
    for (const auto& [rel, content] : source) {
        if (!Containing(failures, " - " + rel + " konnte").empty()) continue;
        ASSERT_TRUE(fs::exists(inside / rel)) << rel << " neither copied nor reported";
        EXPECT_TRUE(FileBytes(inside / rel) == content) << rel;
    }
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), CompletionFor(static_cast<int>(failures.size())));

    EXPECT_TRUE(FileBytes(inside / "keep.txt") == oldKeep) << "keep.txt was cut or replaced";
    EXPECT_EQ(MTime(inside / "keep.txt"), kOldTime);
    EXPECT_TRUE(FileBytes(inside / "other.txt") == other) << "other.txt changed";
    EXPECT_EQ(TemporariesBelow(inside), std::vector<std::string>{});
    for (const auto& [rel, content] : source) {
        EXPECT_TRUE(FileBytes(tree.Path("src/" + rel)) == content) << rel;
        EXPECT_EQ(MTime(tree.Path("src/" + rel)), kNewTime) << rel;
    }
    child.CloseInput();
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace

namespace {

// The settings file on a full disk: the window saves and closes, and tvl.ini stays whole.
TEST(DiskFull, SavingTheProfileNeverCutsTheSettingsFile) {
    TempTree tree;
    tree.WriteFile("src/a.txt", "a");
    tree.MakeDir("dst");
    tree.MakeDir("conf");
    const std::string conf = tree.Path("conf");
    ChildRun child({"--tmpfs", conf, "64", "--wait", "--window", conf + "/tvl.ini", "--log", tree.Path("tvl.log"),
                    tree.Path("src"), tree.Path("dst")});
    const std::optional<std::string> ready = child.ReadLine(60000);
    ASSERT_TRUE(ready);
    if (ready->rfind("SKIP", 0) == 0) GTEST_SKIP() << "no small file system can be mounted here: " << *ready;
    ASSERT_EQ(*ready, "READY");

    // A settings file of 20 KB and a disk that has no room for its next version.
    std::string settings = "[Profiles]\r\nStandard=Standard\r\n[Optionen]\r\nwritelog=1\r\nlogsize=50\r\n";
    for (int i = 0; settings.size() < 20 * 1024; ++i)
        settings += "[Profil " + std::to_string(i) + "]\r\ndir_a=/daten/profil/" + std::to_string(i) + "\r\n";
    const fs::path inside = child.Inside(conf);
    WriteBytes(inside / "tvl.ini", settings);
    WriteBytes(inside / "filler", std::string(40 * 1024, 'f'));

    child.Send("go\n");
    ASSERT_TRUE(child.ReadUntil("END")) << Join(child.Lines());
    const std::vector<std::string> messages = child.StatusMessages();
    EXPECT_EQ(Containing(messages, "gespeichert"),
              std::vector<std::string>{" - [Standard] konnte nicht gespeichert werden! Die Einstellungsdatei " + conf +
                                       "/tvl.ini kann nicht geschrieben werden: " + Reason(ENOSPC)})
        << Join(messages);
    EXPECT_EQ(Containing(messages, " - Abgleich ausgeführt!").size(), 1u) << Join(messages);
    EXPECT_EQ(tree.ReadFile("dst/a.txt"), "a");
    EXPECT_TRUE(FileBytes(inside / "tvl.ini") == settings) << "tvl.ini was cut";
    EXPECT_EQ(EntriesBelow(inside), (std::vector<std::string>{"filler", "tvl.ini"}));
    child.CloseInput();
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
