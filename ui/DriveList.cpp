#include "ui/DriveList.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QStorageInfo>
#include <algorithm>

namespace {

std::function<QList<Volume>()>& VolumeSource() {
    static std::function<QList<Volume>()> source;
    return source;
}

QList<Volume> StorageVolumes() {
    QList<Volume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        // Bind mounts of single files (common in containers) are no drives.
        if (!info.isValid() || !QFileInfo(info.rootPath()).isDir()) continue;
        // Read-only package images (one per installed snap) would bury the real drives.
        if (info.fileSystemType() == "squashfs") continue;
        volumes.append({info.rootPath(), info.name(), info.isReady()});
    }
    return volumes;
}

// A drive's root as Windows names it, "C:/"; Windows does not tell case apart there.
bool IsDriveLetterRoot(const QString& root) {
    return root.size() == 3 && root[0].isLetter() && root[1] == QLatin1Char(':') && root[2] == QLatin1Char('/');
}

bool PathIsOn(const QString& path, const QString& root) {
    if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
    if (IsDriveLetterRoot(root)) return path.startsWith(root, Qt::CaseInsensitive);
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

// The top of the tree a path lies in when no volume holds it: "/", or its drive on Windows.
QString TopOf(const QString& path) {
    const QString drive = path.left(3);
    return IsDriveLetterRoot(drive) ? drive.toUpper() : QStringLiteral("/");
}

}  // namespace

QList<Volume> MountedVolumes() {
    const auto& source = VolumeSource();
    return source ? source() : StorageVolumes();
}

void SetVolumeSource(std::function<QList<Volume>()> source) { VolumeSource() = std::move(source); }

QString DriveOfPath(const QString& path) {
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // The longest matching mount point holds the path; "/" (or the drive) holds everything else.
    QString best = TopOf(clean);
    for (const Volume& volume : MountedVolumes()) {
        if (volume.root.size() > best.size() && PathIsOn(clean, volume.root)) best = volume.root;
    }
    return best;
}

QString DriveCurrentFolder(const QString& drive) {
    const QString current = QDir::currentPath();
    return DriveOfPath(current) == drive ? current : drive;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    refresh();
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) emit driveChanged(itemData(index).toString());
    });
}

QString DriveList::drive() const { return currentData().toString(); }

int DriveList::IndexOf(const QString& root) const {
    for (int i = 0; i < count(); ++i) {
        if (itemData(i).toString() == root) return i;
    }
    return -1;
}

bool DriveList::setDrive(const QString& root) {
    int index = IndexOf(root);
    if (index < 0) {
        // Perhaps mounted since the list was read.
        refresh();
        index = IndexOf(root);
    }
    if (index < 0) return false;
    setCurrentIndex(index);
    return true;
}

void DriveList::refresh() {
    QList<Volume> volumes = MountedVolumes();
    volumes.erase(std::remove_if(volumes.begin(), volumes.end(), [](const Volume& v) { return !v.ready; }),
                  volumes.end());
    std::sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
        const bool aRoot = a.root == QLatin1String("/");
        const bool bRoot = b.root == QLatin1String("/");
        if (aRoot != bRoot) return aRoot;
        return a.root < b.root;
    });

    const QString previous = drive();
    {
        // Rebuilding the items is no choice of a drive.
        const QSignalBlocker blocker(this);
        clear();
        for (const Volume& volume : volumes) {
            // As the system writes it: "/" here, "C:\" on Windows.
            QString text = QDir::toNativeSeparators(volume.root);
            if (!volume.name.isEmpty() && volume.name != volume.root) text += QStringLiteral(" [%1]").arg(volume.name);
            addItem(text, volume.root);
        }
        const int index = IndexOf(previous);
        setCurrentIndex(index >= 0 ? index : (count() > 0 ? 0 : -1));
    }
    // The chosen volume went away: the list now shows another one, and says so.
    if (!previous.isEmpty() && drive() != previous && !drive().isEmpty()) emit driveChanged(drive());
}

void DriveList::showPopup() {
    refresh();
    QComboBox::showPopup();
}

void DriveList::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (hasFocus()) {
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        painter.fillRect(field, palette().brush(QPalette::Highlight));
        option.palette.setBrush(QPalette::ButtonText, palette().brush(QPalette::HighlightedText));
        option.palette.setBrush(QPalette::Text, palette().brush(QPalette::HighlightedText));
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = field;
        focus.backgroundColor = palette().color(QPalette::Highlight);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
