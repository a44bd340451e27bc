#pragma once

#include "engine/Messages.h"
#include "engine/RunControls.h"
#include "log/Logfile.h"

#include <QStringList>
#include <vector>

// Records what a run shows on the window.
class FakeControls : public RunControls {
public:
    QString source, target;
    bool onlyNew = false, delOld = false, newSub = false;
    QString countText = QStringLiteral("0");
    QString filesText;
    bool filesVisible = true, progressVisible = false;
    int progress = 0;
    std::vector<int> progressHistory;
    int refreshes = 0;
    // Asks the run to stop once the counter shows this many files (-1: never).
    int stopAtCount = -1;
    struct Message {
        QString title, text;
        MessageIcon icon;
        MessageButtons buttons;
    };
    std::vector<Message> messages;

    QString SourcePath() const override { return source; }
    QString TargetPath() const override { return target; }
    bool CopyOnlyNew() const override { return onlyNew; }
    bool DelBeforeCopy() const override { return delOld; }
    bool NewSubFolder() const override { return newSub; }
    QString CountText() const override { return countText; }
    void SetCountText(const QString& text) override { countText = text; }
    void SetFilesText(const QString& text) override { filesText = text; }
    void SetFilesVisible(bool visible) override { filesVisible = visible; }
    void SetProgressVisible(bool visible) override { progressVisible = visible; }
    int ProgressValue() const override { return progress; }
    void SetProgressValue(int value) override {
        progress = value;
        progressHistory.push_back(value);
    }
    void RefreshTarget() override { ++refreshes; }
    bool StopRequested() override { return stopAtCount >= 0 && countText.toInt() >= stopAtCount; }
    MessageResult ShowMessage(const QString& title, const QString& text, MessageIcon icon,
                              MessageButtons buttons) override {
        messages.push_back({title, text, icon, buttons});
        return MessageResult::Ok;
    }
};

class FakeStatusList : public ReportingStatusList {
public:
    QStringList lines;
    bool loggingOn = true;
    void AddStatusLine(const QString& line) override { lines << line; }
    bool LoggingOn() const override { return loggingOn; }

    // The lines without their "hh:mm:ss" head.
    QStringList Messages() const {
        QStringList out;
        for (const QString& line : lines) out << line.mid(8);
        return out;
    }
};
