// Killed mid-run: a child process mirrors large and small files and is killed with SIGKILL
// at several points. Afterwards every target file is absent, its old version or the complete
// new one; temporaries are hidden, never a mirrored name; and a second run completes the
// mirror and removes the leftovers.

#include "ChildRun.h"
#include "FaultHelpers.h"
#include "TempTree.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
const auto kOldTime = TimeAt(2020, 1, 1);
const auto kNewTime = TimeAt(2024, 6, 1);

enum class KillPoint { FirstCopyLine, HalfTheCopyLines, LastCopyLine, CopyBeingWritten };

struct KillCase {
    const char* name;
    KillPoint point;
    bool onlyNew;
    bool namedTemporaries = false;  // as on FAT
};

void PrintTo(const KillCase& row, std::ostream* out) { *out << row.name; }

class KilledMidRun : public ::testing::TestWithParam<KillCase> {
protected:
    // One source for every case: writing it is the expensive part.
    static void SetUpTestSuite() {
        s_source = new TempTree;
        s_newFiles = new std::map<std::string, std::string>;
        auto add = [](const std::string& rel, std::string content) {
            s_source->WriteFile(rel, content, kNewTime);
            (*s_newFiles)[rel] = std::move(content);
        };
        // Listed last, so that the last copy lines leave the large copies still running.
        add("zz/one.bin", Pattern(8 * kMiB, 1));
        add("zz/two.bin", Pattern(8 * kMiB, 2));
        add("zz/big/three.bin", Pattern(6 * kMiB, 3));
        for (int i = 0; i < 40; ++i) {
            const std::string folder = i < 14 ? "s/a/" : i < 27 ? "s/b/" : "s/b/c/";
            add(folder + std::to_string(100 + i) + ".txt", Pattern(1024 + 97 * static_cast<std::size_t>(i), 10 + i));
        }
    }
    static void TearDownTestSuite() {
        delete s_source;
        delete s_newFiles;
        s_source = nullptr;
        s_newFiles = nullptr;
    }

    void SetUp() override {
        m_tree.MakeDir("dst");
        auto old = [this](const std::string& rel, std::string content) {
            m_tree.WriteFile("dst/" + rel, content, kOldTime);
            m_oldFiles[rel] = std::move(content);
        };
        old("zz/one.bin", Pattern(2 * kMiB, 91));
        old("zz/big/three.bin", Pattern(1 * kMiB, 93));
        for (int i = 0; i < 6; ++i) old("s/a/" + std::to_string(100 + i) + ".txt", "old " + std::to_string(i));
        old("only-in-target.txt", "stays");
    }

    std::string Source() const { return s_source->Root().string(); }
    fs::path Target() const { return m_tree.Root() / "dst"; }
    std::string LogFile() const { return m_tree.Path("tvl.log"); }

    // Every target file is absent, old or complete new; every other name is a hidden temporary.
    void ExpectNothingCut() const {
        for (const auto& [rel, content] : *s_newFiles) {
            const fs::path file = Target() / rel;
            if (!fs::exists(fs::symlink_status(file))) continue;
            const std::string now = FileBytes(file);
            const auto old = m_oldFiles.find(rel);
            const bool isOld = old != m_oldFiles.end() && now == old->second;
            EXPECT_TRUE(now == content || isOld) << rel << " is cut: " << now.size() << " bytes";
        }
        for (const std::string& rel : EntriesBelow(Target())) {
            if (s_newFiles->count(rel) || m_oldFiles.count(rel)) continue;
            const std::string name = fs::path(rel).filename().string();
            EXPECT_TRUE(IsTemporaryName(name)) << "unexpected file in the target: " << rel;
        }
    }

    static TempTree* s_source;
    static std::map<std::string, std::string>* s_newFiles;
    TempTree m_tree;
    std::map<std::string, std::string> m_oldFiles;
};

TempTree* KilledMidRun::s_source = nullptr;
std::map<std::string, std::string>* KilledMidRun::s_newFiles = nullptr;

TEST_P(KilledMidRun, LeavesOldOrCompleteFilesAndTheNextRunFinishesTheMirror) {
    const KillCase& row = GetParam();
    const int copyLines = static_cast<int>(s_newFiles->size());
    const int killAfter = row.point == KillPoint::FirstCopyLine      ? 1
                          : row.point == KillPoint::HalfTheCopyLines ? copyLines / 2
                                                                     : copyLines;
    // The folders of the large files: where a copy can be caught half-way.
    const std::vector<fs::path> watched{Target() / "zz", Target() / "zz" / "big"};

    bool killed = false;
    {
        const bool byLines = row.point != KillPoint::CopyBeingWritten;
        // Counted lines: the child waits after each one until we let it go on, so the kill
        // lands exactly there. Watching temporaries: it runs freely.
        std::vector<std::string> args{"--log", LogFile()};
        if (byLines) args.push_back("--step");
        if (row.onlyNew) args.push_back("--onlynew");
        if (row.namedTemporaries) args.push_back("--named-temporaries");
        args.push_back(Source());
        args.push_back(Target().string());
        ChildRun child(args);
        int seen = 0;
        while (!killed) {
            // Watching for a temporary means looking between lines without waiting long.
            const std::optional<std::string> line = child.ReadLine(byLines ? 60000 : 1);
            if (line) {
                if (*line == "END") break;
                if (line->find(" kopiert!") != std::string::npos) ++seen;
                if (byLines && seen == killAfter) {
                    child.Kill();
                    killed = true;
                } else if (byLines && line->rfind("LINE ", 0) == 0) {
                    child.Send("\n");
                }
            } else if (!child.TimedOut()) {
                break;  // output ended
            }
            if (row.point == KillPoint::CopyBeingWritten && !killed && CopyCaughtHalfWay(watched, child.Pid())) {
                child.Kill();
                killed = true;
            }
        }
        if (!killed && !byLines) {
            // A file system that clones files (reflinks) copies in an instant.
            GTEST_SKIP() << "every copy finished before one could be caught half-way on this file system";
        }
        ASSERT_TRUE(killed) << "the run ended before the kill point:\n" << Join(child.Lines());
        EXPECT_EQ(child.Wait(), 128 + 9);
    }

    ExpectNothingCut();
    EXPECT_EQ(FileBytes(Target() / "only-in-target.txt"), "stays");

    // The second run, to its end.
    ChildRun rerun({"--log", LogFile(), Source(), Target().string()});
    ASSERT_TRUE(rerun.ReadUntil("END")) << Join(rerun.Lines());
    const std::vector<std::string> messages = rerun.StatusMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), CompletionFor(0)) << Join(messages);
    for (const auto& [rel, content] : *s_newFiles) {
        const fs::path file = Target() / rel;
        ASSERT_TRUE(fs::exists(file)) << rel;
        EXPECT_TRUE(FileBytes(file) == content) << rel;
        EXPECT_EQ(MTime(file), kNewTime) << rel;
    }
    EXPECT_EQ(TemporariesBelow(Target()), std::vector<std::string>{});
    EXPECT_EQ(FileBytes(Target() / "only-in-target.txt"), "stays");
}

INSTANTIATE_TEST_SUITE_P(
    Points, KilledMidRun,
    ::testing::Values(KillCase{"AfterTheFirstCopyLine", KillPoint::FirstCopyLine, false},
                      KillCase{"AfterHalfTheCopyLines", KillPoint::HalfTheCopyLines, false},
                      KillCase{"AfterTheLastCopyLine", KillPoint::LastCopyLine, false},
                      KillCase{"WhileACopyIsWritten", KillPoint::CopyBeingWritten, false},
                      KillCase{"OnlyNewerWhileACopyIsWritten", KillPoint::CopyBeingWritten, true},
                      KillCase{"WhileATemporaryIsWritten", KillPoint::CopyBeingWritten, false, true}),
    [](const ::testing::TestParamInfo<KillCase>& info) { return std::string(info.param.name); });

}  // namespace
