#pragma once

// The main window's controls built from the control table, with the designed look, the
// keyboard order and the tray icon's menu; and the header strip laid out to the width.

class DirList;
class DriveList;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressBar;
class QPushButton;
class QWidget;

// Every control of the window, each held once with its own type, under its design name.
struct MainWindowControls {
    QLabel* Picture1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblCopy = nullptr;
    QLabel* Picture5 = nullptr;
    QWidget* Line1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QComboBox* cmbProfile = nullptr;
    QPushButton* cmdSaveProfile = nullptr;
    QPushButton* cmdNewProfile = nullptr;
    QPushButton* cmdDelProfile = nullptr;
    DriveList* drvSource = nullptr;
    DirList* dirSource = nullptr;
    DriveList* drvTarget = nullptr;
    DirList* dirTarget = nullptr;
    QCheckBox* chkCopyOnlyNew = nullptr;
    QCheckBox* chkDelIfNotExist = nullptr;
    QCheckBox* chkTrash = nullptr;
    QCheckBox* chkDelBeforeCopy = nullptr;
    QCheckBox* chkNewSubFolder = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtFilter = nullptr;
    QCheckBox* chkLog = nullptr;
    QLineEdit* txtLogSize = nullptr;
    QLabel* Label5 = nullptr;
    QListView* lstStatus = nullptr;
    QProgressBar* pb1 = nullptr;
    QLineEdit* txtFiles = nullptr;
    QLineEdit* txtCount = nullptr;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdInfo = nullptr;
    QPushButton* cmdExit = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuInfo = nullptr;
    QAction* mnuLimiter = nullptr;
    QAction* mnuExit = nullptr;
};

// Creates the controls of the table in `window` (named "frmMain"), gives them the classic
// look and the keyboard order, and puts the focus on the first control of that order.
MainWindowControls BuildMainWindowLayout(QWidget* window);

// Stretches the header strip and its rule to `clientWidth`, keeps the copyright label at
// the right edge and paints the gradient again.
void LayOutHeader(const MainWindowControls& ui, int clientWidth);
