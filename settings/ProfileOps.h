#pragma once

// The profile operations the main window, the new-profile dialog and the command line call:
// the catalogue line, the eight keys of a profile section, creating, saving, reading and
// deleting, and the rule of the three run options. Every access goes to the settings file
// handed in.

#include "fileservice/Failure.h"
#include "settings/SettingsLayout.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

class clsINI;

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

// The file-type filter a profile holds. Profiles saved before the field was built may hold
// the text it showed then ("Funktion muss noch gebaut werden..."): that is no filter.
QString FilterOf(const ProfileValues& values);

// A stored check-box state: a whole decimal number 0, 1 or 2, blanks around it allowed.
std::optional<int> StoredState(const QString& text);

// The three run options, which exclude each other, in the order a tick unticks the others.
enum class RunOption { OnlyNew, DelOld, NewSubFolder };
inline constexpr std::array<RunOption, 3> kRunOptions = {RunOption::OnlyNew, RunOption::DelOld,
                                                         RunOption::NewSubFolder};

// A check box's state as stored; only a ticked box counts as set.
enum class BoxState : int { Unticked = 0, Ticked = 1, Greyed = 2 };

struct RunOptionStates {
    BoxState onlyNew = BoxState::Unticked;
    BoxState delOld = BoxState::Unticked;
    BoxState newSubFolder = BoxState::Unticked;

    BoxState& operator[](RunOption option);
    BoxState operator[](RunOption option) const;
    bool IsSet(RunOption option) const { return (*this)[option] == BoxState::Ticked; }
    bool operator==(const RunOptionStates&) const = default;
};

// The run options after `which` took `state`: ticking one unticks the other two; unticking
// or greying one leaves them as they are.
RunOptionStates WithRunOption(RunOptionStates states, RunOption which, BoxState state);

// What loading a profile finds in its section, before anything is applied.
struct ProfileLoad {
    bool sectionFound = false;  // the section holds at least one key
    ProfileValues values;       // as stored, each at most 254 characters; a missing key reads as empty
    // The keys, in load order, whose value cannot be applied: a state that is no 0, 1 or 2, or a
    // directory that is named but is no existing folder. An empty directory is not among them.
    std::vector<ProfileKey> unusable;
    bool sourceIsFolder = false;  // dir_a names an existing folder
    bool targetIsFolder = false;  // dir_b names an existing folder
    // The run options after the states up to the first unusable key, applied in load order to
    // boxes that were all unticked.
    RunOptionStates options;

    // False when the key holding `value` is among the unusable ones.
    bool Usable(QString ProfileValues::*value) const;
};

// Reads the profile's section as a load applies it.
ProfileLoad ReadProfile(const clsINI& settings, const QString& name);

// The catalogue key of a profile: its name with every blank (U+0020) removed.
QString CatalogueKey(const QString& name);

// The profile's catalogue line: key "=" name.
QString CatalogueLine(const QString& name);

// Writes the eight values into the profile's section in save order, each also after a
// failed one; the first failure with its reason.
[[nodiscard]] fileservice::Status WriteProfileValues(clsINI& settings, const QString& name,
                                                     const ProfileValues& values);

// Writes the catalogue line, then the eight defaults of a new profile, each also after a
// failed one; the first failure with its reason.
[[nodiscard]] fileservice::Status WriteNewProfile(clsINI& settings, const QString& name);

// False for names the file format cannot hold: with "[", "]" or "=", or starting with ";".
bool IsStorableProfileName(const QString& name);

// Removes the profile's section and its catalogue line, every other byte kept; the first
// failure with its reason.
[[nodiscard]] fileservice::Status DeleteProfile(clsINI& settings, const QString& name);
