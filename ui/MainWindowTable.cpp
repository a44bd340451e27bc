#include "ui/MainWindowTable.h"

#include "TrevalonVersion.h"
#include "settings/SettingsLayout.h"

using K = ControlKind;

const std::array<ControlRow, 38> kMainWindowControls = {{
    {"Picture1", K::PictureBox, "frmMain", 0, 0, 8595, 855, nullptr, 0, kStartNormal},
    {"Image1", K::Image, "Picture1", 300, 120, 660, 600, nullptr, -1, kStartNormal},
    {"Label1", K::Label, "Picture1", 1380, 60, 5265, 450, "Trevalon", 1, kStartNormal},
    {"Label2", K::Label, "Picture1", 1800, 420, 6780, 330, "Verzeichnisse komfortabel spiegeln", 2, kStartNormal},
    {"lblCopy", K::Label, "Picture1", 6660, 0, 1935, 195, tvl::kCopyright, 3, kStartNormal},
    {"Picture5", K::PictureBox, "Picture1", 7980, 300, 495, 435, nullptr, 4, kStartHidden},
    // A rule from (0, 840) to (7455, 840), one pixel high.
    {"Line1", K::Line, "Picture1", 0, 840, 7455, 15, nullptr, -1, kStartNormal},
    {"Frame1", K::Frame, "frmMain", 30, 870, 9165, 735, "Profile", 25, kStartNormal},
    {"Frame2", K::Frame, "frmMain", 30, 1590, 2340, 3195, "Quelle", 22, kStartNormal},
    {"Frame3", K::Frame, "frmMain", 2400, 1590, 2355, 3195, "Ziel (Spiegel)", 19, kStartNormal},
    {"Frame4", K::Frame, "frmMain", 4800, 1590, 4395, 3195, "Optionen", 13, kStartNormal},
    {"Frame5", K::Frame, "frmMain", 30, 4770, 6945, 1515, "Programmstatus", 8, kStartNormal},
    {"Frame6", K::Frame, "frmMain", 7020, 4770, 2175, 1515, "Funktionen", 5, kStartNormal},
    {"cmbProfile", K::ComboBox, "Frame1", 180, 240, 4095, 315, kStandardProfile, 28, kStartNormal},
    {"cmdSaveProfile", K::CommandButton, "Frame1", 4350, 240, 1515, 375, "&Speichern", 27, kStartNormal},
    {"cmdNewProfile", K::CommandButton, "Frame1", 5940, 240, 1515, 375, "&Neu", 26, kStartNormal},
    {"cmdDelProfile", K::CommandButton, "Frame1", 7530, 240, 1515, 375, "Lös&chen", 32, kStartNormal},
    {"drvSource", K::DriveList, "Frame2", 180, 300, 1995, 315, nullptr, 24, kStartNormal},
    {"dirSource", K::DirList, "Frame2", 180, 660, 1995, 2340, nullptr, 23, kStartNormal},
    {"drvTarget", K::DriveList, "Frame3", 180, 300, 1995, 315, nullptr, 21, kStartNormal},
    {"dirTarget", K::DirList, "Frame3", 180, 660, 1995, 2340, nullptr, 20, kStartNormal},
    {"chkCopyOnlyNew", K::CheckBox, "Frame4", 120, 300, 3975, 255, "Nur ältere durch neue Dateien ersetzen.", 15,
     kStartChecked},
    {"chkDelIfNotExist", K::CheckBox, "Frame4", 120, 570, 4185, 375,
     "Dateien, die im Quellverzeichnis nicht existieren, löschen.", 16, kStartNormal},
    {"chkTrash", K::CheckBox, "Frame4", 570, 960, 3345, 315, "nur in den Papierkorb verschieben", 33, kStartDisabled},
    {"chkDelBeforeCopy", K::CheckBox, "Frame4", 120, 1290, 4215, 375,
     "Vor dem Kopieren alle Dateien im Zielverzeichnis löschen.", 14, kStartNormal},
    {"chkNewSubFolder", K::CheckBox, "Frame4", 120, 1710, 4245, 315, "Quelle als neuen Ordner im Ziel anlegen.", 34,
     kStartNormal},
    {"Label3", K::Label, "Frame4", 120, 2130, 3645, 255, "Folgende Dateitypen nicht spiegeln:", 18, kStartNormal},
    {"txtFilter", K::TextBox, "Frame4", 90, 2370, 4245, 315, "", 17, kStartNormal},
    {"chkLog", K::CheckBox, "Frame4", 180, 2880, 3195, 225, "LogFile / Größe begrenzen auf:", 29, kStartChecked},
    {"txtLogSize", K::TextBox, "Frame4", 3450, 2820, 555, 315, "50", 30, kStartNormal},
    {"Label5", K::Label, "Frame4", 4050, 2850, 345, 285, "KB", 31, kStartNormal},
    {"lstStatus", K::ListBox, "Frame5", 180, 240, 6675, 840, nullptr, 11, kStartNormal},
    {"pb1", K::ProgressBar, "Frame5", 180, 1140, 6675, 255, nullptr, 9, kStartHidden},
    {"txtFiles", K::TextBox, "Frame5", 180, 1140, 6675, 285, "", 12, kStartNormal},
    {"txtCount", K::TextBox, "Frame5", 6000, 1140, 855, 285, "0", 10, kStartHidden},
    {"cmdRun", K::CommandButton, "Frame6", 120, 270, 1965, 375, "Sta&rten", 6, kStartNormal},
    {"cmdInfo", K::CommandButton, "Frame6", 120, 660, 1965, 375, "Info", 35, kStartNormal},
    {"cmdExit", K::CommandButton, "Frame6", 120, 1050, 1965, 375, "&Beenden", 7, kStartNormal},
}};
