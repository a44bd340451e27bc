#pragma once

#include <QListWidget>
#include <QString>

// A classic directory list: the chain of folders from the volume root down to the
// current folder, then that folder's subfolders, each level indented one step.
// Double-click or Enter on an entry opens it.
class DirList : public QListWidget {
    Q_OBJECT
public:
    // Starts in the working directory.
    explicit DirList(QWidget* parent = nullptr);

    // The current folder as the system writes paths ("C:\Daten" on Windows): "/" for the
    // root, any other folder without a trailing separator.
    QString path() const;
    // Opens `path` (either separator); false (and the old path stays) when it is not an
    // existing folder.
    bool setPath(const QString& path);
    // Names `path` even when it is missing (a target on a drive not plugged in), so that a
    // run is refused naming it rather than mirroring into the folder shown before.
    void setMissingPath(const QString& path);
    // Re-reads the subfolders; a current folder that has vanished gives way to its
    // nearest existing parent.
    void refresh();

    // Indentation per level in pixels.
    static constexpr int kIndent = 12;

signals:
    // The current folder changed; `path` as path() gives it.
    void pathChanged(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fill();
    void OpenItem(QListWidgetItem* item);

    QString m_path;  // with "/" separators, as the toolkit's path functions give it
};
