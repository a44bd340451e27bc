#pragma once

#include <QString>

class clsINI;

// The folder that holds tvl.ini and tvl.log: the program directory while it is writable,
// else ConfigDataDir() (created on demand).
QString ProgramDataDir();

// The folder for tvl.ini and tvl.log when the program lives in `programDir`: that
// folder while it is writable and not an installed copy's, else ConfigDataDir()
// (created on demand).
QString ProgramDataDirFor(const QString& programDir);

// $XDG_CONFIG_HOME/trevalon, or ~/.config/trevalon when the variable is unset or relative;
// on Windows %APPDATA%\Trevalon.
QString ConfigDataDir();

// True for an existing folder this process may write into, on a mount that is not read-only.
bool IsWritableDir(const QString& dir);

// The settings file's full path: tvl.ini in ProgramDataDir(). The start-up routine binds the
// program's one clsINI to it.
QString SettingsFilePath();

// Writes the settings file delivered with the program to `settings`' path when nothing stands
// there, its "Standard" profile with `homeDir` as source and target ("/" when that is no
// folder). The file appears whole or not at all and never replaces anything; true when written.
bool WriteDefaultIniFile(const clsINI& settings, const QString& homeDir);

// The profile box as the settings code sees it.
class ProfileBox {
public:
    virtual ~ProfileBox() = default;
    virtual void ClearProfiles() = 0;
    virtual void SetProfileText(const QString& text) = 0;
    virtual void AddProfile(const QString& name) = 0;
};

// Refills the profile box from the catalogue of `settings` and shows `name` in it.
void FillProfileList(const clsINI& settings, ProfileBox& box, const QString& name);
