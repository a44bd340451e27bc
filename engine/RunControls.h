#pragma once

#include <QString>

// Icons and buttons of a message box the engine asks the window to show.
enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageButtons { Ok, OkCancel };
enum class MessageResult { Ok, Cancel };

// What a mirror run reads from and writes to the window. The main window implements
// it; tests use a recording fake.
class RunControls {
public:
    virtual ~RunControls() = default;

    // Current path of the source / target directory list.
    virtual QString SourcePath() const = 0;
    virtual QString TargetPath() const = 0;
    // Run options: set when their check box is checked.
    virtual bool CopyOnlyNew() const = 0;
    virtual bool DelBeforeCopy() const = 0;
    virtual bool NewSubFolder() const = 0;

    // The hidden counter of handled files.
    virtual QString CountText() const = 0;
    virtual void SetCountText(const QString& text) = 0;
    // The run summary field and the progress bar, which share one place.
    virtual void SetFilesText(const QString& text) = 0;
    virtual void SetFilesVisible(bool visible) = 0;
    virtual void SetProgressVisible(bool visible) = 0;
    virtual int ProgressValue() const = 0;
    virtual void SetProgressValue(int value) = 0;
    // Re-reads the target directory list.
    virtual void RefreshTarget() = 0;

    virtual MessageResult ShowMessage(const QString& title, const QString& text, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    // Called between files: lets the window repaint without taking user input.
    virtual void KeepPainting() {}
    // Asked between files and folders: true once the user (or a signal) asked to stop the run.
    virtual bool StopRequested() { return false; }
};
