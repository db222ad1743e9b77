// The Database window on a folder a known batch made: its table, a damaged folder, Delete and
// Rename checked with the database object afterwards; and the price chart drawing known series
// inside its plot.
#include "AppTests.h"

#include "app/DatabaseWindow.h"
#include "app/PriceChart.h"
#include "engine/BatchConverter.h"
#include "engine/Wording.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/MemoryStore.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>

class TestDatabaseWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CRecordingMessageBox m_messages;

    // IBM (3 bars), MSFT (2) and AAPL (1), symbols from the file names, in a new folder.
    QString MakeDatabase(const QString& strName) const {
        const QString folder = m_dir.filePath(strName);
        std::vector<std::string> files;
        for (const auto& [pszName, nBars] : {std::pair{"ibm", 3}, std::pair{"msft", 2}, std::pair{"aapl", 1}}) {
            const QByteArray bars = "2023-01-03,10,12,9,11,100\n2023-01-04,10,12,9,11,100\n2023-01-05,10,12,9,11,100\n";
            files.push_back(m_dir.filePath(QLatin1String(pszName) + ".csv").toStdString());
            WriteBytes(QString::fromStdString(files.back()), bars.left(26 * nBars));
        }
        SConversion conversion;
        conversion.layout.dateFormat = EDateFormat::CCYY_MM_DD;
        conversion.layout.fieldCol[kFieldOpenInterest] = kNoColumn;
        conversion.output.strFolder = folder.toStdString();
        conversion.output.mode = EMasterMode::MakeNew;
        CRecordingMessageBox messages;
        CMemoryStore store;
        CBatchConverter batch(GetSystemFileSystem(), messages, store, WindowWording());
        return QDir().mkpath(folder) && batch.Run(conversion, files, true) == 0 ? folder : QString();
    }

    // "SYMBOL:Name" of every security, as the database object reads the folder.
    QStringList Stored(const QString& strFolder) {
        CDatabase database(GetSystemFileSystem(), m_messages, Utf8Path(strFolder.toStdString()));
        std::string strError;
        QStringList securities;
        for (const SSecurity& security : database.Read(strError) ? database.Securities() : std::vector<SSecurity>()) {
            securities << QString::fromStdString(security.strSymbol + ":" + security.strName);
        }
        return securities;
    }

private slots:
    void init() { m_messages.Clear(); }

    void listsTheFolder() {
        const QString folder = MakeDatabase(QStringLiteral("list"));
        CDatabaseWindow window(m_messages);
        window.ShowFolder(folder, QStringLiteral("msft"));
        window.show();
        auto& table = *window.findChild<QTableWidget*>();
        QCOMPARE(TableRows(table), QStringList({"IBM|IBM|2023-01-03|2023-01-05|3|F1.DAT",
                                           "MSFT|MSFT|2023-01-03|2023-01-04|2|F2.DAT",
                                           "AAPL|AAPL|2023-01-03|2023-01-03|1|F3.DAT"}));
        QCOMPARE(table.selectedItems().value(0)->text(), QStringLiteral("MSFT"));
        QVERIFY(window.findChild<QPushButton*>("deleteButton")->isEnabled());
        QVERIFY(!window.findChild<CPriceChart*>()->PlotRect().isEmpty());

        // A damaged folder is shown with its damage, and offers no change.
        QFile master(folder + "/MASTER");
        QVERIFY(master.open(QIODevice::Append) && master.write("partial") == 7);
        master.close();
        window.ShowFolder(folder);
        QVERIFY(window.findChild<QLabel*>("statusLabel")->text().contains(QStringLiteral("damaged")));
        QVERIFY(!window.findChild<QPushButton*>("deleteButton")->isEnabled());
        QVERIFY(!window.findChild<QPushButton*>("renameButton")->isEnabled());
    }

    void changes_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("typed");  // into the Rename dialog, then OK
        QTest::addColumn<int>("answer");         // to the question asked; -1: none
        QTest::addColumn<QString>("message");    // the first message as it begins; "@" the folder
        QTest::addColumn<QStringList>("stored"); // of the folder afterwards
        QTest::addColumn<QString>("after");      // the selection, and "|" the symbol of a Rename dialog kept open
        const QStringList all{"IBM:IBM", "MSFT:MSFT", "AAPL:AAPL"};
        QTest::newRow("delete") << "deleteButton" << QStringList() << int(EMessageAnswer::Yes)
                                << "Delete MSFT (MSFT) from @?\n\nIts entry and its data files (F2.DAT, F2.DOP)"
                                << QStringList{"IBM:IBM", "AAPL:AAPL"} << "IBM";
        QTest::newRow("delete, answered no") << "deleteButton" << QStringList() << int(EMessageAnswer::No)
                                             << "Delete MSFT" << all << "MSFT";
        QTest::newRow("rename") << "renameButton" << QStringList{"symbolEdit= msft2 ", "nameEdit=Microsoft"} << -1
                                << "" << QStringList{"IBM:IBM", "MSFT2:Microsoft", "AAPL:AAPL"} << "MSFT2";
        QTest::newRow("rename to a symbol in use")
            << "renameButton" << QStringList{"symbolEdit=ibm"} << -1
            << "IBM is already a symbol or name in this folder (or a folder below it).\n\nDuplicate Symbol Failure" << all
            << "MSFT|ibm";
        QTest::newRow("rename to no symbol") << "renameButton" << QStringList{"symbolEdit= "} << -1
                                             << "You did not enter a valid symbol" << all << "MSFT| ";
    }

    void changes() {
        QFETCH(QString, button);
        QFETCH(QStringList, typed);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);
        QFETCH(QString, after);
        const QString folder = MakeDatabase(QString::fromLatin1(QTest::currentDataTag()));
        CDatabaseWindow window(m_messages);
        window.ShowFolder(folder, QStringLiteral("MSFT"));
        if (answer >= 0) {
            m_messages.QueueAnswer(static_cast<EMessageAnswer>(answer));
        }
        QString kept;
        CModalAnswerer answerer({[&](QDialog& dlg) {
            SetControls(dlg, typed);
            dlg.accept();
            // Refused: the dialog stays as typed, the focus on the symbol, for a correction that
            // does not come.
            if (auto* pSymbol = dlg.findChild<QLineEdit*>("symbolEdit"); dlg.isVisible()) {
                kept = u'|' + (dlg.focusWidget() == pSymbol ? pSymbol->text() : QStringLiteral("(focus elsewhere)"));
                dlg.reject();
            }
        }});
        ClickButton(window, qPrintable(button));
        QCOMPARE(answerer.Count(), typed.isEmpty() ? 0 : 1);
        const QString shown = QString::fromStdString(m_messages.Texts().empty() ? "" : m_messages.Texts().front());
        QVERIFY2(shown.startsWith(QString(message).replace(u'@', folder)), qPrintable(shown));
        QCOMPARE(Stored(folder), stored);
        const auto& table = *window.findChild<QTableWidget*>();
        QCOMPARE(TableRows(table).size(), stored.size());
        QCOMPARE(table.selectedItems().value(0)->text() + kept, after);
    }

    void chart_data() {
        QTest::addColumn<int>("bars");
        QTest::addColumn<double>("jump"); // the close of the middle bar times this
        QTest::addColumn<bool>("drawsBars");
        QTest::newRow("a line of many bars") << 2000 << 1.0 << false;
        QTest::newRow("bars where there is room") << 40 << 1.0 << true;
        QTest::newRow("a lost decimal") << 200 << 100.0 << false;
        QTest::newRow("one bar") << 1 << 1.0 << true;
    }

    // Price pixels exist, lie within the plot, and reach across it and from bottom to top.
    void chart() {
        QFETCH(int, bars);
        QFETCH(double, jump);
        QFETCH(bool, drawsBars);
        SSecurityBars series;
        series.fields = {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose};
        for (int i = 0; i < bars; ++i) {
            SBarValues& bar = series.bars.emplace_back();
            bar.nDate = 1000101 + (i / 28) % 12 * 100 + i % 28 + i / 336 * 10000;
            const float fClose = static_cast<float>(20 + 5 * std::sin(i / 7.0)) * (i == bars / 2 ? jump : 1);
            bar.values[kFieldOpen] = bar.values[kFieldClose] = fClose;
            bar.values[kFieldHigh] = fClose + 1;
            bar.values[kFieldLow] = fClose - 1;
        }
        CPriceChart chart;
        chart.resize(600, 300);
        chart.SetBars(series, QStringLiteral("TEST"));
        QCOMPARE(chart.DrawsBars(), drawsBars);
        const QImage image = chart.grab().toImage();
        const QRect plot = chart.PlotRect();
        QRect painted;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                if (colour.blue() > colour.red() + 60) {
                    painted |= QRect(x, y, 1, 1);
                }
            }
        }
        QVERIFY(plot.contains(painted));
        QVERIFY(painted.height() > plot.height() * 8 / 10);
        QVERIFY(bars == 1 || painted.width() > plot.width() * 9 / 10);
    }
};

int RunDatabaseWindowTests(int argc, char** argv) {
    TestDatabaseWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "DatabaseWindowTest.moc"
