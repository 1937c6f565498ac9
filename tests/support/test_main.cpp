// Test main: a GUI application on the offscreen platform, so that image,
// font, network and event-loop code runs as it does in the program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStandardPaths>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName("OrvantaTests");
    QCoreApplication::setApplicationName("default");
    // Keeps the in-process tests' settings and data out of the real user folders.
    QStandardPaths::setTestModeEnabled(true);
    return RUN_ALL_TESTS();
}
