#include "RecordingEvents.h"
#include "RecycleBin.h"
#include "TempTree.h"

#include "engine/Filter.h"
#include "engine/MirrorRun.h"
#include "engine/Vergleich.h"
#include "fileservice/FileService.h"
#include "fileservice/FileServiceTesting.h"
#include "texts/Texts.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include "fileservice/AtomicReplace.h"
#endif

namespace fs = std::filesystem;

namespace {

const auto kOld = TimeAt(2020, 1, 1);
const auto kNew = TimeAt(2024, 6, 1);

// A link to folder `to` at `at`. Windows makes one only for a user allowed to, Wine never:
// false where none was made there.
bool MakeFolderLink(TempTree& t, const std::string& to, const std::string& at) {
#ifdef _WIN32
    return fileservice::CreateLinkTemporary(t.Path(at), t.Path(to)).Ok();
#else
    fs::create_directory_symlink(t.Path(to), t.Path(at));
    return true;
#endif
}

class MirrorRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.MakeDir("src");
        tree.MakeDir("dst");
        tree.MakeDir("prog");
        const char* old = std::getenv("XDG_DATA_HOME");
        if (old) oldXdg = old;
        qputenv("XDG_DATA_HOME", tree.Path("xdg").c_str());
        request.source = Q(tree.Path("src"));
        request.target = Q(tree.Path("dst"));
    }
    void TearDown() override {
        if (oldXdg.empty()) qunsetenv("XDG_DATA_HOME");
        else qputenv("XDG_DATA_HOME", oldXdg.c_str());
    }
    static QString Q(const std::string& s) { return QString::fromStdString(s); }

    RunOutcome Run() { return MirrorRun(request, events, Q(tree.Path("prog"))); }
    std::string LogText() const { return tree.Exists("tvl.log") ? tree.ReadFile("tvl.log") : std::string(); }

    TempTree tree;
    std::string oldXdg;
    RunRequest request;
    RecordingEvents events{Q(tree.Path("tvl.log"))};
};

TEST_F(MirrorRunTest, PlainCopyAllMirrorsTreeAndKeepsExtraTargetFiles) {
    tree.WriteFile("src/a.txt", "A");
    tree.WriteFile("src/Ordner mit Ümlaut/b.txt", "BB");
    tree.WriteFile("src/Ordner mit Ümlaut/tief/c.txt", "CCC");
    tree.MakeDir("src/leer");
    tree.WriteFile("dst/extra.txt", "keep me");

    Run();

    EXPECT_EQ(tree.ReadFile("dst/a.txt"), "A");
    EXPECT_EQ(tree.ReadFile("dst/Ordner mit Ümlaut/b.txt"), "BB");
    EXPECT_EQ(tree.ReadFile("dst/Ordner mit Ümlaut/tief/c.txt"), "CCC");
    EXPECT_TRUE(fs::is_directory(tree.Path("dst/leer")));
    EXPECT_EQ(tree.ReadFile("dst/extra.txt"), "keep me");
    EXPECT_EQ(events.summaryFiles, 3);
    EXPECT_EQ(events.summaryBytes, 60000);
    EXPECT_EQ(events.count, 3);
    ASSERT_FALSE(events.lines.isEmpty());
    EXPECT_EQ(events.Messages().last(), " - Abgleich ausgeführt!");
}

TEST_F(MirrorRunTest, CopyAllWritesOneLinePerFileInListingOrder) {
    for (const char* name : {"e.txt", "a.txt", "d.txt", "c.txt", "b.txt"}) tree.WriteFile(std::string("src/") + name, name);
    Run();
    const QStringList expected = {" - a.txt kopiert!", " - b.txt kopiert!", " - c.txt kopiert!", " - d.txt kopiert!",
                                  " - e.txt kopiert!", " - Abgleich ausgeführt!"};
    EXPECT_EQ(events.Messages(), expected);
    EXPECT_EQ(events.count, 5);
}

#ifndef _WIN32  // a FIFO is the file that cannot be copied; Windows folders hold none
TEST_F(MirrorRunTest, AFailedCopyGetsOnlyItsFailureLineInItsTurn) {
    // " kopiert!" is told once a copy is done; a failed one waits for the files before it.
    tree.WriteFile("src/a.txt", "a");
    ASSERT_EQ(::mkfifo(tree.Path("src/b.fifo").c_str(), 0600), 0);
    tree.WriteFile("src/c.txt", "c");
    Run();
    const QStringList expected = {" - a.txt kopiert!",
                                  " - b.fifo konnte nicht kopiert werden: " + ReasonText(fileservice::kNotRegularFile),
                                  " - c.txt kopiert!", " - Abgleich mit 1 Fehler ausgeführt!"};
    EXPECT_EQ(events.Messages(), expected);
    EXPECT_EQ(events.landed, (QStringList{"a.txt", "c.txt"}));
}
#endif

TEST_F(MirrorRunTest, EmptySourceShowsZeroSummaryAndCompletes) {
    Run();
    EXPECT_EQ(events.summaryFiles, 0);
    EXPECT_EQ(events.count, 0);
    EXPECT_EQ(events.Messages(), QStringList{" - Abgleich ausgeführt!"});
    EXPECT_NE(LogText().find("0 Dateien mit insg. 0 Bytes im Quellverzeichnis\r\n"), std::string::npos);
}

TEST_F(MirrorRunTest, LoggingOffStillLogsTheSummaryOnly) {
    events.loggingOn = false;
    tree.WriteFile("src/a.txt", "12345");
    Run();
    const std::string text = LogText();
    const QRegularExpression line(QStringLiteral(
        "^\\d\\d\\.\\d\\d\\.\\d\\d - \\d\\d:\\d\\d:\\d\\d - 1 Dateien mit insg\\. 5 Bytes im Quellverzeichnis\\r\\n$"));
    EXPECT_TRUE(line.match(QString::fromStdString(text)).hasMatch()) << text;
    EXPECT_EQ(events.Messages(), (QStringList{" - a.txt kopiert!", " - Abgleich ausgeführt!"}));
}

TEST_F(MirrorRunTest, TheWindowPaintsWhileTheSourceIsListed) {
    for (int i = 0; i < 30; ++i) {
        tree.WriteFile("src/d" + std::to_string(i) + "/f.txt", "f", kNew);
        tree.WriteFile("dst/d" + std::to_string(i) + "/f.txt", "f", kNew);
    }
    request.mode = RunMode::OnlyNewer;
    Run();
    // No folder is made: every paint before the summary came from the listing.
    EXPECT_GE(events.paintsBeforeSummary, 30);
}

TEST_F(MirrorRunTest, OnlyNewerCopiesNewerMissingAndCutFilesOnly) {
    request.mode = RunMode::OnlyNewer;
    tree.WriteFile("src/newer.txt", "new", kNew);
    tree.WriteFile("dst/newer.txt", "old", kOld);
    tree.WriteFile("src/same.txt", "src", kOld);
    tree.WriteFile("dst/same.txt", "dst", kOld);
    tree.WriteFile("src/older.txt", "src", kOld);
    tree.WriteFile("dst/older.txt", "dst", kNew);
    tree.WriteFile("src/missing.txt", "m", kOld);
    // The same time within the tolerance but another size: cut or emptied, not up to date.
    tree.WriteFile("src/cut.txt", "whole", kOld);
    tree.WriteFile("dst/cut.txt", "wh", kOld);
    tree.WriteFile("src/emptied.txt", "whole", kOld);
    tree.WriteFile("dst/emptied.txt", "", kOld + std::chrono::seconds(1));
    tree.WriteFile("src/older-longer.txt", "a longer text", kOld);
    tree.WriteFile("dst/older-longer.txt", "dst", kNew);

    Run();

    EXPECT_EQ(tree.ReadFile("dst/newer.txt"), "new");
    EXPECT_EQ(tree.ReadFile("dst/same.txt"), "dst");
    EXPECT_EQ(tree.ReadFile("dst/older.txt"), "dst");
    EXPECT_EQ(tree.ReadFile("dst/missing.txt"), "m");
    EXPECT_EQ(tree.ReadFile("dst/cut.txt"), "whole");
    EXPECT_EQ(tree.ReadFile("dst/emptied.txt"), "whole");
    EXPECT_EQ(tree.ReadFile("dst/older-longer.txt"), "dst");
    EXPECT_EQ(events.count, 4);
    // A target left because it is newer is told, each, and counted in the last line.
    EXPECT_EQ(events.Messages(), (QStringList{" - older-longer.txt im Ziel neuer, nicht ersetzt",
                                              " - older.txt im Ziel neuer, nicht ersetzt",
                                              " - Abgleich ausgeführt! 2 Dateien im Ziel neuer, nicht ersetzt."}));

    // A second run finds nothing newer: the copies kept their times.
    Run();
    EXPECT_EQ(events.count, 0);
}

struct ProgressCase {
    int files;
    std::vector<int> perFile;  // values after each copied file
};

class ProgressTest : public MirrorRunTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressTest, BarAdvancesByTheRoundedStepAndEndsAt100) {
    const ProgressCase& c = GetParam();
    request.mode = RunMode::OnlyNewer;
    for (int i = 0; i < c.files; ++i) tree.WriteFile("src/f" + std::to_string(1000 + i), "x", kNew);
    Run();
    std::vector<int> expected{0};
    expected.insert(expected.end(), c.perFile.begin(), c.perFile.end());
    if (expected.back() != 100) expected.push_back(100);
    EXPECT_EQ(events.progressHistory, expected);
    EXPECT_EQ(events.count, c.files);
}

INSTANTIATE_TEST_SUITE_P(Steps, ProgressTest,
                         ::testing::Values(ProgressCase{1, {100}}, ProgressCase{3, {33, 66, 99}},
                                           ProgressCase{6, {17, 34, 51, 68, 85, 100}},
                                           ProgressCase{250, std::vector<int>(250, 0)}));

TEST_F(MirrorRunTest, EmptyFirstModeMovesWholeOldTargetToTrash) {
    request.mode = RunMode::EmptyFirst;
    tree.WriteFile("src/a.txt", "new A");
    tree.WriteFile("src/sub/b.txt", "B");
    tree.WriteFile("dst/a.txt", "old A");
    tree.WriteFile("dst/only-in-target.txt", "gone from target");
    tree.WriteFile("dst/x/y.txt", "deep");

    Run();

    EXPECT_EQ(tree.ListFiles("dst"), (std::vector<std::string>{"a.txt", "sub/b.txt"}));
    EXPECT_EQ(tree.ReadFile("dst/a.txt"), "new A");
#ifdef _WIN32
    // The old target went into the recycle bin, from which Explorer puts it back.
    EXPECT_TRUE(InRecycleBin(Q(tree.Path("dst"))));
#else
    // The old target, whole, restorable from the trash.
    EXPECT_EQ(tree.ReadFile("xdg/Trash/files/dst/only-in-target.txt"), "gone from target");
    EXPECT_EQ(tree.ReadFile("xdg/Trash/files/dst/x/y.txt"), "deep");
    EXPECT_EQ(tree.ReadFile("xdg/Trash/files/dst/a.txt"), "old A");
    const std::string info = tree.ReadFile("xdg/Trash/info/dst.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + tree.Path("dst") + "\nDeletionDate=", 0), 0u) << info;
#endif
    EXPECT_EQ(events.Messages().last(), " - Abgleich ausgeführt!");
}

TEST_F(MirrorRunTest, EmptyFirstModeStopsWhenTrashFails) {
#ifdef _WIN32
    GTEST_SKIP() << "no recycle bin a test can take away: only removable and network drives have none";
#endif
    request.mode = RunMode::EmptyFirst;
    tree.WriteFile("src/a.txt", "A");
    tree.WriteFile("dst/keep.txt", "K");
    tree.WriteFile("blocker", "a file where the data folder must go");
    qputenv("XDG_DATA_HOME", tree.Path("blocker").c_str());

    Run();

    EXPECT_EQ(tree.ListFiles("dst"), std::vector<std::string>{"keep.txt"});
    // That line alone: no end line claims a run.
    EXPECT_EQ(events.Messages(), QStringList{FailureMessage({FailureKind::EmptyTarget, {}, ENOTDIR})});
    EXPECT_EQ(events.outcome, RunOutcome::Failed);
}

TEST_F(MirrorRunTest, SubfolderModeCopiesSourceUnderItsNameAndOverwritesOnRerun) {
    request.mode = ModeOf(false, true, true);  // the subfolder mode wins; the target is not emptied
    tree.WriteFile("src/a.txt", "A1");
    tree.WriteFile("src/sub/b.txt", "B1");
    tree.WriteFile("dst/keep.txt", "K");

    Run();
    EXPECT_EQ(tree.ListFiles("dst"), (std::vector<std::string>{"keep.txt", "src/a.txt", "src/sub/b.txt"}));
    EXPECT_EQ(events.Messages(), QStringList{" - Quelle als Unterordner ins Ziel kopiert!"});
    EXPECT_EQ(events.summaryFiles, 2);

    tree.WriteFile("src/a.txt", "A2");
    Run();
    EXPECT_EQ(tree.ReadFile("dst/src/a.txt"), "A2");
    EXPECT_FALSE(tree.Exists("xdg/Trash"));
}

TEST_F(MirrorRunTest, CopyFailuresAreReportedAndTheRunGoesOn) {
    tree.WriteFile("src/A/x.txt", "X");
    tree.WriteFile("src/b.txt", "B");
    tree.WriteFile("dst/A", "a file standing where a folder must go");

    Run();

    EXPECT_EQ(tree.ReadFile("dst/b.txt"), "B");
    EXPECT_EQ(tree.ReadFile("dst/A"), "a file standing where a folder must go");
    const QStringList messages = events.Messages();
    EXPECT_EQ(messages.filter(" konnte nicht "), (QStringList{FolderFailedMessage(Q(tree.Path("dst/A")), EEXIST),
                                                              CopyFailedMessage("A/x.txt", ENOTDIR)}));
    EXPECT_EQ(messages.last(), CompletionMessage(2));
}

struct StopCase {
    const char* name;
    RunMode mode;
    int stopAt;
    const char* lastLine;  // %1: the files in the target
    int copied;            // at most this many files of the source in the target afterwards, each whole
    bool oldTargetTrashed;
};

class StopTest : public MirrorRunTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopTest, HandsOverNothingMoreAndSaysHowManyFilesAreThere) {
    const StopCase& c = GetParam();
    for (int i = 0; i < 5; ++i) tree.WriteFile("src/f" + std::to_string(i), std::string(100000, 'a' + i), kNew);
    tree.WriteFile("dst/old.txt", "old");
    request.mode = c.mode;
    events.stopAtCount = c.stopAt;

    EXPECT_EQ(Run(), RunOutcome::Stopped);

    int copied = 0;
    for (int i = 0; i < 5; ++i) {
        const std::string name = (c.mode == RunMode::Subfolder ? "dst/src/f" : "dst/f") + std::to_string(i);
        if (!tree.Exists(name)) continue;
        ++copied;
        EXPECT_EQ(tree.ReadFile(name), std::string(100000, 'a' + i)) << name;
    }
    // Handed-over copies that had not begun when the stop came are dropped.
    EXPECT_LE(copied, c.copied);
    EXPECT_EQ(events.Messages().last(), QString::fromUtf8(c.lastLine).arg(copied));
#ifdef _WIN32
    EXPECT_EQ(InRecycleBin(Q(tree.Path("dst"))), c.oldTargetTrashed);
#else
    EXPECT_EQ(tree.Exists("xdg/Trash/files/dst/old.txt"), c.oldTargetTrashed);
#endif
    EXPECT_EQ(tree.Exists("dst/old.txt"), !c.oldTargetTrashed);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StopTest,
    ::testing::Values(
        StopCase{"CopyAll", RunMode::CopyAll, 2, " - Abgleich abgebrochen! %1 von 5 Dateien kopiert.", 2, false},
        StopCase{"OnlyNewer", RunMode::OnlyNewer, 3, " - Abgleich abgebrochen! %1 von 5 Dateien kopiert.", 3, false},
        StopCase{"EmptyFirst", RunMode::EmptyFirst, 1,
                 " - Abgleich abgebrochen! %1 von 5 Dateien kopiert. Das Zielverzeichnis ist unvollständig, das alte "
                 "Ziel liegt im Papierkorb.",
                 1, true},
        StopCase{"EmptyFirstBeforeTheTrash", RunMode::EmptyFirst, 0, " - Abgleich abgebrochen! %1 von 0 Dateien kopiert.",
                 0, false},
        StopCase{"Subfolder", RunMode::Subfolder, 0, " - Abgleich abgebrochen! %1 von 5 Dateien kopiert.", 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::function<void(TempTree&, RunRequest&)> setUp;
    RefusalCode code;
};

class RefusalTest : public MirrorRunTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RefusesBeforeTouchingAnything) {
    tree.WriteFile("src/a.txt", "A");
    tree.WriteFile("src/inner/b.txt", "B");
    tree.WriteFile("dst/t.txt", "T");
    GetParam().setUp(tree, request);
    if (IsSkipped()) return;
    const auto before = tree.ListFiles();

    Run();

    ASSERT_EQ(events.refusals.size(), 1u);
    EXPECT_EQ(events.refusals[0].error, GetParam().code);
    EXPECT_EQ(tree.ListFiles(), before);
    EXPECT_TRUE(events.lines.isEmpty());
    EXPECT_FALSE(events.outcome);
}

const auto Q = [](const std::string& s) { return QString::fromStdString(s); };

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"ProgramDirInOtherCase",
                    [](TempTree& t, RunRequest& c) {
                        t.MakeDir("PROG");
                        c.target = Q(t.Path("prog")).toUpper().replace(Q(t.Path()).toUpper(), Q(t.Path()));
                    },
                    kProgramDirAsTarget},
        RefusalCase{"SameFolder", [](TempTree& t, RunRequest& c) { c.target = Q(t.Path("src/../src")); },
                    kSameFolder},
        RefusalCase{"SameFolderThroughLink",
                    [](TempTree& t, RunRequest& c) {
                        if (!MakeFolderLink(t, "src", "link")) GTEST_SKIP() << "no symbolic links made here";
                        c.target = Q(t.Path("link"));
                    },
                    kSameFolder},
        RefusalCase{"TargetInsideSource", [](TempTree& t, RunRequest& c) { c.target = Q(t.Path("src/inner")); },
                    kTargetInsideSource},
        RefusalCase{"TargetInsideSourceSubfolderMode",
                    [](TempTree& t, RunRequest& c) {
                        c.mode = RunMode::Subfolder;
                        c.target = Q(t.Path("src/inner"));
                    },
                    kTargetInsideSource},
        RefusalCase{"SourceInsideEmptiedTarget",
                    [](TempTree& t, RunRequest& c) {
                        c.mode = RunMode::EmptyFirst;
                        c.source = Q(t.Path("src/inner"));
                        c.target = Q(t.Path("src"));
                    },
                    kSourceInsideEmptiedTarget},
        RefusalCase{"EmptiedTargetHoldsProgramDir",
                    [](TempTree& t, RunRequest& c) {
                        c.mode = RunMode::EmptyFirst;
                        c.target = Q(t.Path());
                        c.source = Q(t.Path("src/inner"));
                    },
                    kTargetCannotBeEmptied},
        RefusalCase{"EmptiedTargetIsVolumeRoot",
                    [](TempTree&, RunRequest& c) {
                        c.mode = RunMode::EmptyFirst;
                        c.target = "/";
                    },
                    kTargetCannotBeEmptied},
        RefusalCase{"MissingSource", [](TempTree& t, RunRequest& c) { c.source = Q(t.Path("nope")); },
                    kSourceUnreadable},
        RefusalCase{"MissingTarget", [](TempTree& t, RunRequest& c) { c.target = Q(t.Path("nope")); },
                    kTargetMissing},
        RefusalCase{"EmptySourceWhenEmptying",
                    [](TempTree& t, RunRequest& c) {
                        t.MakeDir("leer");
                        c.mode = RunMode::EmptyFirst;
                        c.source = Q(t.Path("leer"));
                    },
                    kSourceEmpty},
        RefusalCase{"FilterEntryThatIsNoName", [](TempTree&, RunRequest& c) { c.filter = "*.tmp; Briefe/alt.doc"; },
                    kFilterEntry},
        RefusalCase{"VolumeRootAsSubfolder",
                    [](TempTree&, RunRequest& c) {
                        c.mode = RunMode::Subfolder;
                        c.source = "/";
                    },
                    kDriveAsSubfolder}),
    [](const auto& info) { return std::string(info.param.name); });

// Target entries the source lacks: a renamed and a deleted file, an old folder, a link that
// leads out of the target, and a file the filter names. Each row is a mode and a policy.
struct ExtrasCase {
    const char* name;
    RunMode mode;
    ExtrasPolicy extras;
    bool confirm;       // the answer to the question before removing for good
    bool blockTrash;    // no trash can be made
    QStringList lines;  // the removal and failure lines, in order
};

class ExtrasTest : public MirrorRunTest, public ::testing::WithParamInterface<ExtrasCase> {};

TEST_P(ExtrasTest, LeaveTheMirrorAsAskedAndNothingElseDoes) {
    const ExtrasCase& c = GetParam();
#ifdef _WIN32
    if (c.blockTrash) GTEST_SKIP() << "no recycle bin a test can take away: only removable and network drives have none";
#endif
    const std::string root = c.mode == RunMode::Subfolder ? "dst/src/" : "dst/";
    tree.WriteFile("src/Briefe/neu.doc", "renamed");
    tree.WriteFile("src/keep.txt", "K");
    tree.WriteFile(root + "Briefe/alt.doc", "old name");
    tree.WriteFile(root + "weg.txt", "deleted in the source");
    tree.WriteFile(root + "alt/x.txt", "old folder");
    tree.WriteFile(root + "notiz.tmp", "filtered");
    // What a killed run left of a file the source no longer has: cleaned up, never an extra.
    const std::string leftover = root + "Briefe/" + TemporaryNameFor("alt.doc");
    tree.WriteFile(leftover, "leftover");
    tree.WriteFile("outside/o.txt", "never touched");
    // Without a link the row checks the other extras alone.
    const bool linked = MakeFolderLink(tree, "outside", root + "link");
    if (c.mode == RunMode::Subfolder) tree.WriteFile("dst/beside.txt", "beside the subfolder");
    if (c.blockTrash) {
        tree.WriteFile("blocker", "a file where the data folder must go");
        qputenv("XDG_DATA_HOME", tree.Path("blocker").c_str());
    }
    request.mode = c.mode;
    request.extras = c.extras;
    request.filter = "tmp";
    events.confirm = c.confirm;

    Run();

    const bool gone = c.confirm && !c.blockTrash;
    for (const std::string extra : {"Briefe/alt.doc", "weg.txt", "alt/x.txt", "link"}) {
        if (linked || extra != "link") {
            EXPECT_EQ(fs::exists(fs::symlink_status(tree.Path(root + extra))), !gone) << extra;
        }
    }
    EXPECT_EQ(tree.ReadFile(root + "notiz.tmp"), "filtered");
    EXPECT_FALSE(tree.Exists(leftover));
    EXPECT_EQ(tree.ReadFile("outside/o.txt"), "never touched");
    EXPECT_EQ(tree.ReadFile(root + "Briefe/neu.doc"), "renamed");
    EXPECT_EQ(tree.Exists("dst/beside.txt"), c.mode == RunMode::Subfolder);
    QStringList lines = events.Messages();
    lines.removeLast();
    QStringList expectedLines = c.lines;
    if (!linked) expectedLines.removeIf([](const QString& line) { return line.startsWith(" - link "); });
    EXPECT_EQ(lines.filter(QRegularExpression("verschoben|gelöscht|entfernt")), expectedLines);
    EXPECT_EQ(events.summary.removed, gone ? (linked ? 4 : 3) : 0);
    const bool asked = c.extras == ExtrasPolicy::Delete;
    using Questions = std::vector<std::pair<std::int32_t, std::int32_t>>;
    const Questions expected = asked ? Questions{{linked ? 3 : 2, 1}} : Questions{};
    EXPECT_EQ(events.questions, expected);
    if (gone && c.extras == ExtrasPolicy::Trash) {
#ifdef _WIN32
        EXPECT_TRUE(InRecycleBin(Q(tree.Path(root + "Briefe/alt.doc"))));
        EXPECT_EQ(InRecycleBin(Q(tree.Path(root + "link"))), linked);
#else
        EXPECT_EQ(tree.ReadFile("xdg/Trash/files/alt.doc"), "old name");
        EXPECT_TRUE(tree.Exists("xdg/Trash/info/alt.doc.trashinfo"));
        EXPECT_TRUE(fs::is_symlink(tree.Path("xdg/Trash/files/link")));
#endif
    }
}

const QStringList kTrashed = {" - alt in den Papierkorb verschoben!", " - link in den Papierkorb verschoben!",
                              " - weg.txt in den Papierkorb verschoben!",
                              " - " + QDir::toNativeSeparators("Briefe/alt.doc") + " in den Papierkorb verschoben!"};
const QStringList kDeleted = {" - alt gelöscht!", " - link gelöscht!", " - weg.txt gelöscht!",
                              " - " + QDir::toNativeSeparators("Briefe/alt.doc") + " gelöscht!"};

INSTANTIATE_TEST_SUITE_P(
    Modes, ExtrasTest,
    ::testing::Values(ExtrasCase{"CopyAllIntoTheTrash", RunMode::CopyAll, ExtrasPolicy::Trash, true, false, kTrashed},
                      ExtrasCase{"OnlyNewerForGood", RunMode::OnlyNewer, ExtrasPolicy::Delete, true, false, kDeleted},
                      ExtrasCase{"SubfolderForGood", RunMode::Subfolder, ExtrasPolicy::Delete, true, false, kDeleted},
                      ExtrasCase{"ForGoodDeclined", RunMode::CopyAll, ExtrasPolicy::Delete, false, false, {}},
                      ExtrasCase{"NoTrashNoFallBack", RunMode::CopyAll, ExtrasPolicy::Trash, true, true,
                                 {" - alt konnte nicht entfernt werden: " + ReasonText(ENOTDIR),
                                  " - link konnte nicht entfernt werden: " + ReasonText(ENOTDIR),
                                  " - weg.txt konnte nicht entfernt werden: " + ReasonText(ENOTDIR),
                                  " - " + QDir::toNativeSeparators("Briefe/alt.doc") + " konnte nicht entfernt werden: " + ReasonText(ENOTDIR)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MirrorRunTest, FilterLeavesOutFilesAndFoldersAndCountsThem) {
    tree.WriteFile("src/keep.txt", "12345");
    tree.WriteFile("src/a.TMP", "tmp");
    tree.WriteFile("src/~$Brief.doc", "lock");
    tree.WriteFile("src/Cache/x.txt", "cached");
    tree.WriteFile("src/sub/cache/y.txt", "cached");
    request.filter = " tmp , ~$*; cache/ ;";
    Run();
    EXPECT_EQ(tree.ListFiles("dst"), std::vector<std::string>{"keep.txt"});
    EXPECT_FALSE(tree.Exists("dst/Cache"));
    EXPECT_TRUE(tree.Exists("dst/sub"));
    EXPECT_EQ(events.summary.files, 1);
    EXPECT_EQ(events.summary.bytes.scaled, 50000);
    EXPECT_EQ(events.summary.leftOut, 4);
    EXPECT_EQ(SummaryText(events.summary),
              "1 Dateien mit insg. 5 Bytes im Quellverzeichnis, 4 durch den Filter ausgelassen");
}

struct FilterCase {
    const char* filter;
    const char* name;
    bool folder;
    bool excluded;
};
class FilterMatch : public ::testing::TestWithParam<FilterCase> {};
TEST_P(FilterMatch, OnNamesIgnoringCase) {
    const FilterCase& c = GetParam();
    const FileFilter filter = FileFilter::Parse(c.filter).Value();
    EXPECT_EQ(c.folder ? filter.ExcludesFolder(c.name) : filter.ExcludesFile(c.name), c.excluded);
}
INSTANTIATE_TEST_SUITE_P(
    Table, FilterMatch,
    ::testing::Values(FilterCase{"tmp", "x.TMP", false, true}, FilterCase{".tmp", "a.tmp", false, true},
                      FilterCase{"tmp", "tmp", false, false}, FilterCase{"*.tmp", "a.tmp.bak", false, false},
                      FilterCase{"~$*", "~$Brief.doc", false, true}, FilterCase{"Thumbs.db", "thumbs.DB", false, true},
                      FilterCase{"?.txt", "ab.txt", false, false}, FilterCase{"a*b*c", "aXbYbZc", false, true},
                      FilterCase{"cache/", "Cache", true, true}, FilterCase{"cache/", "cache", false, false},
                      FilterCase{"*.tmp", "x.tmp", true, false}, FilterCase{"Über*", "übersicht", false, true}));

TEST(RunRefusal, TargetBelowProgramDirPasses) {
    TempTree t;
    t.MakeDir("prog/Backup");
    t.MakeDir("src");
    RunRequest request;
    request.source = QString::fromStdString(t.Path("src"));
    request.target = QString::fromStdString(t.Path("prog/Backup"));
    EXPECT_TRUE(RunRefusal(request, QString::fromStdString(t.Path("prog"))).Ok());
}

struct StepCase {
    int files;
    int step;
};
class ProgressStepTest : public ::testing::TestWithParam<StepCase> {};
TEST_P(ProgressStepTest, RoundsHalfToEven) { EXPECT_EQ(ProgressStep(GetParam().files), GetParam().step); }
INSTANTIATE_TEST_SUITE_P(Table, ProgressStepTest,
                         ::testing::Values(StepCase{1, 100}, StepCase{3, 33}, StepCase{6, 17}, StepCase{8, 12},
                                           StepCase{40, 2}, StepCase{200, 0}, StepCase{201, 0}, StepCase{0, 0}));

TEST(FormatByteTotal, PlainDecimalWithoutTrailingZeros) {
    EXPECT_EQ(FormatByteTotal(482110000), "48211");
    EXPECT_EQ(FormatByteTotal(0), "0");
    EXPECT_EQ(FormatByteTotal(123456789012340000LL), "12345678901234");
    const QString sep = QLocale::system().decimalPoint();
    EXPECT_EQ(FormatByteTotal(15000), "1" + sep + "5");
    EXPECT_EQ(FormatByteTotal(10001), "1" + sep + "0001");
}

}  // namespace
