#pragma once

#include <QDialog>

class clsINI;
class Logfile;
class ProfileBox;
class QEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// The small modal dialog in which the user names a new profile. Confirming writes the
// catalogue line and the new profile's defaults, logs a status line (with the settings file
// and the reason when the file was not written), refills the profile list with the new name
// shown and closes; the main window's controls stay.
class frmNewProfile : public QDialog {
    Q_OBJECT
public:
    frmNewProfile(clsINI& settings, Logfile& log, ProfileBox& box, QWidget* parent = nullptr);

    // Opens a fresh instance modally over `over` (centred on it) and drops it on close,
    // so the name field is empty at every opening.
    static void ShowModal(QWidget* over, clsINI& settings, Logfile& log, ProfileBox& box);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdWrite_Click();
    void cmdAbbrechen_Click();
    bool txtName_KeyDown(const QKeyEvent* event);

    clsINI& m_settings;
    Logfile& m_log;
    ProfileBox& m_box;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_txtName = nullptr;
    QPushButton* m_cmdAbbrechen = nullptr;
    QPushButton* m_cmdWrite = nullptr;
};
