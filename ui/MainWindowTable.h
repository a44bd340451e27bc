#pragma once

// The main window's controls as designed: what each is, where it sits, what it says, its
// place in the keyboard order and how it starts. The window is built from this table.

#include <array>

enum class ControlKind {
    PictureBox,
    Image,
    Label,
    Line,
    Frame,
    ComboBox,
    CommandButton,
    DriveList,
    DirList,
    CheckBox,
    TextBox,
    ListBox,
    ProgressBar,
};

// How a control starts: shown, enabled and, for a check box, unchecked unless flagged.
enum ControlStart : unsigned {
    kStartNormal = 0,
    kStartHidden = 1,
    kStartDisabled = 2,
    kStartChecked = 4,
};

struct ControlRow {
    const char* name;       // the object name
    ControlKind kind;
    const char* container;  // "frmMain" for the window's client area
    int left;               // twips in the container
    int top;
    int width;
    int height;
    const char* caption;  // UTF-8; the initial text of a text box or combo box; nullptr: none
    int tab;              // tab index; -1: no place in the keyboard order
    unsigned start;       // ControlStart flags
};

// Every control, containers before what they hold, in the order of creation.
extern const std::array<ControlRow, 38> kMainWindowControls;
