#pragma once

// The profile operations the main window and the new-profile dialog call: the catalogue
// line, the eight keys of a profile section, creating, saving, reading and deleting.
// Every access goes to strIniFile.

#include <QString>
#include <array>

inline constexpr const char* kProfilesSection = "Profiles";
inline constexpr const char* kStandardProfile = "Standard";

inline constexpr const char* kKeyDirA = "dir_a";
inline constexpr const char* kKeyDirB = "dir_b";
inline constexpr const char* kKeyFilter = "Filter";
inline constexpr const char* kKeyOnlyNew = "onlynew";
inline constexpr const char* kKeyDelNot = "delnot";
inline constexpr const char* kKeyDelOld = "delold";
inline constexpr const char* kKeyDelToTrash = "deltotrash";
inline constexpr const char* kKeyNewSubFolder = "newsubfolder";

// The order in which saving and creating write a profile's keys.
inline constexpr std::array<const char*, 8> kProfileSaveOrder = {
    kKeyDirA, kKeyDirB, kKeyFilter, kKeyOnlyNew, kKeyDelNot, kKeyDelOld, kKeyDelToTrash, kKeyNewSubFolder};

// The order in which loading applies them: of several run options stored as "1", the
// one applied last (onlynew) stays ticked.
inline constexpr std::array<const char*, 8> kProfileLoadOrder = {
    kKeyDirA, kKeyDirB, kKeyFilter, kKeyDelOld, kKeyDelNot, kKeyDelToTrash, kKeyNewSubFolder, kKeyOnlyNew};

// A profile's values as the window's controls hold them; states 0, 1 or 2.
struct ProfileValues {
    QString dirA;
    QString dirB;
    QString filter;
    int onlyNew = 0;
    int delNot = 0;
    int delOld = 0;
    int delToTrash = 0;
    int newSubFolder = 0;
};

// The catalogue key of a profile: its name with every blank (U+0020) removed.
QString CatalogueKey(const QString& name);

// The profile's catalogue line: key "=" name.
QString CatalogueLine(const QString& name);

// Writes the eight values into the profile's section in save order; true when every
// write succeeded (callers may ignore it).
bool WriteProfileValues(const QString& name, const ProfileValues& values);

// Writes the catalogue line, then the eight defaults of a new profile; true when every
// write succeeded.
bool WriteNewProfile(const QString& name);

// One key of the profile's section, at most 254 characters; empty when missing.
QString ReadProfileKey(const QString& name, const char* key);

// False for names the file format cannot hold: with "[", "]" or "=", or starting with ";".
bool IsStorableProfileName(const QString& name);

// Removes the profile's section and its catalogue line, every other byte kept; true
// when the section is gone and the catalogue no longer lists the name under its key.
bool DeleteProfile(const QString& name);
