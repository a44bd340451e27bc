#pragma once

// The main window's two options in the settings file: the logging switch chkLog and the
// log-size field txtLogSize.

class QCheckBox;
class QLineEdit;

// Sets both controls from the stored options: the switch only from "0", "1" or "2", the
// field from any stored text; a missing option keeps its control as it is.
void ReadWindowOptions(QCheckBox* chkLog, QLineEdit* txtLogSize);

// Stores both controls: the switch as 0 unchecked, 1 checked or 2 greyed, the field's text unchanged.
void WriteWindowOptions(const QCheckBox* chkLog, const QLineEdit* txtLogSize);
