// pelmar: the window program. Answers --help and --version, starts the application object
// with the file named on the command line, and runs the event loop until the window closes.
#include "app/PelmarApp.h"

#include "settings/Profile.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kHelp[] =
    "Usage: pelmar [FILE]\n"
    "Converts historical price data in text files into MetaStock databases.\n"
    "\n"
    "Opens the Pelmar window. With FILE, that file is opened at once: the window shows its\n"
    "first ten lines and the Conversion Settings dialog asks how to convert it.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Qt's own options (-platform, -display, ...) are accepted as well. For scripts, see\n"
    "pelmar-cli --help.\n";

} // namespace

int main(int argc, char** argv) {
    // Answered before the window system is reached, so that they work without a display.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("pelmar " PELMAR_VERSION);
            return 0;
        }
    }

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(kOrganisationName));
    QApplication::setApplicationName(QStringLiteral("Pelmar"));
    QApplication::setApplicationVersion(QStringLiteral(PELMAR_VERSION));
    // Wayland finds the window's icon and name through the desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral("pelmar"));

    // QApplication has taken its own options out of the arguments.
    QString fileName;
    bool bOptionsEnded = false;
    for (const QString& argument : QApplication::arguments().mid(1)) {
        QString problem;
        if (!bOptionsEnded && argument == QLatin1String("--")) {
            bOptionsEnded = true;
        } else if (!bOptionsEnded && argument.size() > 1 && argument.startsWith(u'-')) {
            problem = QStringLiteral("unknown option '%1'").arg(argument);
        } else if (fileName.isEmpty()) {
            fileName = argument;
        } else {
            problem = QStringLiteral("one file at a time: '%1' after '%2'").arg(argument, fileName);
        }
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "pelmar: %s\nTry 'pelmar --help'.\n", qUtf8Printable(problem));
            return 2;
        }
    }

    CPelmarApp app;
    app.InitInstance(fileName);
    return QApplication::exec();
}
