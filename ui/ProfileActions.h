#pragma once

// The profile operations of the main window: choosing, loading, saving and deleting a
// profile, on the controls the window hands over.

#include "settings/ProfileOps.h"

#include <QString>

class clsINI;
class DirList;
class Logfile;
class ProfileBox;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

// The window's controls a profile is copied into and out of, and the profile buttons;
// the window fills it once.
struct ProfileControls {
    QWidget* window = nullptr;  // owns the message boxes and the new-profile dialog
    clsINI* settings = nullptr;  // the window's settings file
    QComboBox* profile = nullptr;
    DirList* source = nullptr;
    DirList* target = nullptr;
    QLineEdit* filter = nullptr;
    QCheckBox* onlyNew = nullptr;
    QCheckBox* delNot = nullptr;
    QCheckBox* delOld = nullptr;
    QCheckBox* toTrash = nullptr;
    QCheckBox* newSubFolder = nullptr;
    QPushButton* save = nullptr;
    QPushButton* create = nullptr;
    QPushButton* remove = nullptr;
};

// Applies the profile `sptl` (empty: the one the profile box shows) to the controls in
// load order, each through its control so the window's reactions run, up to the first value
// that cannot be applied, and reports in the status list whether every value was applied.
void LoadProfile(const ProfileControls& c, Logfile& log, const QString& sptl);

// Writes the controls' values into the section named by the profile box's text, in save
// order, and reports in the status list that they were saved, or the settings file and the
// reason they were not.
void SaveProfile(const ProfileControls& c, Logfile& log);

// Asks, then removes the profile the box shows (section and catalogue line) and refills
// the list with "Standard" shown; "Standard" itself is refused. A deletion that does not
// reach the settings file is shown in a box with the file and the reason.
void DeleteCurrentProfile(const ProfileControls& c, ProfileBox& box);

// Wires the profile box (focus opens the list, a choice from the list loads, the keyboard
// keeps working while the list is open) and the save, new and delete buttons.
void ConnectProfileControls(const ProfileControls& c, Logfile& log, ProfileBox& box);

// A check box's state as stored, and the box set to a stored state through the box, so that its
// change reaction runs.
BoxState StateOf(const QCheckBox* box);
void SetState(QCheckBox* box, BoxState state);
