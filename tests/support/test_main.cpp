// Test main: a GUI application on the offscreen platform, so that image,
// font, network and event-loop code runs as it does in the program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every test process gets a home of its own: ctest runs them side by side,
    // and the program's folders (data, cache, temporary files, the NMEA debug
    // log) must not be shared between them or with the real user.
    QTemporaryDir home(QDir::tempPath() + "/orvanta-test-home-XXXXXX");
    if (home.isValid()) {
        qputenv("HOME", home.path().toUtf8());
        for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "TEMP"})
            qunsetenv(name);
    }
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName("OrvantaTests");
    QCoreApplication::setApplicationName("default");
    QStandardPaths::setTestModeEnabled(true);
    return RUN_ALL_TESTS();
}
