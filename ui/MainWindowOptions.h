#pragma once

// The main window's two options in the settings file: the logging switch chkLog and the
// log-size field txtLogSize.

#include "fileservice/Failure.h"

class clsINI;
class QCheckBox;
class QLineEdit;

// Sets both controls from the stored options: the switch only from "0", "1" or "2", the
// field from any stored text; a missing option keeps its control as it is.
void ReadWindowOptions(const clsINI& settings, QCheckBox* chkLog, QLineEdit* txtLogSize);

// Stores both controls: the switch as 0 unchecked, 1 checked or 2 greyed, the field's text
// unchanged; the first failure with its reason.
[[nodiscard]] fileservice::Status WriteWindowOptions(clsINI& settings, const QCheckBox* chkLog,
                                                     const QLineEdit* txtLogSize);
