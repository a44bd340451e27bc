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

// Lines kept without telling the views become rows only when published, all in one insertion.
TEST(StatusListModelTest, KeptLinesBecomeRowsInOneInsertionWhenPublished) {
    StatusListModel model;
    std::vector<std::pair<int, int>> inserted;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    model.Append(QStringLiteral("geladen"));
    for (int i = 0; i < 100; ++i) model.AppendUnpublished(QStringLiteral("Datei %1 kopiert!").arg(i));
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.Count(), 101);
    EXPECT_FALSE(model.index(1).isValid());
    EXPECT_TRUE(model.Publish());
    EXPECT_FALSE(model.Publish());
    model.AppendUnpublished(QStringLiteral("Abgleich ausgeführt!"));
    model.Append(QStringLiteral("danach"));  // publishes what was kept first, in order
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 0}, {1, 100}, {101, 101}, {102, 102}}));
    ASSERT_EQ(model.rowCount(), 103);
    EXPECT_EQ(model.index(50).data().toString(), QStringLiteral("Datei 49 kopiert!"));
    EXPECT_EQ(model.index(101).data().toString(), QStringLiteral("Abgleich ausgeführt!"));
    EXPECT_EQ(model.index(102).data().toString(), QStringLiteral("danach"));
}

}  // namespace
