#include "TempTree.h"

#include "fileservice/FileServiceTesting.h"
#include "log/Logfile.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <cerrno>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

struct RecordingList {
    QStringList lines;
    std::vector<fileservice::Failure> logFailures;
    bool logging = true;
    operator StatusView() {
        return {[this](const QString& line) { lines << line; }, [this] { return logging; },
                [this](const fileservice::Failure& failure) { logFailures.push_back(failure); }};
    }
};

class LogfileTest : public ::testing::Test {
protected:
    QString LogPath() const { return QString::fromStdString(tree.Path("tvl.log")); }
    TempTree tree;
    RecordingList list;
};

TEST_F(LogfileTest, StatusLineGoesToListAndFileWithDate) {
    Logfile log(list, LogPath());
    log.WriteStatusLine("14:03:29 - Abgleich ausgeführt!");
    EXPECT_EQ(list.lines, QStringList{"14:03:29 - Abgleich ausgeführt!"});
    const std::string expected =
        QDate::currentDate().toString("dd.MM.yy").toStdString() + " - 14:03:29 - Abgleich ausgeführt!\r\n";
    EXPECT_EQ(tree.ReadFile("tvl.log"), expected);
}

TEST_F(LogfileTest, LoggingOffKeepsStatusLinesOutOfTheFileButNotLogFileLines) {
    list.logging = false;
    Logfile log(list, LogPath());
    log.WriteStatusLine("10:00:00 - nur Liste");
    EXPECT_FALSE(tree.Exists("tvl.log"));
    log.WriteLogFileLine("10:00:01 - 1 Dateien mit insg. 5 Bytes im Quellverzeichnis");
    EXPECT_EQ(list.lines, QStringList{"10:00:00 - nur Liste"});
    EXPECT_NE(tree.ReadFile("tvl.log").find(" - 10:00:01 - 1 Dateien"), std::string::npos);
}

// The log's lines without their date head, in file order.
QStringList FileLines(const std::string& bytes) {
    QStringList lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            lines << QStringLiteral("<unterminated>") + QString::fromStdString(bytes.substr(at));
            break;
        }
        lines << QString::fromStdString(bytes.substr(at + 11, end - at - 11));  // "dd.mm.yy - "
        at = end + 2;
    }
    return lines;
}

TEST_F(LogfileTest, HeldFileIsReadableAfterEachFlush) {
    Logfile log(list, LogPath());
    LogHold hold(log);
    log.WriteStatusLine("10:00:00 - eins");
    log.Flush();
    EXPECT_EQ(FileLines(tree.ReadFile("tvl.log")), QStringList{"10:00:00 - eins"});
    log.WriteStatusLine("10:00:01 - zwei");
    log.WriteLogFileLine("10:00:01 - nur Datei");
    log.Flush();
    EXPECT_EQ(FileLines(tree.ReadFile("tvl.log")),
              (QStringList{"10:00:00 - eins", "10:00:01 - zwei", "10:00:01 - nur Datei"}));
    log.Flush();  // nothing new: nothing written
    EXPECT_EQ(FileLines(tree.ReadFile("tvl.log")).size(), 3);
}

// A held pass of many lines, flushed now and then as the window paints and in between when
// the collected lines grow large: the file has every line once, in the order of the list,
// with the file-only lines where they were written.
TEST_F(LogfileTest, HeldPassWritesEveryLineInTheOrderOfTheList) {
    tree.WriteFile("tvl.log", "01.01.26 - alt\r\n");
    Logfile log(list, LogPath());
    QStringList expected{"alt"};
    {
        LogHold hold(log);
        for (int i = 0; i < 5000; ++i) {
            const QString line = QStringLiteral("10:00:%1 - Ordner/Datei %2.txt kopiert!").arg(i % 60, 2, 10, QChar('0')).arg(i);
            log.WriteStatusLine(line);
            expected << line;
            if (i % 977 == 0) {
                log.WriteLogFileLine(QStringLiteral("Zwischensumme %1").arg(i));
                expected << QStringLiteral("Zwischensumme %1").arg(i);
            }
            if (i % 1500 == 1499) log.Flush();
        }
    }
    EXPECT_EQ(FileLines(tree.ReadFile("tvl.log")), expected);
    EXPECT_EQ(list.lines.size(), 5000);
    EXPECT_EQ(list.lines.last(), expected.last());
    EXPECT_TRUE(list.logFailures.empty());
}

// The hold ends early (a run that stops, a hold nested in another) or never: no line is lost.
TEST_F(LogfileTest, HoldEndedEarlyOrNeverReleasedLosesNoLine) {
    {
        Logfile log(list, LogPath());
        const auto pass = [&](int stopAt) {
            LogHold hold(log);
            for (int i = 0; i < 100; ++i) {
                if (i == stopAt) return;  // the hold ends here, mid-pass
                log.WriteStatusLine(QStringLiteral("Datei %1").arg(i));
            }
        };
        pass(37);
        EXPECT_EQ(FileLines(tree.ReadFile("tvl.log")).size(), 37);
        {
            LogHold outer(log);
            {
                LogHold inner(log);
                log.WriteStatusLine("innen");
            }
            log.WriteStatusLine("außen");
        }
        EXPECT_EQ(FileLines(tree.ReadFile("tvl.log")).mid(37), (QStringList{"innen", "außen"}));
        log.Hold();  // never released: the Logfile's end writes what was collected
        log.WriteStatusLine("zuletzt");
    }
    const QStringList lines = FileLines(tree.ReadFile("tvl.log"));
    ASSERT_EQ(lines.size(), 40);
    EXPECT_EQ(lines.first(), "Datei 0");
    EXPECT_EQ(lines[36], "Datei 36");
    EXPECT_EQ(lines.last(), "zuletzt");
    EXPECT_EQ(QStringList(list.lines.begin(), list.lines.end()).mid(0, 37), lines.mid(0, 37));
}

// A log that cannot be opened while held is reported at the first line, once per run, and
// every line still reaches the list.
TEST_F(LogfileTest, UnwritableHeldLogIsReportedOnceAtTheFirstLine) {
    tree.MakeDir("tvl.log");
    Logfile log(list, LogPath());
    log.BeginRun();
    LogHold hold(log);
    log.WriteStatusLine("10:00:00 - eins");
    ASSERT_EQ(list.logFailures.size(), 1u);
    EXPECT_EQ(list.logFailures[0].error, EISDIR);
    for (int i = 0; i < 200; ++i) log.WriteStatusLine(QStringLiteral("Zeile %1").arg(i));
    log.Flush();
    EXPECT_EQ(list.logFailures.size(), 1u);
    EXPECT_EQ(list.lines.size(), 201);
}

// A write that fails when the collected lines go out is reported once per run, also when
// it fails at every later flush, and the lines still reach the list.
TEST_F(LogfileTest, FailedHeldWriteIsReportedOncePerRun) {
    Logfile log(list, LogPath());
    log.BeginRun();
    {
        LogHold hold(log);
        SetFailWriteAfterBytes(100);
        for (int i = 0; i < 50; ++i) {
            log.WriteStatusLine(QStringLiteral("10:00:00 - Datei %1 kopiert!").arg(i));
            if (i % 10 == 9) log.Flush();
        }
    }
    SetFailWriteAfterBytes(-1);
    ASSERT_EQ(list.logFailures.size(), 1u);
    EXPECT_EQ(list.logFailures[0].error, EIO);
    EXPECT_EQ(list.lines.size(), 50);
}

TEST_F(LogfileTest, UnwritableLogIsReportedOncePerRunAndLinesStillReachTheList) {
    tree.MakeDir("tvl.log");  // a folder where the file must go: fails even as root
    Logfile log(list, LogPath());
    log.BeginRun();
    log.WriteStatusLine("10:00:00 - eins");
    log.WriteStatusLine("10:00:01 - zwei");
    log.WriteLogFileLine("10:00:02 - Summe");
    EXPECT_EQ(list.lines, (QStringList{"10:00:00 - eins", "10:00:01 - zwei"}));
    ASSERT_EQ(list.logFailures.size(), 1u);
    EXPECT_EQ(list.logFailures[0].path, tree.Path("tvl.log"));
    EXPECT_EQ(list.logFailures[0].error, EISDIR);
    log.BeginRun();
    log.WriteStatusLine("10:00:03 - drei");
    EXPECT_EQ(list.logFailures.size(), 2u);
}

TEST_F(LogfileTest, StatusLineHasTimeHead) {
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d - Trevalon geladen!$")
                    .match(StatusLine(" - Trevalon geladen!"))
                    .hasMatch());
}

struct TrimCase {
    const char* name;
    std::string content;
    qint64 limit;
    std::string expected;
};

class TrimTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTest, KeepsNewestWholeLines) {
    TempTree tree;
    tree.WriteFile("tvl.log", GetParam().content);
    EXPECT_TRUE(TrimLogFile(QString::fromStdString(tree.Path("tvl.log")), GetParam().limit).Ok());
    EXPECT_EQ(tree.ReadFile("tvl.log"), GetParam().expected);
}

std::string Lines(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += "Zeile " + std::to_string(1000 + i) + "\r\n";  // 12 bytes each
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrimTest,
    ::testing::Values(TrimCase{"BelowLimitUnchanged", Lines(1, 10), 51200, Lines(1, 10)},
                      TrimCase{"ExactlyAtLimitUnchanged", Lines(1, 10), 120, Lines(1, 10)},
                      TrimCase{"CutAtLineStart", Lines(1, 10), 36, Lines(8, 10)},
                      TrimCase{"CutInsideLineDropsPartialLine", Lines(1, 10), 40, Lines(8, 10)},
                      TrimCase{"LimitSmallerThanOneLine", Lines(1, 10), 5, ""},
                      TrimCase{"LimitZeroDoesNothing", Lines(1, 3), 0, Lines(1, 3)},
                      TrimCase{"LimitOneDoesNothing", Lines(1, 3), 1, Lines(1, 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrimLogFile, LargeFileKeepsAtMostLimitBytes) {
    TempTree tree;
    std::string content;
    for (int i = 0; i < 3000; ++i) content += "06.12.26 - 14:03:29 - Datei " + std::to_string(i) + " kopiert!\r\n";
    ASSERT_GT(content.size(), 60000u);
    tree.WriteFile("tvl.log", content);
    ASSERT_TRUE(TrimLogFile(QString::fromStdString(tree.Path("tvl.log")), 51200).Ok());
    const std::string kept = tree.ReadFile("tvl.log");
    EXPECT_LE(kept.size(), 51200u);
    EXPECT_GT(kept.size(), 51200u - 50);
    EXPECT_EQ(kept.rfind("06.12.26", 0), 0u);
    EXPECT_EQ(content.substr(content.size() - kept.size()), kept);
}

// Today's trim as it was before it read only the tail: the whole file, cut at the first line
// that begins within the last `limit` bytes.
std::string TrimmedAsBefore(const std::string& all, qint64 limit) {
    if (limit < 2 || static_cast<qint64>(all.size()) <= limit) return all;
    std::size_t start = all.size() - static_cast<std::size_t>(limit);
    if (all[start - 1] != '\n') {
        const std::size_t nl = all.find('\n', start);
        start = nl == std::string::npos ? all.size() : nl + 1;
    }
    return all.substr(start);
}

// A log of a long run, 20,000 lines of varied length, with a line longer than most limits.
std::string LargeLog() {
    std::string content;
    for (int i = 0; i < 20000; ++i) {
        content += "07.12.26 - 21:03:" + std::to_string(10 + i % 50) + " - Ordner " + std::to_string(i % 37) +
                   "/Datei " + std::string(static_cast<std::size_t>(i % 23), 'x') + std::to_string(i) + " kopiert!\r\n";
        if (i == 19990) content += "07.12.26 - " + std::string(70000, 'L') + "\r\n";
    }
    return content;
}

#ifdef _WIN32
constexpr unsigned kKeptMode = 0666;  // Windows keeps of a mode only whether the file may be written
#else
constexpr unsigned kKeptMode = 0640;
#endif

// The trim that reads only the tail gives the same bytes as the whole-file trim, for limits
// at a line start, inside a line, between CR and LF, inside the long line and beyond the file.
TEST(TrimLogFile, LargeLogGivesTheSameBytesAsTheWholeFileTrim) {
    const std::string content = LargeLog();
    const std::size_t size = content.size();
    const std::size_t longLine = content.find(std::string(10, 'L'));
    const std::size_t someLf = content.find('\n', size / 2);  // limit that starts the cut at this LF
    std::vector<qint64> limits{51200, 51201, 2, 3, 12, 1024, 204800, static_cast<qint64>(size) - 1,
                               static_cast<qint64>(size), static_cast<qint64>(size) + 1,
                               static_cast<qint64>(size - someLf),          // cut between CR and LF
                               static_cast<qint64>(size - someLf) + 1,      // cut just before the CR
                               static_cast<qint64>(size - someLf - 1),      // cut just after the LF
                               static_cast<qint64>(size - longLine - 30000),  // inside the long line
                               70000};                                      // shorter than the long line
    ASSERT_EQ(content[someLf - 1], '\r');
    for (const qint64 limit : limits) {
        TempTree tree;
        tree.WriteFile("tvl.log", content);
        ::chmod(tree.Path("tvl.log").c_str(), 0640);
        ASSERT_TRUE(TrimLogFile(QString::fromStdString(tree.Path("tvl.log")), limit).Ok()) << limit;
        const std::string kept = tree.ReadFile("tvl.log");
        EXPECT_TRUE(kept == TrimmedAsBefore(content, limit)) << "limit " << limit << ": " << kept.size() << " bytes";
        EXPECT_LE(static_cast<qint64>(kept.size()), limit);
        struct stat st {};
        ASSERT_EQ(::stat(tree.Path("tvl.log").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, kKeptMode) << limit;
        EXPECT_EQ(tree.ListFiles(""), std::vector<std::string>{"tvl.log"}) << "a temporary was left";
    }
}

// A replacement that fails half-way leaves the log as it was and no temporary.
TEST(TrimLogFile, FailedReplacementLeavesTheLogWhole) {
    TempTree tree;
    const std::string content = LargeLog();
    tree.WriteFile("tvl.log", content);
    FailNextReplaceAfterHalf();
    EXPECT_FALSE(TrimLogFile(QString::fromStdString(tree.Path("tvl.log")), 51200).Ok());
    EXPECT_TRUE(tree.ReadFile("tvl.log") == content);
    EXPECT_EQ(tree.ListFiles(""), std::vector<std::string>{"tvl.log"});
}

TEST(TrimLogFile, MissingFileIsNotCreated) {
    TempTree tree;
    EXPECT_TRUE(TrimLogFile(QString::fromStdString(tree.Path("tvl.log")), 51200).Ok());
    EXPECT_FALSE(tree.Exists("tvl.log"));
}

struct LimitCase {
    const char* text;
    std::optional<qint32> bytes;
};
class LimitTest : public ::testing::TestWithParam<LimitCase> {};
TEST_P(LimitTest, ParsesKilobytes) { EXPECT_EQ(LogLimitBytes(GetParam().text), GetParam().bytes); }
INSTANTIATE_TEST_SUITE_P(Table, LimitTest,
                         ::testing::Values(LimitCase{"50", 51200}, LimitCase{"200", 204800}, LimitCase{"0", 0},
                                           LimitCase{"2097151", 2147482624}, LimitCase{"2097152", std::nullopt},
                                           LimitCase{"99999999", std::nullopt}, LimitCase{"", std::nullopt},
                                           LimitCase{"abc", std::nullopt}, LimitCase{"-5", -5120}));

}  // namespace

namespace {

// The texts are worked out once per second; they must still be the local time, not UTC.
TEST(StatusTimeTest, IsTheLocalTimeOfTheClock) {
    const QByteArray oldTz = qgetenv("TZ");
#ifdef _WIN32
    // The clock follows the system's zone there; TZ would only move the C library's.
    qunsetenv("TZ");
#else
    qputenv("TZ", "XYZ-13");  // thirteen hours east of UTC: never the same clock time as UTC
#endif
    ::tzset();
    QString shown, before, after, date, today;
    std::thread([&] {  // a thread of its own: nothing worked out before the zone changed
        do {
            before = QTime::currentTime().toString("hh:mm:ss");
            shown = StatusTime();
            date = QString::fromUtf8(LogFileLine("x").left(8));
            today = QDate::currentDate().toString("dd.MM.yy");
            after = QTime::currentTime().toString("hh:mm:ss");
        } while (before != after);  // ask again when the second turned meanwhile
    }).join();
    if (oldTz.isNull()) qunsetenv("TZ");
    else qputenv("TZ", oldTz);
    ::tzset();
    EXPECT_EQ(shown, before);
    bool awayFromUtc = true;  // the zone set above
#ifdef _WIN32
    // A test cannot move the system's zone; where it is UTC, UTC is the local time.
    awayFromUtc = QDateTime::currentDateTime().offsetFromUtc() != 0;
#endif
    if (awayFromUtc) {
        EXPECT_NE(shown, QDateTime::currentDateTimeUtc().time().toString("hh:mm:ss"));
    }
    EXPECT_EQ(date, today);
}

}  // namespace
