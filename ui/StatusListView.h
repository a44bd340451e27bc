#pragma once

#include <QListView>

// The status list's view: one line per row, every row as high as the first. A run adds a row
// per file, and QListView keeps a position per row that it builds anew after every insertion;
// this view keeps none and paints only the rows in sight, so that neither an insertion nor a
// paint costs more the longer the list grows.
class StatusListView : public QListView {
    Q_OBJECT
public:
    explicit StatusListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    bool viewportEvent(QEvent* event) override;

private:
    int Rows() const;
    int RowHeight() const;
    // Rows that fit whole into the viewport, at least one.
    int PageRows() const;
    QModelIndex Row(int row) const;

    mutable int m_rowHeight = 0;
    QPoint m_hover{-1, -1};  // where the pointer rests over the rows; -1 when it does not  // of the first row, as QListView's uniform rows; 0: not known yet
};
