// Entry point of the tests that drive real widgets: a QApplication on the offscreen
// platform, so that they run without a display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Must be set before the QApplication exists; gtest discovery runs this binary too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
