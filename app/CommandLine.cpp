#include "app/CommandLine.h"

#ifndef PELMAR_VERSION
#define PELMAR_VERSION "1.7"
#endif

SCommandLine ParseCommandLine(const QStringList& arguments) {
    SCommandLine result;
    bool bHelp = false;
    bool bVersion = false;
    bool bOptionsEnded = false;
    for (const QString& argument : arguments) {
        const bool bOption = !bOptionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1;
        if (bOption && argument == QLatin1String("--")) {
            bOptionsEnded = true;
        } else if (bOption && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            bHelp = true;
        } else if (bOption && argument == QLatin1String("--version")) {
            bVersion = true;
        } else if (bOption) {
            if (result.strError.isEmpty()) {
                result.strError = QStringLiteral("unknown option '%1'").arg(argument);
            }
        } else if (result.strFileName.isEmpty()) {
            result.strFileName = argument;
        } else if (result.strError.isEmpty()) {
            result.strError = QStringLiteral("one file at a time: '%1' after '%2'").arg(argument, result.strFileName);
        }
    }
    if (bHelp) {
        result.eAction = SCommandLine::EAction::Help;
    } else if (bVersion) {
        result.eAction = SCommandLine::EAction::Version;
    } else if (!result.strError.isEmpty()) {
        result.eAction = SCommandLine::EAction::Error;
    }
    return result;
}

QString CommandLineHelp() {
    return QStringLiteral(
        "Usage: pelmar [FILE]\n"
        "Converts historical price data in text files into MetaStock databases.\n"
        "\n"
        "Opens the Pelmar window. With FILE, that file is opened at once: the log shows its\n"
        "first ten lines and the Conversion Settings dialog asks how to convert it.\n"
        "\n"
        "Options:\n"
        "  -h, --help     show this help and exit\n"
        "      --version  show the version and exit\n"
        "\n"
        "Qt's own options (-platform, -display, ...) are accepted as well.\n"
        "Settings are kept in $XDG_CONFIG_HOME/Veldrin Software/Pelmar.conf (default ~/.config),\n"
        "the recent files in $XDG_CONFIG_HOME/Pelmar.INI. For scripts, see pelmar-cli --help.\n");
}

QString CommandLineVersion() {
    return QStringLiteral("pelmar " PELMAR_VERSION "\n");
}
