#pragma once

#include "fileservice/Failure.h"

#include <QString>
#include <QStringList>
#include <optional>

// The general-purpose INI accessor: bound to one file path, it reads and writes typed
// values, lists sections and keys, and deletes keys and sections. Nothing is cached;
// every member is one complete file access through the profile primitives. The program's
// settings file is one of these, made at start and handed to everything that reads or writes it.
class clsINI {
public:
    clsINI() = default;
    // Bound to `path` at once, as setting File does.
    explicit clsINI(const QString& path);
    ~clsINI();

    /// "Pfad der INI-Datei."
    QString File() const;
    /// "Pfad der INI-Datei."
    void File(const QString& path);

    /// "Überprüfen, ob die INI-Datei existiert."
    bool FileExists() const;

    /// "Liest einen Integer-Wert aus der INI-Datei."
    qint32 ReadKeyValueInt(const QString& section, const QString& key, qint32 defaultValue) const;
    /// "Liest einen Boolean-Wert aus der INI-Datei."
    bool ReadKeyValueBool(const QString& section, const QString& key, bool defaultValue) const;
    /// "Liest einen String-Wert aus der INI-Datei."
    QString ReadKeyValueStr(const QString& section, const QString& key, const QString& defaultValue) const;
    /// "Liest einen String-Wert aus der INI-Datei."
    QString ReadKeyValue(const QString& section, const QString& key, const QString& defaultValue) const;

    /// "Schreibt einen Integer-Wert in die INI-Datei."
    bool WriteKeyValueInt(const QString& section, const QString& key, qint32 value);
    /// "Schreibt einen Boolean-Wert in die INI-Datei."
    bool WriteKeyValueBool(const QString& section, const QString& key, bool value);
    /// "Schreibt einen String-Wert in die INI-Datei."
    bool WriteKeyValueStr(const QString& section, const QString& key, const QString& value);
    /// "Schreibt einen String-Wert in die INI-Datei."
    bool WriteKeyValue(const QString& section, const QString& key, const QString& value);

    // Fills `section` with the file's section names (exactly those, in file order) and
    // returns their count; with none, or an empty path, leaves it as it was.
    qint16 GetSectionNames(QStringList& section) const;
    // Fills `key` with the key names of `section` the same way.
    qint16 GetKeyNames(const QString& section, QStringList& key) const;

    /// "Löscht einen Abschnitt aus der INI-Datei."
    bool DeleteSection(const QString& section);
    /// "Löscht einen Schlüssel aus der INI-Datei."
    bool DeleteKey(const QString& section, const QString& key);

    // The read beneath the others: the value (or, with no key, the section's key names, each
    // followed by a NUL, without the list's final extra NUL) through a buffer of `size`
    // characters, as many characters as the primitive copied. The path is not tested first.
    QString ReadIniString(const QString& section, const std::optional<QString>& key, const QString& defaultText,
                          qint16 size) const;
    // The write beneath the others: sets the key, with no value removes it, with no key removes
    // the section. The failure names the file and its reason; an empty path fails with ENOENT.
    [[nodiscard]] fileservice::Status WriteIniString(const QString& section, const std::optional<QString>& key,
                                                     const std::optional<QString>& value);

private:
    qint16 ListNames(const QByteArray* section, QStringList& names) const;

    QString m_file;
};
