#include "TempTree.h"

#include "log/Logfile.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <cerrno>
#include <ctime>
#include <gtest/gtest.h>
#include <thread>

namespace {

class RecordingList : public StatusList {
public:
    QStringList lines;
    std::vector<fileservice::Failure> logFailures;
    bool logging = true;
    void AddStatusLine(const QString& line) override { lines << line; }
    bool LoggingOn() const override { return logging; }
    void LogFailed(const fileservice::Failure& failure) override { logFailures.push_back(failure); }
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

TEST_F(LogfileTest, HeldFileIsReadableBetweenLines) {
    Logfile log(list, LogPath());
    LogHold hold(log);
    log.WriteStatusLine("10:00:00 - eins");
    EXPECT_NE(tree.ReadFile("tvl.log").find("eins\r\n"), std::string::npos);
    log.WriteStatusLine("10:00:01 - zwei");
    EXPECT_NE(tree.ReadFile("tvl.log").find("zwei\r\n"), std::string::npos);
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
    qputenv("TZ", "XYZ-13");  // thirteen hours east of UTC: never the same clock time as UTC
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
    EXPECT_NE(shown, QDateTime::currentDateTimeUtc().time().toString("hh:mm:ss"));
    EXPECT_EQ(date, today);
}

}  // namespace
