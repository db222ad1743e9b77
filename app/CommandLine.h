// The window program's command line: an optional file name to open at start-up, --help and
// --version. Qt's own options (-platform, -display and the like) are taken out by
// QApplication before the file name is looked for.
#pragma once

#include <QString>
#include <QStringList>

struct SCommandLine {
    enum class EAction { Run, Help, Version, Error };
    EAction eAction = EAction::Run;
    QString strFileName;  // empty: start with an empty log
    QString strError;     // for Error: what was wrong
};

// arguments without the program's name. --help wins over --version, both over any error, so
// that they can be answered before the window system is reached. "--" ends the options.
SCommandLine ParseCommandLine(const QStringList& arguments);

QString CommandLineHelp();
QString CommandLineVersion();
