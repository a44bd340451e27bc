#include "ui/DirList.h"

#include "ui/DriveList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <utility>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;

// Shifts each entry right by its depth, so the chain reads as a tree.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + index.data(kDepthRole).toInt() * DirList::kIndent);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(kDepthRole).toInt() * DirList::kIndent;
        return size;
    }
};

QString CleanFolder(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

}  // namespace

DirList::DirList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirList::OpenItem);
    m_path = CleanFolder(QDir::currentPath());
    Fill();
}

// The folder is stored, saved in profiles and handed to the run: on Windows that is a Windows
// path, never the toolkit's "C:/" form.
QString DirList::path() const { return QDir::toNativeSeparators(m_path); }

bool DirList::setPath(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.isDir()) return false;
    const QString clean = CleanFolder(path);
    const bool changed = clean != m_path;
    m_path = clean;
    Fill();
    if (changed) emit pathChanged(this->path());
    return true;
}

void DirList::setMissingPath(const QString& path) {
    if (setPath(path) || path.isEmpty()) return;
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    m_path = clean;
    Fill();
    emit pathChanged(this->path());
}

void DirList::refresh() {
    QString existing = m_path;
    while (!QFileInfo(existing).isDir() && !QDir(existing).isRoot()) {
        existing = QFileInfo(existing).absolutePath();
    }
    if (existing != m_path) {
        setPath(existing);
        return;
    }
    Fill();
}

void DirList::Fill() {
    clear();
    // The style looks each folder icon up in the icon theme, file by file, whenever it is asked
    // (hundreds of look-ups per icon): once per program is enough. Kept to the end, never freed.
    static const auto* const icons = new std::pair<QIcon, QIcon>(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                                                 style()->standardIcon(QStyle::SP_DirClosedIcon));
    const QIcon& openIcon = icons->first;
    const QIcon& closedIcon = icons->second;

    // The chain: the volume root, then each folder down to the current one.
    const QString root = DriveOfPath(m_path);
    QStringList chain{root};
    // A root ends in its separator ("/", "C:/"); a mount point does not.
    const QString below = m_path.mid(root.endsWith(QLatin1Char('/')) ? root.size() : root.size() + 1);
    QString walk = root;
    for (const QString& part : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walk = walk.endsWith(QLatin1Char('/')) ? walk + part : walk + QLatin1Char('/') + part;
        chain.append(walk);
    }
    int depth = 0;
    for (const QString& folder : chain) {
        auto* item = new QListWidgetItem(openIcon, depth == 0 ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName(), this);
        item->setData(kPathRole, folder);
        item->setData(kDepthRole, depth++);
    }
    const int currentRow = count() - 1;

    // Hidden folders stay out of the list, as on the classic control; they can still be opened by path.
    const QFileInfoList subfolders =
        QDir(m_path).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo& sub : subfolders) {
        auto* item = new QListWidgetItem(closedIcon, sub.fileName(), this);
        item->setData(kPathRole, CleanFolder(sub.absoluteFilePath()));
        item->setData(kDepthRole, depth);
    }
    setCurrentRow(currentRow);
}

void DirList::OpenItem(QListWidgetItem* item) {
    if (!item) return;
    // A folder that vanished since the list was read leaves the list where it is.
    if (!setPath(item->data(kPathRole).toString())) refresh();
}

void DirList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenItem(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}
