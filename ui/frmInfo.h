#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// Product name and version numbers the about window shows.
struct VersionInfo {
    QString name;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The about window: name and version, a description, the copyright line and the project's
// web address, which opens in the browser when clicked.
class frmInfo : public QDialog {
    Q_OBJECT
public:
    // A fresh about window with the build's version.
    explicit frmInfo(QWidget* parent = nullptr);
    // A fresh about window showing `version`.
    frmInfo(QWidget* parent, const VersionInfo& version);

    // Opens a new about window modally, centred on `over`'s window, and deletes it when closed.
    static void ShowModal(QWidget* over);

    // The build's product name and version.
    static VersionInfo BuildVersion();
    // "<name> - V: <major>.<minor>.<revision>".
    static QString HeaderText(const QString& name, int major, int minor, int revision);
    // The description paragraph for `name`.
    static QString DescriptionText(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Form_Load(const VersionInfo& version);
    void lblURL_Click();
    void Command1_Click();
    // Hands `address` to the desktop under a busy pointer; a failure is not reported.
    static void ShellOpen(QWidget* hWnd, const QString& address);

    QLabel* lblHeader = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* lblURL = nullptr;
};
