#pragma once

// The real main window offscreen, with its settings and log file in a temporary folder,
// as the window's own tests have it; paths as the fault helpers take them.

#include "MainWindowFixture.h"
#include "FaultHelpers.h"

#include <QComboBox>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

class WindowFixture : public MainWindowFixture, public ::testing::Test {
protected:
    std::string IniPath() const { return m_tree.Path("tvl.ini"); }
    std::string LogPath() const { return m_tree.Path("tvl.log"); }

    // Shows the window (its load step) and fills the profile list, as the start-up does.
    std::unique_ptr<frmMain> Open();

    static QStringList StatusLines(frmMain& window);
    // The status lines without their time.
    static QStringList StatusMessages(frmMain& window);
    static QStringList ProfileNames(frmMain& window);
    static void Click(frmMain& window, const char* button);
    // Points the directory lists at src/ and dst/ and sets the copy-every-file mode.
    void PrepareRun(frmMain& window);
};
