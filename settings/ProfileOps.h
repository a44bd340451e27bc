#pragma once

// The profile operations the main window and the new-profile dialog call: the catalogue
// line, the eight keys of a profile section, creating, saving, reading and deleting.
// Every access goes to strIniFile.

#include "settings/SettingsLayout.h"

#include <QString>
#include <array>
#include <optional>

// A profile's eight values as its section holds them: texts, the states as "0", "1" or "2".
struct ProfileValues {
    QString dirA;
    QString dirB;
    QString filter;
    QString onlyNew;
    QString delNot;
    QString delOld;
    QString delToTrash;
    QString newSubFolder;

    bool operator==(const ProfileValues&) const = default;
};

// One key of a profile section and the value it holds.
struct ProfileKey {
    const char* name;
    QString ProfileValues::*value;
};

// The order in which saving and creating write a profile's keys.
inline constexpr std::array<ProfileKey, 8> kProfileSaveOrder = {{
    {kKeyDirA, &ProfileValues::dirA},
    {kKeyDirB, &ProfileValues::dirB},
    {kKeyFilter, &ProfileValues::filter},
    {kKeyOnlyNew, &ProfileValues::onlyNew},
    {kKeyDelNot, &ProfileValues::delNot},
    {kKeyDelOld, &ProfileValues::delOld},
    {kKeyDelToTrash, &ProfileValues::delToTrash},
    {kKeyNewSubFolder, &ProfileValues::newSubFolder},
}};

// The order in which loading applies them: of several run options stored as "1", the
// one applied last (onlynew) stays ticked.
inline constexpr std::array<ProfileKey, 8> kProfileLoadOrder = {{
    {kKeyDirA, &ProfileValues::dirA},
    {kKeyDirB, &ProfileValues::dirB},
    {kKeyFilter, &ProfileValues::filter},
    {kKeyDelOld, &ProfileValues::delOld},
    {kKeyDelNot, &ProfileValues::delNot},
    {kKeyDelToTrash, &ProfileValues::delToTrash},
    {kKeyNewSubFolder, &ProfileValues::newSubFolder},
    {kKeyOnlyNew, &ProfileValues::onlyNew},
}};

// A stored check-box state: a whole decimal number 0, 1 or 2, blanks around it allowed.
std::optional<int> StoredState(const QString& text);

// The three run options, which exclude each other.
struct RunOptionStates {
    bool onlyNew = false;
    bool delOld = false;
    bool newSubFolder = false;
};

// The run options set after a load applies `values`' states to `before` in load order: a
// state of 1 clears the other two options, and the first text that is no state ends the load.
RunOptionStates RunOptionsAfterLoad(const ProfileValues& values, RunOptionStates before);

// The catalogue key of a profile: its name with every blank (U+0020) removed.
QString CatalogueKey(const QString& name);

// The profile's catalogue line: key "=" name.
QString CatalogueLine(const QString& name);

// Writes the eight values into the profile's section in save order; true when every
// write succeeded (callers may ignore it).
bool WriteProfileValues(const QString& name, const ProfileValues& values);

// Reads the eight values of the profile's section, each at most 254 characters; a missing
// key reads as empty.
ProfileValues ReadProfileValues(const QString& name);

// Writes the catalogue line, then the eight defaults of a new profile; true when every
// write succeeded.
bool WriteNewProfile(const QString& name);

// One key of a section, at most 254 characters; empty when missing.
QString ReadProfileKey(const QString& name, const char* key);

// False for names the file format cannot hold: with "[", "]" or "=", or starting with ";".
bool IsStorableProfileName(const QString& name);

// Removes the profile's section and its catalogue line, every other byte kept; true
// when the section is gone and the catalogue no longer lists the name under its key.
bool DeleteProfile(const QString& name);
