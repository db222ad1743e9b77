// Times the Database window listing a folder against a floor in the same run:
//
//   database-window-open DIR [REPEATS]
//
// Floor: the folder's directory files read once (CDatabase::Read), which any listing needs.
// Measured: CDatabaseWindow::ShowFolder on DIR until the window has painted, in a window that
// is already open. Prints the median of REPEATS runs (default 9) of each, in milliseconds, and
// their ratio. A full folder to try it on (6,000 securities of 250 bars):
//
//   for i in $(seq -w 0 5999); do build/bench/generate-prices 250 prices/S$i.csv --seed $i; done
//   build/pelmar-cli convert prices/*.csv --out full --new-master --date-format MM_DD_CCYY
//       --skip-rows 1 --reverse     (one command line)
#include "app/DatabaseWindow.h"
#include "metastock/Database.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: database-window-open DIR [REPEATS]\n", stderr);
        return 2;
    }
    const int nRepeats = argc == 3 ? std::max(1, std::atoi(argv[2])) : 9;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    CRecordingMessageBox messages;

    std::vector<double> floors;
    std::vector<double> opens;
    std::size_t nSecurities = 0;
    CDatabaseWindow window(messages);
    window.show();
    QApplication::processEvents();
    for (int i = 0; i < nRepeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        CDatabase database(GetSystemFileSystem(), messages, Utf8Path(folder.toStdString()));
        std::string strError;
        if (!database.Read(strError)) {
            std::fprintf(stderr, "database-window-open: %s\n", strError.c_str());
            return 1;
        }
        nSecurities = database.Securities().size();
        floors.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        timer.restart();
        window.ShowFolder(folder);
        window.repaint();
        opens.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    const double fFloor = Median(floors);
    const double fOpen = Median(opens);
    std::printf("Database window, %zu securities: %.1f ms to list and paint; floor (directory files read) %.1f ms; "
                "ratio %.1f\n",
                nSecurities, fOpen, fFloor, fOpen / fFloor);
    return 0;
}
