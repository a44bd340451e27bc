#pragma once

#include "fileservice/Failure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The shell's delete operation and its flags; the numbers document the behaviour.
inline constexpr int kFoDelete = 3;
inline constexpr int kFofSilent = 0x4;             // no progress dialog
inline constexpr int kFofNoConfirmation = 0x10;    // no question
inline constexpr int kFofAllowUndo = 0x40;         // into the trash, restorable
inline constexpr int kFofSimpleProgress = 0x100;   // progress without file names
inline constexpr int kFofNoErrorUi = 0x400;        // no error dialogs

// Flags from the switches (16-bit booleans: 0 false, -1 true).
int ShellDeleteFlags(qint16 confirm, qint16 showProgress, qint16 showFileNames, qint16 allowUndo,
                     qint16 showErrors);

// The NUL-separated source list: one path (a trailing separator dropped) ending in two
// NULs, or each of several paths followed by a NUL, with one more NUL at the end.
QByteArray ShellDeleteList(const QString& path);
QByteArray ShellDeleteList(const QStringList& paths);

// Deletes the paths: with allowUndo into the desktop trash (never permanently), else
// for good. Succeeds when every path was handled, else fails with the first failure.
// `aborted` receives whether the user cancelled (there is no dialog to cancel here).
fileservice::Status ShellDelete(const QStringList& paths, quintptr ownerWindow, qint16 confirm, qint16 showProgress,
                                qint16 showFileNames, qint16 allowUndo, qint16 showErrors, bool* aborted = nullptr);
fileservice::Status ShellDelete(const QString& path, quintptr ownerWindow, qint16 confirm, qint16 showProgress,
                                qint16 showFileNames, qint16 allowUndo, qint16 showErrors, bool* aborted = nullptr);
