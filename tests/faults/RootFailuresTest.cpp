// Failures that root cannot wave through: a file where a folder must go, a folder where a
// file must go, a link standing in the target, a read-only mount, and a child process
// without root's privileges. Each failure is reported with its path and its error, and the
// run goes on with the next file. Last, one folder reached by two paths.

#include "RecordingEvents.h"
#include "ChildRun.h"
#include "FaultHelpers.h"
#include "TempTree.h"

#include "engine/MirrorRun.h"
#include "texts/Texts.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct RootCase {
    const char* name;
    // Fills src/ and dst/.
    std::function<void(TempTree&)> make;
    // The failure lines expected, in order; "<dst>" stands for the target path.
    std::vector<std::string> failures;
    // What must hold afterwards besides the failures.
    std::function<void(TempTree&)> check;
    // The subfolder mode instead of the plain copy of every file.
    bool newSubFolder = false;
};

void PrintTo(const RootCase& row, std::ostream* out) { *out << row.name; }

class InProcessFailures : public ::testing::TestWithParam<RootCase> {};

TEST_P(InProcessFailures, AreReportedWithPathAndReasonAndTheRunGoesOn) {
    const RootCase& row = GetParam();
    TempTree tree;
    tree.MakeDir("src");
    tree.MakeDir("dst");
    tree.MakeDir("prog");
    row.make(tree);

    RunRequest request;
    request.source = QString::fromStdString(tree.Path("src"));
    request.target = QString::fromStdString(tree.Path("dst"));
    request.mode = row.newSubFolder ? RunMode::Subfolder : RunMode::CopyAll;
    RecordingEvents events(QString::fromStdString(tree.Path("tvl.log")));
    MirrorRun(request, events, QString::fromStdString(tree.Path("prog")));

    const QStringList messages = events.Messages();
    QStringList failures = messages.filter(QStringLiteral(" konnte nicht "));
    QStringList expected;
    for (std::string line : row.failures) {
        if (const auto at = line.find("<dst>"); at != std::string::npos) line.replace(at, 5, tree.Path("dst"));
        expected << QString::fromStdString(line);
    }
    EXPECT_EQ(failures, expected) << Join(messages);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last().toStdString(), CompletionFor(static_cast<int>(expected.size())));
    EXPECT_EQ(TemporariesBelow(tree.Path("dst")), std::vector<std::string>{});
    row.check(tree);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InProcessFailures,
    ::testing::Values(
        RootCase{"FileWhereAFolderMustGo",
                 [](TempTree& t) {
                     t.WriteFile("src/sub/x.txt", "x");
                     t.WriteFile("src/sub/y.txt", "y");
                     t.WriteFile("src/a.txt", "a");
                     t.WriteFile("dst/sub", "I am a file");
                 },
                 {" - Ordner <dst>/sub konnte nicht angelegt werden: " + Reason(EEXIST),
                  " - sub/x.txt konnte nicht kopiert werden: " + Reason(ENOTDIR),
                  " - sub/y.txt konnte nicht kopiert werden: " + Reason(ENOTDIR)},
                 [](TempTree& t) {
                     EXPECT_EQ(t.ReadFile("dst/sub"), "I am a file");
                     EXPECT_EQ(t.ReadFile("dst/a.txt"), "a");
                 }},
        RootCase{"FolderWhereAFileMustGo",
                 [](TempTree& t) {
                     t.WriteFile("src/a.txt", "new a");
                     t.WriteFile("src/b.txt", "b");
                     t.WriteFile("dst/a.txt/inner.txt", "inside");
                 },
                 {" - a.txt konnte nicht kopiert werden: " + Reason(EISDIR)},
                 [](TempTree& t) {
                     EXPECT_EQ(t.ReadFile("dst/a.txt/inner.txt"), "inside");
                     EXPECT_EQ(t.ReadFile("dst/b.txt"), "b");
                 }},
        RootCase{"LinkWhereAFileMustGo",
                 [](TempTree& t) {
                     t.WriteFile("src/a.txt", "new a");
                     t.WriteFile("outside/victim.txt", "untouched");
                     fs::create_symlink(t.Path("outside/victim.txt"), t.Path("dst/a.txt"));
                 },
                 {},
                 [](TempTree& t) {
                     // The link is replaced, never written through.
                     EXPECT_FALSE(fs::is_symlink(t.Path("dst/a.txt")));
                     EXPECT_EQ(t.ReadFile("dst/a.txt"), "new a");
                     EXPECT_EQ(t.ReadFile("outside/victim.txt"), "untouched");
                 }},
        RootCase{"LinkWhereAFolderMustGo",
                 [](TempTree& t) {
                     t.WriteFile("src/sub/x.txt", "x");
                     t.WriteFile("src/a.txt", "a");
                     t.WriteFile("outside/keep.txt", "untouched");
                     fs::create_symlink(t.Path("outside"), t.Path("dst/sub"));
                 },
                 {" - Ordner <dst>/sub konnte nicht angelegt werden: " + Reason(EEXIST),
                  " - sub/x.txt konnte nicht kopiert werden: " + Reason(ENOTDIR)},
                 [](TempTree& t) {
                     // Nothing is written through the link, out of the target.
                     EXPECT_TRUE(fs::is_symlink(t.Path("dst/sub")));
                     EXPECT_FALSE(fs::exists(t.Path("outside/x.txt")));
                     EXPECT_EQ(EntriesBelow(t.Path("outside")), std::vector<std::string>{"keep.txt"});
                     EXPECT_EQ(t.ReadFile("dst/a.txt"), "a");
                 }},
        RootCase{"LinkWhereTheNewSubfolderMustGo",
                 [](TempTree& t) {
                     t.WriteFile("src/a.txt", "a");
                     t.WriteFile("outside/keep.txt", "untouched");
                     fs::create_directory_symlink(t.Path("outside"), t.Path("dst/src"));
                 },
                 {" - Ordner <dst>/src konnte nicht angelegt werden: " + Reason(EEXIST)},
                 [](TempTree& t) {
                     EXPECT_EQ(EntriesBelow(t.Path("outside")), std::vector<std::string>{"keep.txt"});
                 },
                 true}),
    [](const ::testing::TestParamInfo<RootCase>& info) { return std::string(info.param.name); });

// The same in a child process whose target lies on a read-only mount, or which has given up
// root's privileges.
class ChildFailures : public ::testing::Test {
protected:
    // Runs the child to its end; false (with the test skipped) when the set-up is not permitted.
    bool RunChild(const std::vector<std::string>& options, const std::string& source = "src",
                  const std::string& target = "dst") {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"--log", m_log, m_tree.Path(source), m_tree.Path(target)});
        ChildRun child(args);
        const std::optional<std::string> end = child.ReadUntil("END");
        if (!end) {
            const std::vector<std::string> skip = Containing(child.Lines(), "SKIP");
            if (!skip.empty()) m_skip = skip.front();
            else ADD_FAILURE() << "the child ended without END:\n" << Join(child.Lines());
            return false;
        }
        m_messages = child.StatusMessages();
        m_lines = child.Lines();
        EXPECT_EQ(child.Wait(), 0);
        return true;
    }

    std::vector<std::string> Failures() const { return Containing(m_messages, " konnte nicht "); }

    TempTree m_tree;
    std::string m_log = m_tree.Path("tvl.log");
    std::vector<std::string> m_messages;
    std::vector<std::string> m_lines;
    std::string m_skip;
};

TEST_F(ChildFailures, ReadOnlyMountFailsItsFilesAndTheRestIsCopied) {
    m_tree.WriteFile("src/ro/x.txt", "new x");
    m_tree.WriteFile("src/ro/y.txt", "new y");
    m_tree.WriteFile("src/top.txt", "top");
    m_tree.WriteFile("dst/ro/x.txt", "old x");
    if (!RunChild({"--readonly", m_tree.Path("dst/ro")})) GTEST_SKIP() << "no read-only mount here: " << m_skip;

    const std::vector<std::string> expected{" - ro/x.txt konnte nicht kopiert werden: " + Reason(EROFS),
                                            " - ro/y.txt konnte nicht kopiert werden: " + Reason(EROFS)};
    EXPECT_EQ(Failures(), expected) << Join(m_messages);
    EXPECT_EQ(m_messages.back(), CompletionFor(2));
    EXPECT_EQ(m_tree.ReadFile("dst/ro/x.txt"), "old x");
    EXPECT_FALSE(m_tree.Exists("dst/ro/y.txt"));
    EXPECT_EQ(m_tree.ReadFile("dst/top.txt"), "top");
}

TEST_F(ChildFailures, WithoutPrivilegesLockedFoldersAndTheLogFailVisibly) {
    if (::geteuid() != 0) GTEST_SKIP() << "dropping privileges needs root";
    m_tree.WriteFile("src/locked/a.txt", "new a");
    m_tree.WriteFile("src/locked/new/b.txt", "b");
    m_tree.WriteFile("src/free.txt", "free");
    m_tree.WriteFile("dst/locked/a.txt", "old a");
    m_tree.WriteFile("tvl.log", "old log\r\n");
    // The unprivileged child may read the source and write the target, but not the folder
    // "locked" nor the log, which belong to root.
    fs::permissions(m_tree.Root(), fs::perms(0755));
    fs::permissions(m_tree.Path("dst"), fs::perms(0777));
    if (!RunChild({"--nobody"})) GTEST_SKIP() << "cannot drop privileges: " << m_skip;

    const std::vector<std::string> expected{
        " - Ordner " + m_tree.Path("dst/locked/new") + " konnte nicht angelegt werden: " + Reason(EACCES),
        " - locked/a.txt konnte nicht kopiert werden: " + Reason(EACCES),
        " - locked/new/b.txt konnte nicht kopiert werden: " + Reason(ENOENT)};
    EXPECT_EQ(Failures(), expected) << Join(m_messages);
    EXPECT_EQ(m_messages.back(), CompletionFor(3));
    EXPECT_EQ(m_tree.ReadFile("dst/locked/a.txt"), "old a");
    EXPECT_EQ(m_tree.ReadFile("dst/free.txt"), "free");
    // The log cannot be written: said once, not once per line.
    EXPECT_EQ(Containing(m_messages, LogFailedMessage(EACCES).toStdString()).size(), 1u) << Join(m_messages);
    EXPECT_EQ(m_tree.ReadFile("tvl.log"), "old log\r\n");
}

// Without privileges and with another file system mounted in the target: what the target has
// and the source lacks goes only where the source folder was read and no mount point begins.
TEST_F(ChildFailures, ExtrasStayBelowUnreadSourceFoldersAndAtMountPoints) {
    if (::geteuid() != 0) GTEST_SKIP() << "dropping privileges needs root";
    m_tree.WriteFile("src/closed/secret.txt", "s");
    m_tree.WriteFile("src/open.txt", "o");
    m_tree.WriteFile("dst/closed/extra.txt", "kept: its source folder could not be read");
    m_tree.WriteFile("dst/gone.txt", "the source lacks it");
    m_tree.MakeDir("dst/mnt");
    fs::permissions(m_tree.Root(), fs::perms(0755));
    fs::permissions(m_tree.Path("src/closed"), fs::perms(0700));
    fs::permissions(m_tree.Path("dst"), fs::perms(0777));
    if (!RunChild({"--tmpfs", m_tree.Path("dst/mnt"), "64", "--nobody", "--delnot"}))
        GTEST_SKIP() << "no mount or no unprivileged run here: " << m_skip;

    const std::vector<std::string> expected{
        " - Ordner " + m_tree.Path("src/closed") + " konnte nicht gelesen werden: " + Reason(EACCES),
        " - mnt konnte nicht entfernt werden: " + Reason(fileservice::kMountPoint)};
    EXPECT_EQ(Failures(), expected) << Join(m_messages);
    EXPECT_EQ(Containing(m_messages, "gelöscht"), std::vector<std::string>{" - gone.txt gelöscht!"});
    EXPECT_FALSE(m_tree.Exists("dst/gone.txt"));
    EXPECT_EQ(m_tree.ReadFile("dst/closed/extra.txt"), "kept: its source folder could not be read");
    EXPECT_TRUE(fs::is_directory(m_tree.Path("dst/mnt")));
}

// One folder reached by two paths: "view" is a second mount of "data", as NAS and container
// set-ups make. "The same folder" and "inside" are decided by the folders themselves, so the
// run refuses as it would for one path.
struct TwoPathCase {
    const char* name;
    bool delOld;
    const char* source;
    const char* target;
    RefusalCode refusal;
};

void PrintTo(const TwoPathCase& row, std::ostream* out) { *out << row.name; }

class SameFolderByTwoPaths : public ChildFailures, public ::testing::WithParamInterface<TwoPathCase> {};

TEST_P(SameFolderByTwoPaths, IsRefusedAndNothingIsTouched) {
    const TwoPathCase& row = GetParam();
    m_tree.WriteFile("data/photos/a.jpg", "a");
    m_tree.WriteFile("data/photos/sub/b.jpg", "b");
    m_tree.MakeDir("view");
    const std::vector<std::string> before = m_tree.ListFiles();
    std::vector<std::string> options{"--bind", m_tree.Path("data"), m_tree.Path("view")};
    if (row.delOld) options.push_back("--delold");
    if (!RunChild(options, row.source, row.target)) GTEST_SKIP() << "no second mount here: " << m_skip;

    EXPECT_EQ(Containing(m_lines, "MESSAGE"),
              std::vector<std::string>{"MESSAGE Halt!|" + RefusalText(row.refusal).toStdString()});
    EXPECT_EQ(m_messages, std::vector<std::string>{});
    EXPECT_EQ(m_tree.ListFiles(), before);  // nothing went to a trash, nothing was copied
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SameFolderByTwoPaths,
    ::testing::Values(TwoPathCase{"EmptyFirstIntoTheSameFolder", true, "data/photos", "view/photos", kSameFolder},
                      TwoPathCase{"TargetInsideTheSource", false, "data", "view/photos/sub", kTargetInsideSource},
                      TwoPathCase{"SourceInsideTheEmptiedTarget", true, "data/photos/sub", "view/photos",
                                  kSourceInsideEmptiedTarget}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
