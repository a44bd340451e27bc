#pragma once

#include <QComboBox>
#include <QList>
#include <QString>
#include <functional>

// A mounted volume as the drive list shows it.
struct Volume {
    QString root;  // mount point, e.g. "/" or "/media/stick"
    QString name;  // volume label, may be empty
    bool ready = true;
};

// The mounted volumes, from QStorageInfo unless a test has set another source.
QList<Volume> MountedVolumes();
// Replaces the source of MountedVolumes(); an empty function restores QStorageInfo.
void SetVolumeSource(std::function<QList<Volume>()> source);

// The drive of a path: the mount point that holds it ("/" when none matches).
QString DriveOfPath(const QString& path);
// The folder a directory list shows when its drive is chosen: the working directory
// when it lies on that drive, else the drive's root.
QString DriveCurrentFolder(const QString& drive);

// A drop-down of the ready mounted volumes, "/" first.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // The chosen volume's mount point.
    QString drive() const;
    // Chooses the volume mounted at `root`; false (and nothing changes) when no ready
    // volume is mounted there.
    bool setDrive(const QString& root);
    // Re-reads the volumes, keeping the chosen one while it is still mounted.
    void refresh();

    // Re-reads the volumes before the list drops down, so a newly mounted one shows.
    void showPopup() override;

signals:
    // The chosen volume changed, by the user or by setDrive().
    void driveChanged(const QString& root);

protected:
    // With the focus, the chosen drive shows highlighted inside a focus frame, as a classic
    // drive list shows it.
    void paintEvent(QPaintEvent* event) override;

private:
    int IndexOf(const QString& root) const;
};
