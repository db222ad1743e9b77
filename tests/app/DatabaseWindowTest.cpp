// The Database window on a folder a known batch made: its list, found and sorted, a damaged
// folder, Delete and Rename checked with the database object afterwards, Repair of a folder
// damaged in each of the usual ways; a folder of daily,
// weekly, monthly and intraday securities as other software writes it, with each period
// listed and intraday bars charted by the hour; and the price chart drawing known series
// inside its plot, with its dates under it.
#include "AppTests.h"

#include "app/DatabaseWindow.h"
#include "app/PriceChart.h"
#include "app/SecurityListModel.h"
#include "engine/BatchConverter.h"
#include "engine/Wording.h"
#include "metastock/Dates.h"
#include "metastock/Mbf.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/MasterBuilder.h"
#include "tests/support/MemoryStore.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>

#include <cmath>

class TestDatabaseWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CRecordingMessageBox m_messages;

    // A new folder of one security per (file name, bars), symbols from the file names, in
    // that order; bars from 2023-01-03 on, a day apart.
    QString MakeDatabase(const QString& strName, const std::vector<std::pair<QString, int>>& securities) const {
        const QString folder = m_dir.filePath(strName);
        std::vector<std::string> files;
        for (const auto& [name, nBars] : securities) {
            QByteArray bars;
            for (int i = 0; i < nBars; ++i) {
                bars += QStringLiteral("2023-01-%1,10,12,9,11,100\n").arg(3 + i, 2, 10, QChar(u'0')).toLatin1();
            }
            files.push_back(m_dir.filePath(name + ".csv").toStdString());
            WriteBytes(QString::fromStdString(files.back()), bars);
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
    // IBM (3 bars), MSFT (2) and AAPL (1).
    QString MakeDatabase(const QString& strName) const {
        return MakeDatabase(strName, {{"ibm", 3}, {"msft", 2}, {"aapl", 1}});
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

    // Every file of a folder with its bytes.
    static QMap<QString, QByteArray> Files(const QString& strFolder) {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(strFolder).entryList(QDir::Files)) {
            QFile file(strFolder + u'/' + name);
            files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)"));
        }
        return files;
    }

    // The symbol of the row selected; empty when none is.
    static QString Selected(QWidget& window) {
        const auto* pTable = window.findChild<QTableView*>();
        return pTable->selectionModel()->selectedRows().value(0).data().toString();
    }

private slots:
    void init() { m_messages.Clear(); }

    void listsTheFolder() {
        const QString folder = MakeDatabase(QStringLiteral("list"));
        CDatabaseWindow window(m_messages);
        window.ShowFolder(folder, QStringLiteral("msft"));
        window.show();
        auto& table = *window.findChild<QTableView*>();
        QCOMPARE(ModelRows(*table.model()), QStringList({"IBM|IBM|D|2023-01-03|2023-01-05|3|F1.DAT",
                                                         "MSFT|MSFT|D|2023-01-03|2023-01-04|2|F2.DAT",
                                                         "AAPL|AAPL|D|2023-01-03|2023-01-03|1|F3.DAT"}));
        QCOMPARE(Selected(window), QStringLiteral("MSFT"));
        // The list takes the window's height beside the chart.
        QVERIFY2(table.height() > window.height() * 7 / 10, qPrintable(QString::number(table.height())));
        QVERIFY(window.findChild<QPushButton*>("deleteButton")->isEnabled());
        QVERIFY(!window.findChild<CPriceChart*>()->PlotRect().isEmpty());

        // A data file cut inside its header: its count cannot be told, and the chart says why.
        QVERIFY(QFile::resize(folder + "/F3.DAT", 3));
        window.ShowFolder(folder, QStringLiteral("AAPL"));
        const QModelIndex bars = table.model()->index(2, CSecurityListModel::kBarsColumn);
        QCOMPARE(bars.data().toString(), QStringLiteral("unreadable"));
        QVERIFY(!bars.data(Qt::ToolTipRole).toString().isEmpty());
        QVERIFY(window.findChild<CPriceChart*>()->PlotRect().isEmpty());

        // A damaged folder is shown with its damage, and offers no change.
        QFile master(folder + "/MASTER");
        QVERIFY(master.open(QIODevice::Append) && master.write("partial") == 7);
        master.close();
        window.ShowFolder(folder);
        QVERIFY(window.findChild<QLabel*>("statusLabel")->text().contains(QStringLiteral("damaged")));
        QVERIFY(!window.findChild<QPushButton*>("deleteButton")->isEnabled());
        QVERIFY(!window.findChild<QPushButton*>("renameButton")->isEnabled());
        QVERIFY(window.findChild<QPushButton*>("repairButton")->isEnabled());
        // A folder without a database has nothing to repair.
        window.ShowFolder(m_dir.path());
        QVERIFY(!window.findChild<QPushButton*>("repairButton")->isEnabled());
    }

    void findAndSort_data() {
        QTest::addColumn<QString>("select");  // chosen before anything else; empty: none
        QTest::addColumn<int>("sortColumn");  // its heading clicked; -1: none
        QTest::addColumn<int>("clicks");      // on that heading: 1 ascending, 2 descending
        QTest::addColumn<QString>("find");    // typed into Find
        QTest::addColumn<QString>("listed");  // the symbols as listed
        QTest::addColumn<QString>("shown");   // the count beside Find
        QTest::addColumn<QString>("selected");
        const QString all = "S12 S11 S10 S09 S08 S07 S06 S05 S04 S03 S02 S01";
        QTest::newRow("the directory files' order") << "" << -1 << 0 << "" << all << "" << "S12";
        // Counts and data files sorted as numbers: 2 before 10, F2 before F10.
        QTest::newRow("bars, fewest first") << "S10" << int(CSecurityListModel::kBarsColumn) << 1 << "" << "S09 S05 S12 S03 S07 S01 S10 S02 S06 S08 S04 S11"
                                            << "" << "S10";
        QTest::newRow("data files, last first") << "" << int(CSecurityListModel::kFileColumn) << 2 << "" << "S01 S02 S03 S04 S05 S06 S07 S08 S09 S10 S11 S12"
                                                << "" << "S12";
        QTest::newRow("symbols") << "" << 0 << 1 << "" << "S01 S02 S03 S04 S05 S06 S07 S08 S09 S10 S11 S12" << ""
                                 << "S12";
        QTest::newRow("found by symbol") << "" << -1 << 0 << "s1" << "S12 S11 S10" << "3 of 12" << "S12";
        QTest::newRow("found by name, any case") << "" << -1 << 0 << "SOFT" << "S05" << "1 of 12" << "S05";
        QTest::newRow("found and sorted") << "" << int(CSecurityListModel::kBarsColumn) << 1 << " s1 " << "S12 S10 S11" << "3 of 12" << "S12";
        QTest::newRow("the selection found stays") << "S11" << -1 << 0 << "s1" << "S12 S11 S10" << "3 of 12" << "S11";
        QTest::newRow("a selection not found moves") << "S05" << -1 << 0 << "s1" << "S12 S11 S10" << "3 of 12" << "S12";
        QTest::newRow("nothing found") << "S05" << -1 << 0 << "zz" << "" << "0 of 12" << "";
    }

    // Twelve securities whose symbols, file numbers and counts of bars each give another order.
    void findAndSort() {
        QFETCH(QString, select);
        QFETCH(int, sortColumn);
        QFETCH(int, clicks);
        QFETCH(QString, find);
        QFETCH(QString, listed);
        QFETCH(QString, shown);
        QFETCH(QString, selected);
        std::vector<std::pair<QString, int>> securities;
        const int bars[] = {3, 12, 7, 1, 10, 5, 9, 2, 11, 4, 8, 6};
        for (int i = 0; i < 12; ++i) {
            securities.emplace_back(QStringLiteral("s%1").arg(12 - i, 2, 10, QChar(u'0')), bars[i]);
        }
        const QString folder = MakeDatabase(QStringLiteral("find-%1").arg(QTest::currentDataTag()), securities);
        {
            CDatabase database(GetSystemFileSystem(), m_messages, Utf8Path(folder.toStdString()));
            std::string strError;
            QVERIFY(database.LockAndRead(strError));
            QVERIFY(database.RenameSecurity(*database.FindSecurity("S05"), "S05", "Microsoft", strError));
            QVERIFY(database.Commit(strError));
        }
        CDatabaseWindow window(m_messages);
        window.ShowFolder(folder, select);
        window.show();
        auto& table = *window.findChild<QTableView*>();
        QHeaderView& header = *table.horizontalHeader();
        for (int i = 0; i < clicks; ++i) {
            QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                              QPoint(header.sectionViewportPosition(sortColumn) + 4, header.height() / 2));
        }
        QTest::keyClicks(window.findChild<QLineEdit*>("filterEdit"), find);
        QStringList symbols;
        for (int nRow = 0; nRow < table.model()->rowCount(); ++nRow) {
            symbols << table.model()->index(nRow, 0).data().toString();
        }
        QCOMPARE(symbols.join(u' '), listed);
        QCOMPARE(window.findChild<QLabel*>("shownLabel")->text(), shown);
        QCOMPARE(Selected(window), selected);
        QCOMPARE(window.findChild<QPushButton*>("deleteButton")->isEnabled(), !selected.isEmpty());
        QCOMPARE(window.findChild<CPriceChart*>()->PlotRect().isEmpty(), selected.isEmpty());
        // Asked for a security that Find hides, the window shows it.
        window.ShowFolder(folder, QStringLiteral("S04"));
        QCOMPARE(Selected(window), QStringLiteral("S04"));
        QCOMPARE(window.findChild<QLineEdit*>("filterEdit")->text(), QString());
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
        QCOMPARE(window.findChild<QTableView*>()->model()->rowCount(), stored.size());
        QCOMPARE(Selected(window) + kept, after);
    }

    // A folder as other software writes it: a security of each period in MASTER, intraday ones
    // with their interval and 7 fields (the time after the date), each data file's bars given.
    void periods() {
        const QString folder = m_dir.filePath(QStringLiteral("periods"));
        QVERIFY(QDir().mkpath(folder));
        struct SSecurityDesc {
            const char* pszSymbol;
            std::uint8_t nPeriod;
            int nInterval;
            std::vector<std::vector<float>> bars;
        };
        // Two days of 5-minute bars, 09:30 to 16:00; an hour of 1-minute bars; daily, weekly
        // and monthly bars.
        std::vector<std::vector<float>> fiveMinutes;
        for (const float fDate : {1230901.0f, 1230905.0f}) {
            for (int nMinute = 9 * 60 + 30; nMinute <= 16 * 60; nMinute += 5) {
                const float fTime = static_cast<float>(nMinute / 60 * 10000 + nMinute % 60 * 100);
                const float fPrice = 100.0f + static_cast<float>(nMinute % 37);
                fiveMinutes.push_back({fDate, fTime, fPrice, fPrice + 1, fPrice - 1, fPrice, 500});
            }
        }
        std::vector<std::vector<float>> oneMinute;
        for (int nMinute = 0; nMinute < 60; ++nMinute) {
            oneMinute.push_back({1230901.0f, static_cast<float>(100000 + nMinute * 100), 5, 6, 4, 5, 10});
        }
        const std::vector<SSecurityDesc> securities = {
            {"DLY", 'D', 0, {{1230103, 10, 12, 9, 11, 100}, {1230104, 11, 13, 10, 12, 100}}},
            {"WKY", 'W', 0, {{1230106, 10, 12, 9, 11, 100}, {1230113, 11, 13, 10, 12, 100}}},
            {"MTH", 'M', 0, {{1230131, 10, 12, 9, 11, 100}, {1230228, 11, 13, 10, 12, 100}}},
            {"ES5", 'I', 5, fiveMinutes},
            {"ES1", 'I', 1, oneMinute},
        };
        CMasterBuilder master;
        int nFileNumber = 0;
        for (const SSecurityDesc& security : securities) {
            SEntryDesc entry;
            entry.nFileNumber = ++nFileNumber;
            entry.strSymbol = security.pszSymbol;
            entry.strName = security.pszSymbol;
            entry.nFieldCount = static_cast<int>(security.bars.front().size());
            entry.nTimeFrame = security.nPeriod;
            entry.nInterval = security.nInterval;
            entry.fFirstDate = security.bars.front().front();
            entry.fLastDate = security.bars.back().front();
            master.Security(entry);
            QVERIFY(WriteBytes(folder + QStringLiteral("/F%1.DAT").arg(nFileNumber),
                               QByteArray::fromStdString(MakeDataFileBytes(entry.nFieldCount, security.bars))));
        }
        QVERIFY(WriteBytes(folder + "/MASTER", QByteArray::fromStdString(master.Bytes())));

        CDatabaseWindow window(m_messages);
        window.resize(1000, 500);
        window.ShowFolder(folder, QStringLiteral("ES5"));
        window.show();
        auto& table = *window.findChild<QTableView*>();
        QCOMPARE(ModelRows(*table.model()), QStringList({"DLY|DLY|D|2023-01-03|2023-01-04|2|F1.DAT",
                                                         "WKY|WKY|W|2023-01-06|2023-01-13|2|F2.DAT",
                                                         "MTH|MTH|M|2023-01-31|2023-02-28|2|F3.DAT",
                                                         "ES5|ES5|I5|2023-09-01|2023-09-05|158|F4.DAT",
                                                         "ES1|ES1|I1|2023-09-01|2023-09-01|60|F5.DAT"}));
        QCOMPARE(table.model()->index(3, CSecurityListModel::kPeriodColumn).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Intraday bars of 5 minutes"));
        // By period: the letter, then the minutes.
        table.sortByColumn(CSecurityListModel::kPeriodColumn, Qt::AscendingOrder);
        QStringList periods;
        for (int nRow = 0; nRow < table.model()->rowCount(); ++nRow) {
            periods << table.model()->index(nRow, CSecurityListModel::kPeriodColumn).data().toString();
        }
        QCOMPARE(periods, QStringList({"D", "I1", "I5", "M", "W"}));

        // Intraday bars are charted by the hour, each day's first bar under its date; the title
        // gives the first and last time.
        const auto& chart = *window.findChild<CPriceChart*>();
        QVERIFY2(chart.AxisLabels().contains(QStringLiteral("2023-09-05")), qPrintable(chart.AxisLabels().join(u' ')));
        QStringList hours = chart.AxisLabels();
        hours.removeAll(QStringLiteral("2023-09-05"));
        QVERIFY(hours.size() >= 2);
        for (const QString& hour : std::as_const(hours)) {
            QVERIFY2(QRegularExpression(QStringLiteral("^(09|1[0-6]):00$")).match(hour).hasMatch(), qPrintable(hour));
        }
        // An hour of 1-minute bars: steps of a few minutes within it.
        window.ShowFolder(folder, QStringLiteral("ES1"));
        QVERIFY(chart.AxisLabels().size() >= 2);
        for (const QString& minute : chart.AxisLabels()) {
            QVERIFY2(QRegularExpression(QStringLiteral("^10:[1-5][05]$")).match(minute).hasMatch(), qPrintable(minute));
        }
        window.ShowFolder(folder, QStringLiteral("WKY"));
        QVERIFY(!chart.AxisLabels().join(u' ').contains(u':'));
    }

    void repair_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("answer");       // to the question; -1: none is asked
        QTest::addColumn<QString>("question");  // what the question says the repair changes
        QTest::addColumn<QStringList>("stored"); // "SYMBOL:bars" of the folder afterwards
        QTest::addColumn<QStringList>("kept");   // the directory files replaced, kept aside
        const QStringList all{"IBM:3", "MSFT:2", "AAPL:1"};
        const int yes = int(EMessageAnswer::Yes);
        QTest::newRow("a text XMASTER") << "xmaster" << yes << "XMASTER: not an XMASTER" << all
                                        << QStringList{"XMASTER.pelmar-old"};
        QTest::newRow("a data file cut in a record") << "cut" << yes << "F2.DAT: 3 bytes" << all << QStringList();
        QTest::newRow("a missing EMASTER record") << "emaster" << yes << "EMASTER: the record of file number 3 (AAPL)"
                                                  << all << QStringList{"EMASTER.pelmar-old"};
        QTest::newRow("a wrong last date") << "date" << yes << "MASTER record 2 (MSFT): dates" << all
                                           << QStringList{"MASTER.pelmar-old"};
        QTest::newRow("an orphan data file") << "orphan" << yes << "F300.MWD: no directory file listed it"
                                             << all + QStringList{"F300:3"} << QStringList();
        QTest::newRow("answered no") << "xmaster" << int(EMessageAnswer::No) << "XMASTER" << QStringList() << QStringList();
        QTest::newRow("a sound folder") << "" << -1 << "" << all << QStringList();
    }

    // Repair of a folder damaged in one way: it says what it changes and asks; after Yes the
    // folder checks clean and every bar is there, after No every file is as it was.
    void repair() {
        QFETCH(QString, damage);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, kept);
        const QString folder = MakeDatabase(QStringLiteral("repair-%1").arg(QTest::currentDataTag()));
        const auto append = [](const QString& strPath, const QByteArray& bytes) {
            QFile file(strPath);
            return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
        };
        if (damage == "xmaster") {
            QVERIFY(WriteBytes(folder + "/XMASTER", "broken file\n"));
        } else if (damage == "cut") {
            QVERIFY(append(folder + "/F2.DAT", "abc"));
        } else if (damage == "emaster") {
            QVERIFY(QFile::resize(folder + "/EMASTER", QFileInfo(folder + "/EMASTER").size() - 192));
        } else if (damage == "date") {
            QFile master(folder + "/MASTER");
            const MbfSingle date = EncodeMbf(1230301.0f);
            QVERIFY(master.open(QIODevice::ReadWrite) && master.seek(2 * 53 + 29) &&
                    master.write(reinterpret_cast<const char*>(date.data()), 4) == 4);
        } else if (damage == "orphan") {
            QVERIFY(QFile::copy(folder + "/F1.DAT", folder + "/F300.MWD"));
        }
        const QMap<QString, QByteArray> before = Files(folder);
        CDatabaseWindow window(m_messages);
        window.ShowFolder(folder, QStringLiteral("MSFT"));
        if (answer >= 0) {
            m_messages.QueueAnswer(static_cast<EMessageAnswer>(answer));
        }
        ClickButton(window, "repairButton");
        const std::vector<std::string> texts = m_messages.Texts();
        QCOMPARE(texts.size(), std::size_t(answer == int(EMessageAnswer::No) ? 1 : answer >= 0 ? 2 : 1));
        if (answer < 0) {
            QCOMPARE(QString::fromStdString(texts.front()), folder + " needs no repair.");
            QCOMPARE(Files(folder), before);
            return;
        }
        const QString asked = QString::fromStdString(texts.front());
        QVERIFY2(asked.startsWith("The repair of " + folder + " changes:\n\n\u2022 ") && asked.contains(question) &&
                     asked.endsWith("Repair the folder?"),
                 qPrintable(asked));
        QCOMPARE(m_messages.Shown().front().buttons, EMessageButtons::YesNo);
        if (answer == int(EMessageAnswer::No)) {
            QCOMPARE(Files(folder), before);
            return;
        }
        QVERIFY2(QString::fromStdString(texts.back()).startsWith(folder + " is repaired"), texts.back().c_str());
        CDatabase database(GetSystemFileSystem(), m_messages, Utf8Path(folder.toStdString()));
        std::string strError;
        QVERIFY(database.Read(strError));
        QCOMPARE(database.Damage(), std::vector<std::string>());
        QCOMPARE(database.Check(), std::vector<std::string>());
        QStringList bars;
        for (const SSecurity& security : database.Securities()) {
            const auto read = database.ReadBars(security, strError);
            bars << QString::fromStdString(security.strSymbol) + u':' + (read ? QString::number(read->bars.size()) : "none");
        }
        QCOMPARE(bars, stored);
        QCOMPARE(QDir(folder).entryList({"*.pelmar-old"}), kept);
        // The window lists the repaired folder, the same security chosen, and offers changes.
        QCOMPARE(Selected(window), QStringLiteral("MSFT"));
        QVERIFY(window.findChild<QPushButton*>("deleteButton")->isEnabled());
        QVERIFY(!window.findChild<QLabel*>("statusLabel")->text().contains("damaged"));
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

    void dateLabels_data() {
        QTest::addColumn<int>("firstDate"); // date value of the first bar, then a bar a day
        QTest::addColumn<int>("bars");
        QTest::newRow("a month begins at the second bar") << 1000131 << 40;
        QTest::newRow("days of one month and the next") << 1000101 << 32;
        QTest::newRow("two years of days") << 1000101 << 700;
        QTest::newRow("one bar") << 1000115 << 1;
    }

    // The dates stand under the plot, within its width: none under the prices' labels or past
    // the plot's right side.
    void dateLabels() {
        QFETCH(int, firstDate);
        QFETCH(int, bars);
        SSecurityBars series;
        series.fields = {kFieldDate, kFieldClose};
        SDate date = DateOfValue(firstDate);
        for (int i = 0; i < bars; ++i) {
            SBarValues& bar = series.bars.emplace_back();
            bar.nDate = *DateValueOf(date.nYear, date.nMonth, date.nDay);
            bar.values[kFieldClose] = static_cast<float>(100 + i % 17);
            if (++date.nDay > DaysInMonth(date.nYear, date.nMonth)) {
                date.nDay = 1;
                date.nYear += date.nMonth / 12;
                date.nMonth = date.nMonth % 12 + 1;
            }
        }
        CPriceChart chart;
        chart.resize(520, 260);
        chart.SetBars(series, QStringLiteral("TEST"));
        const QImage image = chart.grab().toImage();
        const QRect plot = chart.PlotRect();
        // Below the lowest price label's reach; what is dark there is a date's text.
        QRect dates;
        for (int y = plot.bottom() + chart.fontMetrics().lineSpacing() / 2 + 2; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    dates |= QRect(x, y, 1, 1);
                }
            }
        }
        QVERIFY(!dates.isEmpty());
        QVERIFY2(dates.left() >= plot.left() && dates.right() <= plot.right(),
                 qPrintable(QStringLiteral("dates %1-%2, plot %3-%4")
                                .arg(dates.left()).arg(dates.right()).arg(plot.left()).arg(plot.right())));
    }
};

int RunDatabaseWindowTests(int argc, char** argv) {
    TestDatabaseWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "DatabaseWindowTest.moc"
