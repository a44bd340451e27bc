// Awkward sources: links that loop or leave the tree, FIFOs and sockets, odd names, paths
// longer than the system's limit, and files deleted or growing during the run. No hang, no
// crash, every skip reported, everything else mirrored.

#include "RecordingEvents.h"
#include "FaultHelpers.h"
#include "TempTree.h"

#include "engine/MirrorRun.h"
#include "engine/Paths.h"
#include "fileservice/FileServiceTesting.h"
#include "texts/Texts.h"

#include <cerrno>
#include <climits>
#include <string_view>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const auto kOldTime = TimeAt(2020, 1, 1);

class AwkwardSource : public ::testing::Test {
protected:
    AwkwardSource() {
        m_tree.MakeDir("src");
        m_tree.MakeDir("dst");
        m_tree.MakeDir("prog");
        m_tree.WriteFile("src/normal.txt", "plain");
        m_request.source = QString::fromStdString(m_tree.Path("src"));
        m_request.target = QString::fromStdString(m_tree.Path("dst"));
    }

    void Run() { MirrorRun(m_request, m_events, QString::fromStdString(m_tree.Path("prog"))); }

    QStringList Failures() const { return m_events.Messages().filter(QStringLiteral(" konnte nicht ")); }

    // The entry is in the target as in the source: a link with the same text, or the same bytes.
    void ExpectMirrored(const std::string& rel) const {
        const fs::path source = m_tree.Root() / "src" / rel;
        const fs::path target = m_tree.Root() / "dst" / rel;
        if (fs::is_symlink(source)) {
            ASSERT_TRUE(fs::is_symlink(target)) << rel;
            EXPECT_EQ(fs::read_symlink(target), fs::read_symlink(source)) << rel;
        } else {
            ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(target))) << rel;
            EXPECT_EQ(ReadBytes(target), ReadBytes(source)) << rel;
        }
    }

    void ExpectNormalMirrored() const { EXPECT_EQ(m_tree.ReadFile("dst/normal.txt"), "plain"); }

    TempTree m_tree;
    RunRequest m_request;
    RecordingEvents m_events{QString::fromStdString(m_tree.Path("tvl.log"))};
};

void MakeFifo(const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << std::strerror(errno); }

void MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    ::close(fd);
}

// Rows whose entries are either mirrored or skipped with a reported reason.
struct AwkwardCase {
    const char* name;
    std::function<void(TempTree&)> make;
    std::vector<std::string> mirrored;
    std::vector<std::string> reported;  // entries refused as not a regular file or link
};

void PrintTo(const AwkwardCase& row, std::ostream* out) { *out << row.name; }

class AwkwardEntries : public AwkwardSource, public ::testing::WithParamInterface<AwkwardCase> {};

TEST_P(AwkwardEntries, AreMirroredOrReportedAndTheRestIsCopied) {
    const AwkwardCase& row = GetParam();
    row.make(m_tree);
    Run();

    ExpectNormalMirrored();
    for (const std::string& rel : row.mirrored) ExpectMirrored(rel);
    QStringList expected;
    for (const std::string& rel : row.reported) {
        expected << CopyFailedMessage(QString::fromStdString(rel), fileservice::kNotRegularFile);
        EXPECT_FALSE(fs::exists(fs::symlink_status(m_tree.Path("dst/" + rel)))) << rel;
    }
    EXPECT_EQ(Failures(), expected) << Join(m_events.Messages());
    ASSERT_FALSE(m_events.lines.isEmpty());
    EXPECT_EQ(m_events.Messages().last().toStdString(), CompletionFor(static_cast<int>(expected.size())));
}

std::string LongName(char fill) { return std::string(NAME_MAX - 4, fill) + ".txt"; }

INSTANTIATE_TEST_SUITE_P(
    Cases, AwkwardEntries,
    ::testing::Values(
        AwkwardCase{"SymlinkLoop",
                    [](TempTree& t) {
                        fs::create_symlink("loop2", t.Path("src/loop1"));
                        fs::create_symlink("loop1", t.Path("src/loop2"));
                        fs::create_directory_symlink(".", t.Path("src/self"));
                    },
                    {"loop1", "loop2", "self"},
                    {}},
        AwkwardCase{"LinksLeavingTheTree",
                    [](TempTree& t) {
                        t.WriteFile("outside/secret.txt", "secret");
                        fs::create_symlink(t.Path("outside/secret.txt"), t.Path("src/file-link"));
                        fs::create_directory_symlink(t.Path("outside"), t.Path("src/folder-link"));
                        fs::create_symlink("../outside/secret.txt", t.Path("src/relative-link"));
                    },
                    {"file-link", "folder-link", "relative-link"},
                    {}},
        AwkwardCase{"FifoAndSocket",
                    [](TempTree& t) {
                        MakeFifo(t.Path("src/a-fifo"));
                        t.MakeDir("src/sub");
                        MakeSocket(t.Path("src/sub/a-socket"));
                    },
                    {},
                    {"a-fifo", "sub/a-socket"}},
        AwkwardCase{"NamesWithNewlinesBackslashesAndDashes",
                    [](TempTree& t) {
                        t.WriteFile("src/new\nline.txt", "nl");
                        t.WriteFile("src/back\\slash.txt", "bs");
                        t.WriteFile("src/-rf", "dash");
                        t.WriteFile("src/--help/-x.txt", "dashes");
                        t.WriteFile("src/ lead and trail .txt ", "blanks");
                    },
                    {"new\nline.txt", "back\\slash.txt", "-rf", "--help/-x.txt", " lead and trail .txt "},
                    {}},
        AwkwardCase{"InvalidUtf8Names",
                    [](TempTree& t) {
                        t.WriteFile("src/bad\xff\xfe.txt", "latin");
                        t.WriteFile("src/ordner-\xe4/datei-\xfc.txt", "cp1252");
                        t.WriteFile("src/half-\xc3.txt", "cut sequence");
                    },
                    {"bad\xff\xfe.txt", "ordner-\xe4/datei-\xfc.txt", "half-\xc3.txt"},
                    {}},
        AwkwardCase{"NamesOf255Bytes",
                    [](TempTree& t) {
                        t.WriteFile("src/" + LongName('a'), "long");
                        t.WriteFile("src/" + LongName('b') + "/" + LongName('c'), "longer");
                    },
                    {LongName('a'), LongName('b') + "/" + LongName('c')},
                    {}}),
    [](const ::testing::TestParamInfo<AwkwardCase>& info) { return std::string(info.param.name); });

// Folders nested below a path longer than PATH_MAX, made and removed relative to open
// folders, since no call takes such a path whole.
class LongPath {
public:
    LongPath(const std::string& root, int depth) : m_root(root), m_depth(depth) {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
        const std::string segment(200, 'd');
        for (int i = 0; i < depth; ++i) {
            ::mkdirat(fd, segment.c_str(), 0755);
            const int next = ::openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
            m_relative += segment + "/";
        }
        const int file = ::openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
        (void)!::write(file, "deep", 4);
        ::close(file);
        ::close(fd);
        m_relative += "deep.txt";
    }
    // Removes the nested folders, deepest first.
    static void Remove(const std::string& root, int depth) {
        std::vector<int> fds{::open(root.c_str(), O_RDONLY | O_DIRECTORY)};
        const std::string segment(200, 'd');
        for (int i = 0; i < depth && fds.back() >= 0; ++i)
            fds.push_back(::openat(fds.back(), segment.c_str(), O_RDONLY | O_DIRECTORY));
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (fds[i] < 0) continue;
            ::unlinkat(fds[i], "deep.txt", 0);
            if (i + 1 < fds.size()) ::unlinkat(fds[i], segment.c_str(), AT_REMOVEDIR);
            ::close(fds[i]);
        }
    }
    const std::string& Relative() const { return m_relative; }

private:
    std::string m_root;
    int m_depth;
    std::string m_relative;
};

TEST_F(AwkwardSource, PathsLongerThanTheSystemLimitAreReportedAndTheRestIsCopied) {
    constexpr int kDepth = 22;  // 22 * 201 bytes: past 4096 after the 20th level
    const LongPath deep(m_tree.Path("src"), kDepth);
    ASSERT_GT(deep.Relative().size(), std::size_t{PATH_MAX});
    Run();
    LongPath::Remove(m_tree.Path("src"), kDepth);
    LongPath::Remove(m_tree.Path("dst"), kDepth);

    ExpectNormalMirrored();
    const QStringList failures = Failures();
    ASSERT_FALSE(failures.isEmpty()) << Join(m_events.Messages());
    for (const QString& line : failures) EXPECT_TRUE(line.endsWith(ReasonText(ENAMETOOLONG))) << line.toStdString();
    EXPECT_EQ(failures.filter(QString::fromStdString(" - " + deep.Relative() + " konnte nicht kopiert werden")).size(), 1)
        << Join(failures);
    EXPECT_EQ(m_events.Messages().last().toStdString(), CompletionFor(static_cast<int>(failures.size())));
}

TEST_F(AwkwardSource, FileDeletedAfterTheListingIsReported) {
    m_tree.WriteFile("src/a.txt", "a");
    m_tree.WriteFile("src/b.txt", "b");
    m_tree.WriteFile("src/c.txt", "c");
    // Listing order: a, b, c, normal. Once the first copy is handed over, c goes.
    m_events.onCopy = [this](const CopyItem&) {
        if (m_events.copied.size() == 1) fs::remove(m_tree.Path("src/c.txt"));
    };
    Run();

    EXPECT_EQ(Failures(), QStringList{CopyFailedMessage("c.txt", ENOENT)})
        << Join(m_events.Messages());
    EXPECT_FALSE(m_tree.Exists("dst/c.txt"));
    EXPECT_EQ(m_tree.ReadFile("dst/b.txt"), "b");
    ExpectNormalMirrored();
    EXPECT_EQ(m_events.Messages().last().toStdString(), CompletionFor(1));
}

TEST_F(AwkwardSource, FileGrowingDuringTheRunIsCompleteAfterTheNextRun) {
    const std::string start = Pattern(4 * 1024 * 1024, 1);
    const std::string more = Pattern(1024 * 1024, 2);
    m_tree.WriteFile("src/growing.bin", start, kOldTime);
    // Appended while its copy may be running: right after the copy was handed over.
    m_events.onCopy = [&](const CopyItem&) {
        if (m_events.copied.size() != 1) return;
        const int fd = ::open(m_tree.Path("src/growing.bin").c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, more.data(), more.size()), static_cast<ssize_t>(more.size()));
        ::close(fd);
    };
    Run();
    m_events.onCopy = nullptr;

    // Whatever the copy saw is a whole state of the file so far, never a cut one; a file that
    // changed under both attempts is reported instead and has no copy yet.
    const std::string first = FileBytes(m_tree.Path("dst/growing.bin"));
    const bool reported = m_events.Messages().last().toStdString() == CompletionFor(1);
    if (reported) {
        EXPECT_FALSE(std::filesystem::exists(m_tree.Path("dst/growing.bin")));
    } else {
        EXPECT_EQ(m_events.Messages().last().toStdString(), CompletionFor(0));
        EXPECT_GE(first.size(), start.size());
        EXPECT_TRUE(first == (start + more).substr(0, first.size())) << "the copy is not a state of the file";
    }

    // A copy that missed the growth keeps the old time, so the next only-newer run takes it again.
    m_request.mode = RunMode::OnlyNewer;
    Run();
    EXPECT_TRUE(FileBytes(m_tree.Path("dst/growing.bin")) == start + more) << "the grown file was not copied again";
    EXPECT_EQ(MTime(m_tree.Path("dst/growing.bin")), MTime(m_tree.Path("src/growing.bin")));
}

TEST_F(AwkwardSource, NameWithLineBreaksWritesNoLineOfItsOwn) {
    const std::string name = "x\r\n07.12.26 - 17:03:15 - Abgleich ausgeführt!\r\ny";
    m_tree.WriteFile("src/" + name, "forged");
    MakeFifo(m_tree.Path("src/a-fifo"));  // the run's one failure
    Run();

    ExpectMirrored(name);
    const QStringList messages = m_events.Messages();
    EXPECT_TRUE(messages.contains(
        QString::fromUtf8(" - x\\r\\n07.12.26 - 17:03:15 - Abgleich ausgeführt!\\r\\ny kopiert!")))
        << Join(messages);
    // Every log line is "dd.mm.yy - hh:mm:ss - " and the message: only one may say how the run ended.
    QStringList completions;
    for (const QString& line : QString::fromUtf8(m_tree.ReadFile("tvl.log")).split(QLatin1Char('\n')))
        if (line.mid(22).startsWith(QStringLiteral("Abgleich"))) completions << line.mid(22).trimmed();
    EXPECT_EQ(completions, QStringList{QString::fromUtf8("Abgleich mit 1 Fehler ausgeführt!")});
}

// A source that is itself a mirror may hold a leftover of the copy's temporary, under the very
// name the copy of its neighbour writes first. Mirrored, it must survive that copy and the next
// run's clean-up.
TEST_F(AwkwardSource, NamesLikeTheCopysTemporariesAreMirroredAndKept) {
    const std::vector<std::string> names{TemporaryNameFor("normal.txt"), "sub/x.txt",
                                         "sub/" + TemporaryNameFor("x.txt")};
    m_tree.WriteFile("src/sub/x.txt", "x");
    for (const std::string& name : {names[0], names[2]}) m_tree.WriteFile("src/" + name, "a leftover, mirrored");
    for (int run = 0; run < 2; ++run) {
        Run();
        ExpectNormalMirrored();
        for (const std::string& name : names) ExpectMirrored(name);
        EXPECT_EQ(m_events.Messages().last().toStdString(), CompletionFor(0)) << Join(m_events.Messages());
    }
}

TEST_F(AwkwardSource, FileChangingAtEveryCopyIsReportedAndTheOldTargetKept) {
    const std::string old = Pattern(64 * 1024, 7);
    m_tree.WriteFile("src/changing.bin", Pattern(256 * 1024, 8));
    m_tree.WriteFile("dst/changing.bin", old, kOldTime);
    // A writer appends to the file after every pass of its copy over the data.
    SetAfterCopyDataHook([](const char* source) {
        if (!std::string_view(source).ends_with("/changing.bin")) return;
        const int fd = ::open(source, O_WRONLY | O_APPEND | O_CLOEXEC);
        EXPECT_EQ(::write(fd, "more", 4), 4);
        ::close(fd);
    });
    Run();
    SetAfterCopyDataHook(nullptr);

    EXPECT_EQ(Failures(), QStringList{CopyFailedMessage("changing.bin", fileservice::kSourceChanged)})
        << Join(m_events.Messages());
    EXPECT_EQ(m_events.Messages().last().toStdString(), CompletionFor(1));
    EXPECT_TRUE(FileBytes(m_tree.Path("dst/changing.bin")) == old) << "the old target file was replaced";
    EXPECT_EQ(MTime(m_tree.Path("dst/changing.bin")), kOldTime);
    EXPECT_EQ(TemporariesBelow(m_tree.Path("dst")), std::vector<std::string>{});
    ExpectNormalMirrored();
}

// Names travel from the listing to the copy as text; every byte string must come back whole.
struct NativeName {
    const char* name;
    std::string bytes;
};

void PrintTo(const NativeName& row, std::ostream* out) { *out << row.name; }

class NativeNames : public ::testing::TestWithParam<NativeName> {};

TEST_P(NativeNames, SurviveTheWayThroughText) {
    const std::string& name = GetParam().bytes;
    const QByteArray back = ToNative(FromNative(name));
    EXPECT_EQ(back.toStdString(), name);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, NativeNames,
    ::testing::Values(NativeName{"Ascii", "plain/name.txt"},
                      NativeName{"Utf8", "\xc3\x9cmlaut/\xe2\x82\xac/\xf0\x9f\x98\x80"},
                      NativeName{"Latin1", "d\xe4tei-\xfc"},
                      NativeName{"CutSequence", "half-\xc3"},
                      NativeName{"Overlong", "\xc0\xaf-\xe0\x80\xaf"},
                      NativeName{"EncodedSurrogate", "\xed\xb2\x80"},
                      NativeName{"AboveUnicode", "\xf4\x90\x80\x80"},
                      NativeName{"LoneContinuations", "\x80\xbf\xff\xfe"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
