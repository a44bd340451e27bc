// Start-up: with arguments, the command line without a window. Else: check for a display, make the toolkit's own texts German, fix the settings
// file's path, write the delivered one where none exists, show the main window, then fill
// the profile list.
#include "TrevalonVersion.h"
#include "cli/CommandLine.h"
#include "fileservice/Console.h"
#include "settings/SettingsLayout.h"
#include "settings/Startup.h"
#include "settings/clsINI.h"
#include "ui/GermanTexts.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc > 1) {
        // No display needed: a timer or a service runs this.
        fileservice::UseParentConsole();
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Trevalon"));
        return RunCommandLine(clsINI(SettingsFilePath()), QCoreApplication::arguments().mid(1));
    }
#ifndef Q_OS_WIN
    // Without a display Qt aborts with a long message; one clear line is kinder.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Trevalon: keine grafische Anzeige gefunden (DISPLAY ist nicht gesetzt).\n");
        return 1;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trevalon"));
    QApplication::setDesktopFileName(QLatin1String(tvl::kAppId));
    InstallGermanTexts();

    const clsINI settings(SettingsFilePath());
    // A package cannot bring each user a settings file: the first start writes the
    // delivered one, so that the "Standard" profile loads from the very first window on.
    WriteDefaultIniFile(settings, QDir::homePath());
    frmMain window(settings);
    window.show();
    FillProfileList(settings, window, QLatin1String(kStandardProfile));
    return app.exec();
}
