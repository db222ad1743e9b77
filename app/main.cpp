// pelmar: the window program. Parses the command line, starts the application object and
// runs the event loop until the main window closes.
#include "app/CommandLine.h"
#include "app/PelmarApp.h"
#include "app/Resource.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

} // namespace

int main(int argc, char** argv) {
    // Help and version are answered before the window system is asked for, so that they
    // work in a terminal without a display.
    const SCommandLine early = ParseCommandLine(Arguments(argc, argv));
    if (early.eAction == SCommandLine::EAction::Help) {
        std::fputs(CommandLineHelp().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.eAction == SCommandLine::EAction::Version) {
        std::fputs(CommandLineVersion().toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmar"));
    QApplication::setApplicationVersion(CommandLineVersion().section(QLatin1Char(' '), 1).trimmed());
    // Wayland finds the window's icon and name through the desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral("pelmar"));
    InitPelmarResources();
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(kMainIconResource)));

    const SCommandLine commandLine = ParseCommandLine(Arguments(argc, argv));
    if (commandLine.eAction == SCommandLine::EAction::Error) {
        std::fprintf(stderr, "pelmar: %s\nTry 'pelmar --help'.\n", commandLine.strError.toLocal8Bit().constData());
        return 2;
    }

    CPelmarApp app;
    if (!app.InitInstance(commandLine.strFileName)) {
        app.ExitInstance();
        return 1;
    }
    QApplication::exec();
    return app.ExitInstance();
}
