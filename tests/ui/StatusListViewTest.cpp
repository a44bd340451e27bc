// The status list's view looks and answers as the list view it stands in for, over a list of
// any length.
#include "log/StatusListModel.h"
#include "ui/StatusListView.h"

#include <QApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct Listing {
    int rows;
    int selected;  // scrolled to and selected
};

class StatusListViewLooks : public ::testing::TestWithParam<Listing> {};

TEST_P(StatusListViewLooks, AsTheListViewDoes) {
    StatusListModel model;
    for (int row = 0; row < GetParam().rows; ++row)
        model.Append(QStringLiteral("12:00:%1 - Ordner/Datei %2 kopiert!").arg(row % 60, 2, 10, QLatin1Char('0')).arg(row));
    QListView plain;
    plain.setUniformItemSizes(true);
    StatusListView status;
    plain.setModel(&model);
    // Every line fits beside the scroll bar, as in the window: a longer one ends in "…" here,
    // where QListView would scroll sideways. Fonts wider than ours (Windows') need more than 445.
    const int width = std::max(445, plain.sizeHintForIndex(model.index(GetParam().rows - 1)).width() +
                                        2 * plain.frameWidth() + plain.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    for (QListView* view : {&plain, static_cast<QListView*>(&status)}) {
        view->setModel(&model);
        view->resize(width, 56);
        view->show();
        const QModelIndex index = model.index(GetParam().selected);
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        view->scrollTo(index);
    }
    QApplication::processEvents();
    EXPECT_EQ(status.grab().toImage(), plain.grab().toImage());
    EXPECT_EQ(status.verticalScrollBar()->maximum(), plain.verticalScrollBar()->maximum());
    EXPECT_EQ(status.verticalScrollBar()->value(), plain.verticalScrollBar()->value());
    const QModelIndex selected = model.index(GetParam().selected);
    EXPECT_EQ(status.visualRect(selected), plain.visualRect(selected));
    EXPECT_EQ(status.indexAt(status.visualRect(selected).center()), selected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, StatusListViewLooks,
                         ::testing::Values(Listing{1, 0}, Listing{3, 1}, Listing{40, 39}, Listing{40, 0},
                                           Listing{20000, 19999}));

}  // namespace
