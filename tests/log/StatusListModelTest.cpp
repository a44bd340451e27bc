#include "log/StatusListModel.h"

#include <gtest/gtest.h>

namespace {

// Every line comes back exactly as it was added, however it was stored.
TEST(StatusListModelTest, GivesBackEveryLineExactly) {
    QStringList lines;
    lines << QString() << QStringLiteral("12:00:00 - [Demo] geladen!");
    for (int i = 0; i < 500; ++i) {
        // Runs of lines that share the time and the folder, as a copy pass writes them.
        lines << QStringLiteral("12:00:%1 - Ordner Ä %2/Datei ß %3.dat kopiert!")
                     .arg(i / 70, 2, 10, QLatin1Char('0'))
                     .arg(i / 40)
                     .arg(i);
    }
    lines << QString(QChar(0xDC80)) + QStringLiteral("undecodable name") + QChar(0xDCFF);  // unpaired surrogates
    lines << QStringLiteral("emoji \U0001F600 and CJK 漢字") << QStringLiteral("emoji \U0001F600 and CJK 漢");
    lines << QString(40000, QChar(0x20AC));  // longer than a block
    lines << QStringLiteral("after the long one");
    lines << QStringLiteral("after the long one, longer");

    StatusListModel model;
    for (const QString& line : lines) model.Append(line);
    ASSERT_EQ(model.rowCount(), lines.size());
    ASSERT_EQ(model.Count(), lines.size());
    for (int row = 0; row < lines.size(); ++row) {
        EXPECT_EQ(model.Line(row), lines[row]) << row;
        EXPECT_EQ(model.index(row).data().toString(), lines[row]) << row;
    }
    EXPECT_TRUE(model.Line(-1).isEmpty());
    EXPECT_TRUE(model.Line(static_cast<int>(lines.size())).isEmpty());
    EXPECT_FALSE(model.index(0).data(Qt::DecorationRole).isValid());
}

}  // namespace
