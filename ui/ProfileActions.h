#pragma once

// The profile operations of the main window: choosing, loading, saving and deleting a
// profile. They work on the window's controls found by their design names, so that
// they need nothing of the window but its children.

#include <QString>

class Logfile;
class ProfileBox;
class QWidget;

// Applies the profile `sptl` (empty: the one the profile box shows) to the window's
// controls in load order, each through its control so the window's reactions run, and
// reports in the status list whether every value was applied.
void LoadProfile(QWidget* window, Logfile& log, const QString& sptl);

// Writes the controls' values into the section named by the profile box's text, in save
// order, and reports in the status list whether every write succeeded.
void SaveProfile(QWidget* window, Logfile& log);

// Asks, then removes the profile the box shows (section and catalogue line) and refills
// the list with "Standard" shown; "Standard" itself is refused.
void DeleteCurrentProfile(QWidget* window, ProfileBox& box);

// Wires the profile box (focus opens the list, a choice from the list loads, the keyboard
// keeps working while the list is open) and the save, new and delete buttons.
void ConnectProfileControls(QWidget* window, Logfile& log, ProfileBox& box);
