#include "ui/StatusListView.h"

#include <QHoverEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <algorithm>

StatusListView::StatusListView(QWidget* parent) : QListView(parent) { setUniformItemSizes(true); }

int StatusListView::Rows() const { return model() ? model()->rowCount(rootIndex()) : 0; }

QModelIndex StatusListView::Row(int row) const {
    return model() ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
}

int StatusListView::RowHeight() const {
    if (m_rowHeight > 0) return m_rowHeight;
    if (Rows() == 0) return std::max(1, fontMetrics().height());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = Row(0);
    m_rowHeight = std::max(1, itemDelegateForIndex(first)->sizeHint(option, first).height() + 2 * spacing());
    return m_rowHeight;
}

int StatusListView::PageRows() const { return std::max(1, viewport()->height() / RowHeight()); }

int StatusListView::horizontalOffset() const { return 0; }

int StatusListView::verticalOffset() const {
    const int value = verticalScrollBar()->value();
    return verticalScrollMode() == ScrollPerItem ? value * RowHeight() : value;
}

QRect StatusListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn()) return {};
    const int height = RowHeight();
    return {0, index.row() * height - verticalOffset(), viewport()->width(), height};
}

QModelIndex StatusListView::indexAt(const QPoint& point) const {
    if (point.x() < 0 || point.x() >= viewport()->width()) return {};
    const int y = point.y() + verticalOffset();
    if (y < 0) return {};
    const int row = y / RowHeight();
    return row < Rows() ? Row(row) : QModelIndex();
}

void StatusListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.parent() != rootIndex()) return;
    const int height = RowHeight();
    const int row = index.row();
    if (verticalScrollMode() == ScrollPerItem) {
        const int page = PageRows();
        const int top = verticalScrollBar()->value();
        int value = top;
        switch (hint) {
        case PositionAtTop: value = row; break;
        case PositionAtBottom: value = row - page + 1; break;
        case PositionAtCenter: value = row - page / 2; break;
        case EnsureVisible:
            if (row < top) value = row;
            else if (row >= top + page) value = row - page + 1;
            break;
        }
        verticalScrollBar()->setValue(value);
        return;
    }
    const int viewHeight = viewport()->height();
    const int y = row * height;
    const int top = verticalScrollBar()->value();
    int value = top;
    switch (hint) {
    case PositionAtTop: value = y; break;
    case PositionAtBottom: value = y + height - viewHeight; break;
    case PositionAtCenter: value = y + height / 2 - viewHeight / 2; break;
    case EnsureVisible:
        if (y < top) value = y;
        else if (y + height > top + viewHeight) value = y + height - viewHeight;
        break;
    }
    verticalScrollBar()->setValue(value);
}

void StatusListView::doItemsLayout() {
    // Nothing per row: only the row height is learnt again (the font or style may have changed).
    m_rowHeight = 0;
    QAbstractItemView::doItemsLayout();
}

void StatusListView::updateGeometries() {
    const int rows = Rows();
    const int height = RowHeight();
    QScrollBar* bar = verticalScrollBar();
    if (verticalScrollMode() == ScrollPerItem) {
        const int page = PageRows();
        bar->setSingleStep(1);
        bar->setPageStep(page);
        bar->setRange(0, std::max(0, rows - page));
    } else {
        bar->setSingleStep(height);
        bar->setPageStep(viewport()->height());
        bar->setRange(0, std::max(0, rows * height - viewport()->height()));
    }
    // The rows are as wide as the list; long lines end in "…".
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

void StatusListView::scrollContentsBy(int, int) { viewport()->update(); }

void StatusListView::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void StatusListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    // No layout of the rows before: only the scroll range grows.
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent != rootIndex()) return;
    if (m_rowHeight == 0) doItemsLayout();
    updateGeometries();
    viewport()->update();
}

void StatusListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    scheduleDelayedItemsLayout();
}

QModelIndex StatusListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = Rows();
    if (rows == 0) return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    int row = current;
    switch (action) {
    case MoveUp:
    case MovePrevious: row = current - 1; break;
    case MoveDown:
    case MoveNext: row = current + 1; break;
    case MovePageUp: row = current - PageRows(); break;
    case MovePageDown: row = current + PageRows(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows - 1; break;
    case MoveLeft:
    case MoveRight: return currentIndex();
    }
    return Row(std::clamp(row, 0, rows - 1));
}

void StatusListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const int rows = Rows();
    if (rows == 0 || !selectionModel()) return;
    const QRect area = rect.normalized();
    const int height = RowHeight();
    const int first = std::clamp((area.top() + verticalOffset()) / height, 0, rows - 1);
    const int last = std::clamp((area.bottom() + verticalOffset()) / height, 0, rows - 1);
    selectionModel()->select(QItemSelection(Row(first), Row(last)), command);
}

QRegion StatusListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int height = RowHeight();
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex() || range.left() > modelColumn() || range.right() < modelColumn()) continue;
        region += QRect(0, range.top() * height - verticalOffset(), viewport()->width(), (range.bottom() - range.top() + 1) * height);
    }
    return region;
}

bool StatusListView::viewportEvent(QEvent* event) {
    // Where the pointer rests, for the row under it; asking the display at each paint would
    // cost a round trip to it.
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverMove)
        m_hover = static_cast<QHoverEvent*>(event)->position().toPoint();
    else if (event->type() == QEvent::HoverLeave || event->type() == QEvent::Leave)
        m_hover = QPoint(-1, -1);
    return QListView::viewportEvent(event);
}

void StatusListView::paintEvent(QPaintEvent* event) {
    const int rows = Rows();
    if (rows == 0) return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const int height = RowHeight();
    const int offset = verticalOffset();
    const QRect area = event->rect();
    const int first = std::max(0, (area.top() + offset) / height);
    const int last = std::min(rows - 1, (area.bottom() + offset) / height);
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QModelIndex hover = m_hover.y() >= 0 ? indexAt(m_hover) : QModelIndex();
    const QStyle::State state = option.state;
    const bool enabled = (state & QStyle::State_Enabled) != 0;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = Row(row);
        option.rect = visualRect(index);
        option.state = state;
        if (selectionModel() && selectionModel()->isSelected(index)) option.state |= QStyle::State_Selected;
        if (enabled) {
            const bool itemEnabled = (model()->flags(index) & Qt::ItemIsEnabled) != 0;
            if (!itemEnabled) option.state &= ~QStyle::State_Enabled;
            option.palette.setCurrentColorGroup(itemEnabled ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && current == index) option.state |= QStyle::State_HasFocus;
        option.state.setFlag(QStyle::State_MouseOver, index == hover);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}
