// The window tests: every test class in turn, offscreen, with XDG_CONFIG_HOME (and the cache
// and runtime directories) pointed at a directory of their own before Qt first looks there.
#include "AppTests.h"

#include <QTemporaryDir>

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    int nFailed = 0;
    for (const auto run : {&RunSettingsDlgTests, &RunChooseDirTests, &RunMainWindowTests, &RunDatabaseWindowTests}) {
        nFailed += run(argc, argv);
    }
    return nFailed == 0 ? 0 : 1;
}
