// The command line in a child process without a display: exit statuses, standard output and
// error, the target, the log, the lock, the dry run against the real run, and a stop.

#include "RecycleBin.h"
#include "TempTree.h"
#include "fileservice/SafeFile.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// The program's copy beside its own settings file, under the name it was built with.
const std::string kProgram = "prog/" + fs::path(TVL_PROGRAM).filename().string();
const auto kOld = TimeAt(2024, 1, 1);
const auto kNew = TimeAt(2025, 1, 1);

#ifdef _WIN32
// Standard output and error are text streams there: every line ends in CR LF.
const QString kEol = "\r\n";
// A separator in a path the program names, and the root of an absolute one: a drive's.
const std::string kSeparator = "[/\\\\]";
const std::string kRoot = "[A-Z]:" + kSeparator;
#else
const QString kEol = "\n";
const std::string kSeparator = "/";
const std::string kRoot = "/";
#endif

// `text` with the line ends the program's output has here.
QString WithEol(const QString& text) { return QString(text).replace('\n', kEol); }

#ifdef _WIN32
// The index of the entry on its volume, Windows' inode.
std::string FileIndex(const fs::path& path) {
    const HANDLE handle = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &info);
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    return read ? std::to_string((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow) : "?";
}
#endif

struct Result {
    int status = -1;
    QString out, err;
};

class CommandLine : public ::testing::Test {
public:
    CommandLine() {
        tree.MakeDir("prog");
        fs::copy_file(TVL_PROGRAM, tree.Path(kProgram));
        tree.WriteFile("src/Briefe/Antrag.doc", "Antrag", kNew);
        tree.WriteFile("src/top.txt", "top", kNew);
        tree.MakeDir("dst");
        WriteIni("onlynew=0\ndelold=0\n");
    }
    // A catalogue of two profiles; "Nacht" mirrors src into dst with `options`.
    void WriteIni(const std::string& options, const std::string& nacht = {}) {
        tree.WriteFile("prog/tvl.ini", "[Profiles]\nNacht=Nacht\nZweit=Zweit\n[Optionen]\nwritelog=1\nlogsize=50\n"
                                       "[Nacht]\ndir_a=" + (nacht.empty() ? tree.Path("src") : nacht) +
                                           "\ndir_b=" + tree.Path("dst") + "\nFilter=Funktion muss noch gebaut werden...\n" + options +
                                           "delnot=0\ndeltotrash=0\nnewsubfolder=0\n[Zweit]\ndir_a=/nicht/da\n");
    }
    QProcess* Start(const QStringList& arguments) {
        auto* process = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
        env.insert("XDG_DATA_HOME", QString::fromStdString(tree.Path("xdg")));
        process->setProcessEnvironment(env);
        process->start(QString::fromStdString(tree.Path(kProgram)), arguments);
        return process;
    }
    Result Run(const QStringList& arguments) {
        std::unique_ptr<QProcess> process(Start(arguments));
        EXPECT_TRUE(process->waitForFinished(60000));
        return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                QString::fromUtf8(process->readAllStandardOutput()), QString::fromUtf8(process->readAllStandardError())};
    }
    // Every entry below the tree with its size and time, and the bytes of the settings and log.
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> all;
        for (const auto& entry : fs::recursive_directory_iterator(tree.Root())) {
#ifdef _WIN32
            std::error_code ec;
            all[entry.path().string()] =
                FileIndex(entry.path()) + ":" + std::to_string(entry.is_directory(ec) ? 0 : entry.file_size(ec)) + "@" +
                std::to_string(entry.last_write_time(ec).time_since_epoch().count());
#else
            struct stat st {};
            ::lstat(entry.path().c_str(), &st);
            // The inode too: a file copied again is a new file, even with the same size and time.
            all[entry.path().string()] = std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + "@" +
                                         std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
#endif
        }
        all["ini"] = tree.ReadFile("prog/tvl.ini");
        all["log"] = tree.Exists("prog/tvl.log") ? tree.ReadFile("prog/tvl.log") : "";
        return all;
    }
    TempTree tree;
    fileservice::FileHandle held;  // a lock this process holds, as a running window would
};

// The commands and their answers: exit status, and what standard output and error show.
struct CommandCase {
    const char* name;
    QStringList arguments;
    std::function<void(CommandLine&)> setUp;
    int status;
    std::string out;  // a pattern of standard output
    std::string err;  // a pattern of standard error
};

void PrintTo(const CommandCase& row, std::ostream* out) { *out << row.name; }

class Commands : public CommandLine, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(Commands, AnswerWithTheirExitStatus) {
    const CommandCase& c = GetParam();
    if (c.setUp) c.setUp(*this);
    const std::string ini = fs::is_regular_file(tree.Path("prog/tvl.ini")) ? tree.ReadFile("prog/tvl.ini") : "";
    const Result result = Run(c.arguments);
    EXPECT_EQ(result.status, c.status) << result.err.toStdString();
    if (!ini.empty()) {
        EXPECT_EQ(tree.ReadFile("prog/tvl.ini"), ini);
    }
    const auto matches = [](const std::string& pattern, const QString& text) {
        return QRegularExpression(WithEol(QString::fromStdString(pattern)), QRegularExpression::DotMatchesEverythingOption)
            .match(text)
            .hasMatch();
    };
    EXPECT_TRUE(matches(c.out, result.out)) << result.out.toStdString();
    EXPECT_TRUE(matches(c.err, result.err)) << result.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    All, Commands,
    ::testing::Values(
        CommandCase{"List", {"--list"}, {}, 0, "^Nacht\nZweit\n$", "^$"},
        CommandCase{"Help", {"--help"}, {}, 0, "--run NAME --dry-run .*\n.*--list", "^$"},
        CommandCase{"Version", {"--version"}, {}, 0, "^Trevalon \\d+\\.\\d+\\.\\d+\n$", "^$"},
        CommandCase{"BadArguments", {"--run", "Nacht", "--bogus"}, {}, 3, "^$", "--bogus\nAufruf: trevalon"},
        CommandCase{"NoSuchProfile", {"--run", "Nix"}, {}, 3, "^$", "\\[Nix\\] konnte nicht vollständig geladen"},
        CommandCase{"IncompleteProfile", {"--run", "Zweit"}, {}, 2, "^$", "\\[Zweit\\] konnte nicht vollständig"},
        CommandCase{"UnreadableSettings", {"--list"},
                    [](CommandLine& t) { fs::remove(t.tree.Path("prog/tvl.ini")); t.tree.MakeDir("prog/tvl.ini"); },
                    3, "^$", "tvl.ini kann nicht gelesen werden"},
        CommandCase{"Refused", {"--run", "Nacht"},
                    [](CommandLine& t) { t.WriteIni("onlynew=0\ndelold=0\n", t.tree.Path("dst")); }, 2,
                    "\\[Nacht\\] geladen!\n$", "^Halt! "},
        CommandCase{"TargetMissing", {"--run", "Nacht"}, [](CommandLine& t) { fs::remove(t.tree.Path("dst")); }, 2,
                    "\\[Nacht\\] geladen!\n$",
                    "^Halt! Das Zielverzeichnis " + kRoot + ".*" + kSeparator +
                        "dst ist nicht vorhanden! Ist der Datenträger angeschlossen\\?\n$"},
        CommandCase{"TargetLocked", {"--run", "Nacht"},
                    [](CommandLine& t) { t.held = std::move(fileservice::LockFolder(t.tree.Path("dst")).Value()); }, 2,
                    "geladen!\n$", "^Halt! In dieses Zielverzeichnis schreibt gerade ein anderer Abgleich!\n$"},
        CommandCase{"Succeeded", {"--run", "Nacht"}, {}, 0,
                    "^\\d\\d:\\d\\d:\\d\\d - \\[Nacht\\] geladen!\n.* - top.txt kopiert!\n.*Abgleich ausgeführt!\n$", "^$"},
        CommandCase{"Failed", {"--run", "Nacht"}, [](CommandLine& t) { t.tree.WriteFile("dst/Briefe", "a file"); }, 1,
                    "Abgleich mit 2 Fehlern ausgeführt!\n$", "^$"}),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32  // a POSIX shell's pipe
TEST_F(CommandLine, AReaderThatGoesAwayDoesNotEndTheRun) {
    QProcess shell;
    shell.start("bash", {"-c", "\"$0\" --run Nacht | true; exit ${PIPESTATUS[0]}",
                         QString::fromStdString(tree.Path(kProgram))});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 0);
    EXPECT_EQ(tree.ReadFile("dst/Briefe/Antrag.doc"), "Antrag");
}
#endif

// The dry run names exactly the files the real run then copies, and changes nothing.
struct DryCase {
    const char* name;
    const char* options;
    const char* firstLines;
};

class DryRun : public CommandLine, public ::testing::WithParamInterface<DryCase> {};

TEST_P(DryRun, NamesWhatTheRealRunCopiesAndChangesNothing) {
    WriteIni(GetParam().options);
    tree.WriteFile("src/same.txt", "same", kOld);
    tree.WriteFile("dst/same.txt", "same", kOld);
    tree.WriteFile("dst/top.txt", "old", kOld);
    tree.WriteFile("dst/extra.txt", "the source lacks it", kOld);
    const auto before = Snapshot();
    const Result dry = Run({"--run", "Nacht", "--dry-run"});
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(Snapshot(), before);

    QStringList wouldCopy;
    for (const QString& line : dry.out.split(kEol))
        if (line.startsWith("würde kopieren: ")) wouldCopy << line.mid(16);
    // The target and the folders as the program names them: with "\\" on Windows.
    const QString target = QDir::toNativeSeparators(QString::fromStdString(tree.Path("dst")));
    EXPECT_TRUE(dry.out.contains(WithEol(QDir::toNativeSeparators(GetParam().firstLines)).arg(target)))
        << dry.out.toStdString();
    ASSERT_EQ(Run({"--run", "Nacht"}).status, 0);
    const QString options = GetParam().options;
    EXPECT_EQ(tree.Exists("dst/extra.txt"), !options.contains("delnot=1") && !options.contains("delold=1"));
#ifdef _WIN32
    EXPECT_EQ(InRecycleBin(target + "/extra.txt"), options.contains("deltotrash=1"));
#else
    EXPECT_EQ(tree.Exists("xdg/Trash/files/extra.txt"), options.contains("deltotrash=1"));
#endif
    QStringList copied;
    const std::string dst = (tree.Root() / "dst").string() + static_cast<char>(fs::path::preferred_separator);
    for (const auto& [path, stamp] : Snapshot())
        if (path.starts_with(dst) && (before.count(path) == 0 || before.at(path) != stamp))
            if (fs::is_regular_file(path))
                copied << QDir::toNativeSeparators(QString::fromStdString(fs::path(path.substr(dst.size())).generic_string()));
    wouldCopy.sort();
    copied.sort();
    EXPECT_EQ(wouldCopy, copied);
    EXPECT_TRUE(dry.out.contains(QString(kEol + "%1 Dateien mit insg. ").arg(copied.size())));
    EXPECT_TRUE(tree.ReadFile("prog/tvl.log").ends_with(" - Abgleich ausgeführt!\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Modes, DryRun,
                         ::testing::Values(DryCase{"OnlyNewer", "onlynew=1\ndelold=0\n", "würde Ordner anlegen: /Briefe\n"},
                                           DryCase{"EmptyFirst", "onlynew=0\ndelold=1\n",
                                                   "würde in den Papierkorb verschieben: %1\n"},
                                           DryCase{"RemovingWhatTheSourceLacks", "onlynew=1\ndelold=0\ndelnot=1\n",
                                                   "würde löschen: extra.txt\n"},
                                           DryCase{"MovingWhatTheSourceLacksToTheTrash",
                                                   "onlynew=1\ndelold=0\ndelnot=1\ndeltotrash=1\n",
                                                   "würde in den Papierkorb verschieben: extra.txt\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32  // signals; a console's Ctrl+C cannot be sent to a child under test there
// SIGINT and SIGTERM in the middle of a run of large files.
class Stop : public CommandLine, public ::testing::WithParamInterface<int> {};

TEST_P(Stop, EndsTheRunWithEveryFileWholeOrAbsent) {
    const std::string big(96 << 20, 'x');
    for (int i = 0; i < 3; ++i) tree.WriteFile("src/big" + std::to_string(i), big);
    std::unique_ptr<QProcess> process(Start({"--run", "Nacht"}));
    ASSERT_TRUE(process->waitForReadyRead(30000));
    ::kill(static_cast<pid_t>(process->processId()), GetParam());
    ASSERT_TRUE(process->waitForFinished(60000));
    EXPECT_EQ(process->exitCode(), 130);
    const QString out = QString::fromUtf8(process->readAllStandardOutput());
    EXPECT_TRUE(QRegularExpression("Abgleich abgebrochen! \\d von 5 Dateien kopiert\\.\n$").match(out).hasMatch())
        << out.toStdString();
    for (const std::string& file : tree.ListFiles("dst"))
        EXPECT_EQ(fs::file_size(tree.Path("dst/" + file)), fs::file_size(tree.Path("src/" + file))) << file;
}

INSTANTIATE_TEST_SUITE_P(Signals, Stop, ::testing::Values(SIGINT, SIGTERM));
#endif

}  // namespace
