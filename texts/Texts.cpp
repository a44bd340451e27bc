#include "texts/Texts.h"

#include "engine/Paths.h"
#include "fileservice/Medium.h"
#include "fileservice/SystemError.h"

#include <QDir>
#include <QLocale>
#include <QStringList>
#include <cerrno>

namespace {

// A path in a run's line as the system writes paths: "Briefe\\Antrag.doc" on Windows.
QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString SystemText(int error) { return QString::fromStdString(fileservice::SystemErrorText(error)); }

}  // namespace

QString HaltTitle() { return QStringLiteral("Halt!"); }

QString RefusalText(int code) {
    switch (code) {
    case kProgramDirAsTarget: return QStringLiteral("Das Programmverzeichnis darf nicht das Zielverzeichnis sein!");
    case kSourceUnreadable: return QStringLiteral("Das Quellverzeichnis ist nicht vorhanden oder nicht lesbar!");
    case kTargetMissing: return QStringLiteral("Das Zielverzeichnis ist nicht vorhanden!");
    case kDriveAsSubfolder: return QStringLiteral("Ein Laufwerk kann nicht als Unterordner kopiert werden!");
    case kSameFolder: return QStringLiteral("Quell- und Zielverzeichnis dürfen nicht gleich sein!");
    case kTargetInsideSource: return QStringLiteral("Das Zielverzeichnis darf nicht im Quellverzeichnis liegen!");
    case kTargetCannotBeEmptied: return QStringLiteral("Dieses Zielverzeichnis kann nicht geleert werden!");
    case kSourceInsideEmptiedTarget:
        return QStringLiteral("Das Quellverzeichnis darf nicht im Zielverzeichnis liegen, wenn das Ziel geleert wird!");
    case kSourceEmpty: return QStringLiteral("Das Quellverzeichnis ist leer, das Ziel wird nicht geleert!");
    case kTargetInUse: return QStringLiteral("In dieses Zielverzeichnis schreibt gerade ein anderer Abgleich!");
    case kFilterEntry: return QStringLiteral("Dieser Eintrag im Dateityp-Filter ist kein Dateiname:");
    default: return ReasonText(code);
    }
}

QString ReasonText(int error) {
    switch (error) {
    case fileservice::kNotRegularFile: return QStringLiteral("Keine gewöhnliche Datei (FIFO, Socket oder Gerät)");
    case fileservice::kSourceChanged: return QStringLiteral("Die Quelldatei hat sich beim Kopieren geändert");
    case fileservice::kFolderInUse: return QStringLiteral("In dieses Verzeichnis schreibt gerade ein anderer Abgleich");
    case fileservice::kMountPoint: return QStringLiteral("Dort ist ein anderes Laufwerk eingehängt");
    case fileservice::kNameTakenByCase:
        return QStringLiteral("Das Ziel unterscheidet keine Groß- und Kleinschreibung und hat diesen Namen schon mit "
                              "anderen Großbuchstaben");
    case fileservice::kTooLargeForFat:
        return QStringLiteral("Die Datei ist größer als 4 GiB (4294967295 Bytes), mehr fasst eine Datei auf FAT32 nicht");
    case fileservice::kNameNotAllowed:
        return QStringLiteral("Das Dateisystem des Ziels erlaubt diesen Namen nicht (keines der Zeichen : * ? \" < > | \\)");
    case fileservice::kCopyDropped: return QStringLiteral("Die Kopie wurde nicht begonnen");
    case fileservice::kNameReserved:
        return QStringLiteral("Windows erlaubt diesen Namen nicht (ein Gerätename wie CON, PRN, AUX, NUL, COM1 bis COM9, "
                              "LPT1 bis LPT9, oder ein Punkt oder Leerzeichen am Ende)");
    case fileservice::kNoRecycleBin:
        return QStringLiteral("Dieses Laufwerk hat keinen Papierkorb; es wurde nichts gelöscht");
    case ENOSPC: return QStringLiteral("Auf dem Gerät ist kein Speicherplatz mehr verfügbar");
#ifdef EDQUOT  // no quotas in the Windows C runtime's numbers
    case EDQUOT: return QStringLiteral("Der zugewiesene Plattenplatz (Quota) ist überschritten");
#endif
    case EFBIG: return QStringLiteral("Die Datei ist zu groß");
    case EACCES: return QStringLiteral("Keine Berechtigung");
    case EPERM: return QStringLiteral("Die Operation ist nicht erlaubt");
    case EROFS: return QStringLiteral("Das Dateisystem ist nur lesbar");
    case ENOENT: return QStringLiteral("Datei oder Verzeichnis nicht gefunden");
    case ENOTDIR: return QStringLiteral("Ist kein Verzeichnis");
    case EISDIR: return QStringLiteral("Ist ein Verzeichnis");
    case EEXIST: return QStringLiteral("Die Datei existiert bereits");
    case ENOTEMPTY: return QStringLiteral("Das Verzeichnis ist nicht leer");
    case ENAMETOOLONG: return QStringLiteral("Der Dateiname ist zu lang");
    case ELOOP: return QStringLiteral("Zu viele Ebenen aus symbolischen Verknüpfungen");
    case EIO: return QStringLiteral("Eingabe-/Ausgabefehler");
    case EXDEV: return QStringLiteral("Ungültige Verknüpfung über Gerätegrenzen hinweg");
    case EBUSY: return QStringLiteral("Das Gerät oder die Ressource ist belegt");
#ifdef ESTALE
    case ESTALE: return QStringLiteral("Veraltete Dateizugriffsnummer (NFS)");
#endif
    case ENOMEM: return QStringLiteral("Nicht genügend Hauptspeicher verfügbar");
    case EMFILE: return QStringLiteral("Zu viele offene Dateien");
    case ENFILE: return QStringLiteral("Zu viele offene Dateien im System");
    case EINVAL: return QStringLiteral("Ungültiges Argument");
    case EOPNOTSUPP: return QStringLiteral("Die Operation wird nicht unterstützt");
    default: return SystemText(error);
    }
}

QString CopiedMessage(const QString& entry) { return QStringLiteral(" - ") + Shown(entry) + QStringLiteral(" kopiert!"); }

QString CopyFailedMessage(const QString& entry, int error) {
    return QStringLiteral(" - ") + Shown(entry) + QStringLiteral(" konnte nicht kopiert werden: ") + ReasonText(error);
}

QString FolderFailedMessage(const QString& path, int error) {
    return QStringLiteral(" - Ordner ") + Shown(path) + QStringLiteral(" konnte nicht angelegt werden: ") + ReasonText(error);
}

QString FolderUnreadableMessage(const QString& path, int error) {
    return QStringLiteral(" - Ordner ") + Shown(path) + QStringLiteral(" konnte nicht gelesen werden: ") + ReasonText(error);
}

QString EmptyingFailedMessage(int error) {
    return QStringLiteral(" - Zielverzeichnis konnte nicht geleert werden: ") + ReasonText(error);
}

QString SubfolderCopiedMessage() { return QStringLiteral(" - Quelle als Unterordner ins Ziel kopiert!"); }

QString CompletionMessage(int failures) {
    if (failures == 0) return QStringLiteral(" - Abgleich ausgeführt!");
    if (failures == 1) return QStringLiteral(" - Abgleich mit 1 Fehler ausgeführt!");
    return QStringLiteral(" - Abgleich mit %1 Fehlern ausgeführt!").arg(failures);
}

QString StoppedMessage(int copied, int listed, bool targetEmptied) {
    QString message = QStringLiteral(" - Abgleich abgebrochen! %1 von %2 Dateien kopiert.").arg(copied).arg(listed);
    if (targetEmptied)
        message += QStringLiteral(" Das Zielverzeichnis ist unvollständig, das alte Ziel liegt im Papierkorb.");
    return message;
}

QString LogFailedMessage(int error) {
    return QStringLiteral(" - Logdatei kann nicht geschrieben werden: ") + ReasonText(error);
}

QString SummaryText(std::int32_t fileCount, std::int64_t scaledBytes) {
    return QString::number(fileCount) + QStringLiteral(" Dateien mit insg. ") + FormatByteTotal(scaledBytes) +
           QStringLiteral(" Bytes im Quellverzeichnis");
}

QString SummaryText(const RunSummary& summary) {
    QString text = SummaryText(summary.files, summary.bytes.scaled);
    if (summary.leftOut > 0) text += QStringLiteral(", %1 durch den Filter ausgelassen").arg(summary.leftOut);
    if (summary.removed > 0) text += QStringLiteral(", %1 im Ziel entfernt").arg(summary.removed);
    return text;
}

QString StopQuestionTitle() { return QStringLiteral("Abbruch?"); }

QString StopQuestionText() { return QStringLiteral("Soll der Abgleich abgebrochen werden?"); }

QString ProfileLoadedMessage(const QString& name) { return QStringLiteral(" - [%1] geladen!").arg(name); }

QString ProfileIncompleteMessage(const QString& name) {
    return QStringLiteral(" - [%1] konnte nicht vollständig geladen werden!").arg(name);
}

QString WouldMakeFolderText(const QString& entry) { return QStringLiteral("würde Ordner anlegen: ") + Shown(entry); }

QString WouldCopyText(const QString& entry) { return QStringLiteral("würde kopieren: ") + Shown(entry); }

QString WouldTrashText(const QString& path) { return QStringLiteral("würde in den Papierkorb verschieben: ") + Shown(path); }

QString WouldCopySummaryText(std::int32_t files, std::int64_t bytes) {
    return QStringLiteral("%1 Dateien mit insg. %2 Bytes würden kopiert.").arg(files).arg(bytes);
}

QString CommandLineHelpText() {
    return QStringLiteral(
        "Aufruf: trevalon [Befehl]\n"
        "Ohne Befehl öffnet sich das Fenster.\n"
        "\n"
        "  --run NAME             das Profil NAME aus tvl.ini ohne Fenster abgleichen\n"
        "  --run NAME --dry-run   zeigen, was dieser Abgleich täte, und nichts ändern\n"
        "  --list                 die Namen der Profile, einer je Zeile\n"
        "  --help                 diese Hilfe\n"
        "  --version              Name und Version des Programms\n"
        "\n"
        "Rückgabewerte: 0 ausgeführt, 1 mit Fehlern ausgeführt, 2 abgewiesen (Halt!),\n"
        "3 kein solches Profil, Einstellungsdatei nicht lesbar oder falscher Aufruf,\n"
        "130 abgebrochen (Strg+C, SIGTERM).\n");
}

QString BadArgumentsText(const QString& argument) {
    return argument.isEmpty() ? QStringLiteral("Unvollständiger Aufruf.")
                              : QStringLiteral("Unbekannter Aufruf: %1").arg(argument);
}

QString SettingsUnreadableText(const QString& path, int error) {
    return QStringLiteral("Die Einstellungsdatei %1 kann nicht gelesen werden: %2").arg(path, ReasonText(error));
}

QString ProgressText(std::int64_t filesDone, std::int64_t filesTotal, std::int64_t bytesDone,
                     std::int64_t bytesTotal, double bytesPerSecond) {
    constexpr double kMiB = 1024.0 * 1024.0;
    // Decimals as the summary line writes them, with the user's separator.
    const QLocale locale = QLocale::system();
    const auto mib = [&locale](double bytes) { return locale.toString(bytes / kMiB, 'f', 1); };
    QString text = QStringLiteral("%1 von %2 Dateien, %3 von %4 MB, %5 MB/s")
                       .arg(filesDone)
                       .arg(filesTotal)
                       .arg(mib(static_cast<double>(bytesDone)), mib(static_cast<double>(bytesTotal)), mib(bytesPerSecond));
    if (bytesPerSecond > 0 && bytesTotal > bytesDone) {
        const qint64 seconds = static_cast<qint64>((bytesTotal - bytesDone) / bytesPerSecond);
        text += QStringLiteral(", noch %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    return text;
}

QString FormatByteTotal(std::int64_t scaled) {
    const bool negative = scaled < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    QString text = QString::number(magnitude / 10000);
    std::uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
        text += QLocale::system().decimalPoint() + digits;
    }
    return negative ? QLatin1Char('-') + text : text;
}

QString FailureMessage(const RunFailure& failure) {
    switch (failure.kind) {
    case FailureKind::Copy: return CopyFailedMessage(failure.path, failure.error);
    case FailureKind::MakeFolder: return FolderFailedMessage(failure.path, failure.error);
    case FailureKind::ReadFolder: return FolderUnreadableMessage(failure.path, failure.error);
    case FailureKind::EmptyTarget: return EmptyingFailedMessage(failure.error);
    case FailureKind::RemoveExtra:
        return QStringLiteral(" - ") + failure.path + QStringLiteral(" konnte nicht entfernt werden: ") +
               ReasonText(failure.error);
    }
    return CopyFailedMessage(failure.path, failure.error);
}

QString EndMessage(RunMode mode, RunOutcome outcome, const RunCounts& counts) {
    if (outcome == RunOutcome::Stopped) return StoppedMessage(counts.landed, counts.listed, counts.targetEmptied);
    if (mode == RunMode::Subfolder && counts.failures == 0) return SubfolderCopiedMessage();
    return CompletionMessage(counts.failures) + TargetNewerCountText(counts.targetNewer);
}

QString ProgramLoadedMessage() { return QStringLiteral(" - Trevalon geladen!"); }

// Settings file

QString SettingsNotWrittenText(const QString& path, int error) {
    return QStringLiteral("Die Einstellungsdatei %1 kann nicht geschrieben werden: %2").arg(path, ReasonText(error));
}

QString ProfileNotSavedMessage(const QString& name, const QString& path, int error) {
    return QStringLiteral(" - [%1] konnte nicht gespeichert werden! ").arg(name) + SettingsNotWrittenText(path, error);
}

QString ProfileNotCreatedMessage(const QString& name, const QString& path, int error) {
    return QStringLiteral(" - Neues Profil [%1] konnte nicht angelegt werden! ").arg(name) +
           SettingsNotWrittenText(path, error);
}

QString OptionsNotSavedMessage(const QString& path, int error) {
    return QStringLiteral(" - Die Protokolloptionen konnten nicht gespeichert werden! ") +
           SettingsNotWrittenText(path, error);
}

QString ProfileNotDeletedTitle() { return QString::fromUtf8("Profil löschen"); }

QString ProfileNotDeletedText(const QString& name, const QString& path, int error) {
    return QString::fromUtf8("Das Profil %1 konnte nicht gelöscht werden. ").arg(name) +
           SettingsNotWrittenText(path, error);
}

QString ProfileSavedMessage(const QString& name) { return QStringLiteral(" - [%1] gespeichert!").arg(name); }

QString ProfileCreatedMessage(const QString& name) { return QStringLiteral(" - Neues Profil [%1] angelegt!").arg(name); }

QString StandardProfileTitle() { return QStringLiteral("Abbruch!"); }

QString StandardProfileText() { return QString::fromUtf8("Standardprofil kann nicht gelöscht werden"); }

QString DeleteProfileTitle() { return QString::fromUtf8("Profil löschen?"); }

QString DeleteProfileText() { return QString::fromUtf8("Soll das Profil wirklich gelöscht werden?"); }

QString NewProfileTitle() { return QStringLiteral("Profil anlegen"); }

QString NoProfileNameText() { return QStringLiteral("Kein Profilname angegeben!"); }

QString BadProfileNameText() {
    return QStringLiteral("Der Profilname darf die Zeichen [ ] = nicht enthalten und nicht mit ; beginnen!");
}

QString TrayTipText() { return QStringLiteral("Trevalon gestartet!"); }

QString RemovedMessage(const QString& entry, bool toTrash) {
    return QStringLiteral(" - ") + Shown(entry) +
           (toTrash ? QStringLiteral(" in den Papierkorb verschoben!") : QString::fromUtf8(" gelöscht!"));
}

QString WouldRemoveText(const QString& entry, bool toTrash) {
    return (toTrash ? QStringLiteral("würde in den Papierkorb verschieben: ") : QString::fromUtf8("würde löschen: ")) +
           Shown(entry);
}

QString ConfirmRemovalTitle() { return QString::fromUtf8("Löschen?"); }

QString ConfirmRemovalText(std::int32_t files, std::int32_t folders) {
    return QString::fromUtf8("Im Ziel sind %1 Dateien und %2 Ordner, die es in der Quelle nicht gibt. Sie werden "
                             "endgültig gelöscht. Fortfahren?")
        .arg(files)
        .arg(folders);
}

// Drives

QString RefusalText(const fileservice::Failure& refusal) {
    // The folder named: a stick that is not plugged in leaves its folder missing.
    if (refusal.error == kTargetMissing)
        return QStringLiteral("Das Zielverzeichnis %1 ist nicht vorhanden! Ist der Datenträger angeschlossen?")
            .arg(FromNative(refusal.path));
    if (refusal.error == kFilterEntry)
        return RefusalText(refusal.error) + QStringLiteral(" \u201E") + QString::fromStdString(refusal.path) +
               QStringLiteral("\u201C");
    return RefusalText(refusal.error);
}

QString TargetNewerMessage(const QString& entry) { return QStringLiteral(" - ") + Shown(entry) + QStringLiteral(" im Ziel neuer, nicht ersetzt"); }

QString TargetNewerCountText(std::int32_t count) {
    if (count <= 0) return {};
    if (count == 1) return QStringLiteral(" 1 Datei im Ziel neuer, nicht ersetzt.");
    return QStringLiteral(" %1 Dateien im Ziel neuer, nicht ersetzt.").arg(count);
}

QString FolderSpelledOtherwiseMessage(const QString& folder, const QString& existing) {
    return QStringLiteral(" - Ordner %1 steht im Ziel als %2 (das Ziel unterscheidet keine Groß- und "
                          "Kleinschreibung) und wird dorthin gespiegelt")
        .arg(Shown(folder), Shown(existing));
}

QString MetadataNotKeptMessage(int lost) {
    QStringList what;
    if (lost & fileservice::kModeLost) what << QStringLiteral("die Dateirechte");
    if (lost & fileservice::kTimesLost) what << QStringLiteral("die Änderungszeiten");
    return QStringLiteral(" - Das Ziel kann %1 nicht behalten; die Dateien selbst sind vollständig kopiert")
        .arg(what.join(QStringLiteral(" und ")));
}

QString WouldNotReplaceText(const QString& entry) { return QStringLiteral("im Ziel neuer, nicht ersetzt: ") + Shown(entry); }
