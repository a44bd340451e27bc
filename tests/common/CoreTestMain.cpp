// Entry point of the tests without widgets: the application object the Qt code beneath
// the window expects (program folder, event loop), and nothing of the GUI.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
