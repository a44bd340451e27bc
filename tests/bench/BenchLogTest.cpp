#include "bench/BenchLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct EndRow {
    const char* name;
    const char* line;
    RunEnd end;
};

void PrintTo(const EndRow& row, std::ostream* out) { *out << row.name; }

class RunEnds : public ::testing::TestWithParam<EndRow> {};

TEST_P(RunEnds, AreReadFromTheLastLine) {
    EXPECT_EQ(RunEndOfLine(QByteArray(GetParam().line)), GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RunEnds,
    ::testing::Values(EndRow{"Completion", "07.12.26 - 14:03:29 - Abgleich ausgeführt!\r", RunEnd::Succeeded},
                      EndRow{"WithFailures", "07.12.26 - 14:03:29 - Abgleich mit 3 Fehlern ausgeführt!", RunEnd::Failed},
                      EndRow{"Cancelled", "07.12.26 - 14:03:29 - Abgleich abgebrochen! 2 von 9 Dateien kopiert.",
                             RunEnd::Failed},
                      EndRow{"CopiedFile", "07.12.26 - 14:03:28 - Abgleich ausgeführt!/a.txt kopiert!", RunEnd::Pending},
                      EndRow{"Summary", "07.12.26 - 14:03:27 - 12 Dateien mit insg. 48211 Bytes im Quellverzeichnis",
                             RunEnd::Pending}),
    [](const auto& info) { return std::string(info.param.name); });

void Append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(LogFollower, SeesOnlyWhatCameAfterItAndWholeLinesOnly) {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("tvl.log"));
    Append(log, "06.12.26 - 10:00:00 - Abgleich ausgeführt!\r\n");  // an earlier run's end

    LogFollower follower(log);
    EXPECT_EQ(follower.Poll(), RunEnd::Pending);
    Append(log, "07.12.26 - 14:03:28 - a kopiert!\r\n07.12.26 - 14:03:29 - Abgleich ausge");
    EXPECT_EQ(follower.Poll(), RunEnd::Pending);
    EXPECT_EQ(follower.LastLine(), QByteArray("07.12.26 - 14:03:28 - a kopiert!"));
    Append(log, "führt!\r\n07.12.26 - 14:03:30 - later\r\n");
    EXPECT_EQ(follower.Poll(), RunEnd::Succeeded);
    EXPECT_EQ(follower.LastLine(), QByteArray("07.12.26 - 14:03:29 - Abgleich ausgeführt!"));
}

}  // namespace
