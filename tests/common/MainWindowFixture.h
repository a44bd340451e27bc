#pragma once

// Shared set-up of the main-window tests: a settings file and a log file in a
// temporary folder, and lookup of controls by their design names.

#include "TempTree.h"
#include "fileservice/PathText.h"
#include "settings/PrivateProfile.h"
#include "settings/Startup.h"
#include "settings/clsINI.h"
#include "ui/GermanTexts.h"
#include "ui/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The texts of a message box's buttons, in the order the box made them.
inline QStringList ButtonTexts(const QMessageBox* box) {
    QStringList texts;
    for (const QAbstractButton* button : box->buttons()) texts << button->text();
    return texts;
}

// True when a button's face, inside its edge and beside its caption, is the cream of the
// program's windows from top to bottom: a flat face, no gradient over it.
inline bool FaceShowsCream(QWidget* button) {
    const QImage image = button->grab().toImage();
    for (int y = 5; y < image.height() - 5; ++y) {
        if (image.pixelColor(6, y) != QColor(0xEF, 0xEF, 0xDE)) return false;
    }
    return true;
}

class MainWindowFixture {
protected:
    MainWindowFixture() { InstallGermanTexts(); }

    QString IniPath() const { return QString::fromStdString(m_tree.Path("tvl.ini")); }
    // The settings file the window is started with.
    clsINI Settings() const { return clsINI(IniPath()); }
    QString LogPath() const { return QString::fromStdString(m_tree.Path("tvl.log")); }

    // Creates the window and shows it, which runs its load step.
    std::unique_ptr<frmMain> OpenWindow() {
        auto window = std::make_unique<frmMain>(Settings(), LogPath());
        window->show();
        return window;
    }

    // A control of `window` by its design name; fails the test when missing.
    template <class W = QWidget>
    static W* Control(frmMain& window, const char* name) {
        W* widget = window.findChild<W*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void WriteIni(const char* section, const char* key, const char* value) const {
        const std::string file = fileservice::Utf8Path(IniPath());
        WritePrivateProfileStringA(section, key, value, file.c_str());
    }

    QString ReadIni(const char* section, const char* key) const {
        const std::string file = fileservice::Utf8Path(IniPath());
        char buffer[255] = {};
        const auto count = GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, file.c_str());
        return QString::fromUtf8(buffer, static_cast<qsizetype>(count));
    }

    // Clicks the run button and returns once the window has told that the run ended (the run
    // goes on a thread of its own; its boxes are answered meanwhile by the test's timers).
    static void RunAndWait(frmMain& window) {
        QSignalSpy ended(&window, &frmMain::RunEnded);
        QTest::mouseClick(Control<QPushButton>(window, "cmdRun"), Qt::LeftButton);
        EXPECT_TRUE(!ended.isEmpty() || ended.wait(120000)) << "the run did not end";
    }

    // True when some message box is open.
    static bool MessageBoxOpen() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(top) && top->isVisible()) return true;
        }
        return false;
    }

    TempTree m_tree;
};
