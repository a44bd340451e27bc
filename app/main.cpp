// Start-up: check for a display, fix the settings file's path, show the main window,
// then fill the profile list.
#include "settings/Startup.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // Without a display Qt aborts with a long message; one clear line is kinder.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Trevalon: keine grafische Anzeige gefunden (DISPLAY ist nicht gesetzt).\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trevalon"));

    InitIniFile();
    frmMain window;
    window.show();
    FillProfileList(window, QStringLiteral("Standard"));
    return app.exec();
}
