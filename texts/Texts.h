#pragma once

// Every German sentence the program shows or logs: the status lines, the texts of the
// "Halt!" box and of every other message box, the failure lines and the reasons of failures,
// the command line's texts. Below, a failure is a value (fileservice/Failure.h) and a run
// tells typed events (engine/RunEvents.h); they are worded here and nowhere else.

#include "engine/RunEvents.h"
#include "fileservice/Failure.h"

#include <QString>
#include <cstdint>

// The title of the box that refuses a run.
QString HaltTitle();
// The text of that box for a RefusalCode.
QString RefusalText(int code);

// The reason of a failure: German for the errors a mirror meets and the project's own codes,
// the system's text for the rest.
QString ReasonText(int error);

// The messages of status lines; each begins with " - ", the time goes before it (StatusLine).
QString CopiedMessage(const QString& entry);
QString CopyFailedMessage(const QString& entry, int error);
QString FolderFailedMessage(const QString& path, int error);
QString FolderUnreadableMessage(const QString& path, int error);
QString EmptyingFailedMessage(int error);
QString SubfolderCopiedMessage();
// " - Abgleich ausgeführt!" or the line that counts the failures.
QString CompletionMessage(int failures);
QString LogFailedMessage(int error);
// " - Abgleich abgebrochen! <copied> von <listed> Dateien kopiert.", and when the old target went
// to the trash first, that the target is incomplete.
QString StoppedMessage(int copied, int listed, bool targetEmptied);

// "<n> Dateien mit insg. <bytes> Bytes im Quellverzeichnis", and how many files the filter
// left out and how many target entries the source lacks were removed, where there are any.
QString SummaryText(std::int32_t fileCount, std::int64_t scaledBytes);
QString SummaryText(const RunSummary& summary);

// The question the window asks when Escape is pressed during a run.
QString StopQuestionTitle();
QString StopQuestionText();

// A profile's load, as the window's load words it: " - [<name>] geladen!", or the line
// that says it did not load completely.
QString ProfileLoadedMessage(const QString& name);
QString ProfileIncompleteMessage(const QString& name);

// The lines of a dry run: folders named below the target ("/Fotos"), files relative to the
// source, the trashed target by its full path, and the number of files and bytes.
QString WouldMakeFolderText(const QString& entry);
QString WouldCopyText(const QString& entry);
QString WouldTrashText(const QString& path);
QString WouldCopySummaryText(std::int32_t files, std::int64_t bytes);

// The command line: its help (every command, one line each), a call it does not know, a
// settings file it cannot read, and the progress line drawn on a terminal.
QString CommandLineHelpText();
QString BadArgumentsText(const QString& argument);
QString SettingsUnreadableText(const QString& path, int error);
QString ProgressText(std::int64_t filesDone, std::int64_t filesTotal, std::int64_t bytesDone,
                     std::int64_t bytesTotal, double bytesPerSecond);

// A byte total in ten-thousandths as plain decimal text: no grouping, a fraction only
// when it is not zero, with the user's decimal separator and no trailing zeros.
QString FormatByteTotal(std::int64_t scaled);

// A run's events as status lines: the line of a failure, and the line that ends a run of
// `mode` (stopped, done without or with failures; the subfolder mode says so).
QString FailureMessage(const RunFailure& failure);
QString EndMessage(RunMode mode, RunOutcome outcome, const RunCounts& counts);

// The window's first line.
QString ProgramLoadedMessage();

// A target entry the source lacks: " - Briefe/alt.doc in den Papierkorb verschoben!" or
// " - Briefe/alt.doc gelöscht!", the dry run's "würde …" line, and the question the window
// asks before removing for good.
QString RemovedMessage(const QString& entry, bool toTrash);
QString WouldRemoveText(const QString& entry, bool toTrash);
QString ConfirmRemovalTitle();
QString ConfirmRemovalText(std::int32_t files, std::int32_t folders);

// Settings file

// "Die Einstellungsdatei <path> kann nicht geschrieben werden: <reason>"
QString SettingsNotWrittenText(const QString& path, int error);
// The status lines of a save and of a new profile that did not reach the settings file `path`.
QString ProfileNotSavedMessage(const QString& name, const QString& path, int error);
QString ProfileNotCreatedMessage(const QString& name, const QString& path, int error);
// The status line of a close whose logging options did not reach the settings file.
QString OptionsNotSavedMessage(const QString& path, int error);
// The title and text of the box that reports a deletion that did not reach the settings file.
QString ProfileNotDeletedTitle();
QString ProfileNotDeletedText(const QString& name, const QString& path, int error);

// Profiles: the status lines of a save and of a new profile, and the message boxes of the
// profile buttons and the new-profile dialog.
QString ProfileSavedMessage(const QString& name);
QString ProfileCreatedMessage(const QString& name);
QString StandardProfileTitle();
QString StandardProfileText();
QString DeleteProfileTitle();
QString DeleteProfileText();
QString NewProfileTitle();
QString NoProfileNameText();
QString BadProfileNameText();

// The tray icon's tip.
QString TrayTipText();

// Drives

// The "Halt!" text of a refusal, naming the folder where that helps (a missing target) and the
// filter's entry that cannot be a name.
QString RefusalText(const fileservice::Failure& refusal);
// " - <entry> im Ziel neuer, nicht ersetzt", and the count the last line adds (empty for none).
QString TargetNewerMessage(const QString& entry);
QString TargetNewerCountText(std::int32_t count);
// A source folder mirrored into the target's folder of other capitals.
QString FolderSpelledOtherwiseMessage(const QString& folder, const QString& existing);
// Once per run: what the target could not keep (fileservice::MetadataLost bits).
QString MetadataNotKeptMessage(int lost);
// The dry run's line for a file it would leave because its target is newer.
QString WouldNotReplaceText(const QString& entry);
