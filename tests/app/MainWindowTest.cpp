// The window program from start to end: the empty window, opening files (preview, a fresh
// start for each, files that cannot be opened, the recent files, the Open dialog), the
// window's place, conversion runs and batches and what they write into the log, the store and
// the database (what the preview showed, detection's doubts settled by the user, add or
// update, a folder without a database), the About box's links and the help page.
#include "AppTests.h"

#include "app/DatabaseWindow.h"
#include "app/MainFrame.h"
#include "app/SettingsDlg.h"
#include "app/PelmarApp.h"
#include "app/PelmarView.h"
#include "engine/JobSettings.h"
#include "app/StaticLink.h"
#include "engine/BarReader.h"
#include "metastock/Database.h"
#include "metastock/Dates.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "settings/Profile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTableView>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <memory>

namespace {

// Receives the addresses the About box's links open, instead of a browser.
class CUrlRecorder : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { m_urls << url.toString(); }

public:
    QStringList m_urls;
};

QString PreviewHeader(const QString& strPath) {
    return QStringLiteral("To help you with the conversion settings, your file...\n\n\t%1\n\nlooks like this...\n\n")
        .arg(QDir::toNativeSeparators(strPath));
}

const QByteArray kGoodPrices = "Date,Open,High,Low,Close,Volume\n"
                               "01/03/2023,91.5,92.0,90.1,91.6,120000\n"
                               "01/04/2023,91.6,93.0,91.0,92.8,130000\n";
const QByteArray kBadPrices = kGoodPrices + "01/05/2023,N/A,93.0,91.0,92.8,130000\n";

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CRecordingMessageBox m_messages;
    std::unique_ptr<CPelmarApp> m_pApp;

    CMainFrame& Start(const QString& strFile = QString()) {
        m_pApp = std::make_unique<CPelmarApp>(&m_messages);
        m_pApp->InitInstance(strFile);
        return *m_pApp->MainFrame();
    }
    QAction* Action(const char* pszName) const { return m_pApp->MainFrame()->findChild<QAction*>(pszName); }
    QString Log() const { return m_pApp->MainFrame()->GetView()->toPlainText(); }
    QString File(const QString& strName, const QByteArray& bytes) const {
        const QString path = m_dir.filePath(strName);
        return WriteBytes(path, bytes) ? path : QString();
    }
    // The bars of each security of a folder, a bar a text: "SYMBOL date|open|...", the values
    // as the preview shows them.
    QStringList StoredBars(const QString& strFolder) {
        CDatabase database(GetSystemFileSystem(), m_messages, Utf8Path(strFolder.toStdString()));
        std::string strError;
        QStringList bars;
        for (const SSecurity& security : database.Read(strError) ? database.Securities() : std::vector<SSecurity>()) {
            const auto read = database.ReadBars(security, strError);
            for (const SBarValues& bar : read ? read->bars : std::vector<SBarValues>()) {
                QStringList cells{QString::fromStdString(DateValueText(bar.nDate))};
                for (const int nField : read->fields) {
                    if (nField != kFieldDate && nField != kFieldTime) {
                        cells << QString::fromStdString(ValueText(bar.values[static_cast<std::size_t>(nField)]));
                    }
                }
                bars << QString::fromStdString(security.strSymbol) + u' ' + cells.join(u'|');
            }
        }
        return bars;
    }

private slots:
    void init() {
        Store().clear();
        m_messages.Clear();
    }
    void cleanup() {
        m_pApp.reset();
        for (QWidget* pWindow : QApplication::topLevelWidgets()) {
            QVERIFY2(!pWindow->isVisible(), pWindow->metaObject()->className());
        }
    }

    void fileThatCannotBeOpenedLeavesAnEmptyWindow() {
        const QString missing = m_dir.filePath(QStringLiteral("missing.csv"));
        CMainFrame& frame = Start(missing);
        QCOMPARE(m_messages.Texts(),
                 std::vector<std::string>{
                     QStringLiteral("Cannot open %1\n\nThe file does not exist.").arg(missing).toStdString()});
        QVERIFY(frame.isVisible());
        QVERIFY(Log().isEmpty());
        QVERIFY(frame.GetView()->placeholderText().contains(QStringLiteral("open a price file")));
        QVERIFY(!Action("actionSettings")->isEnabled());
        QVERIFY(frame.RecentFiles().isEmpty());
        QVERIFY(!m_pApp->OpenDocumentFile(m_dir.path()));
        QVERIFY(QString::fromStdString(m_messages.Texts().back())
                    .endsWith(QStringLiteral("This is a folder, not a file.")));
    }

    void preview_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QByteArray twelve;
        QString ten;
        for (int i = 1; i <= 12; ++i) {
            twelve += "line " + QByteArray::number(i) + "\n";
            ten += i <= 10 ? QStringLiteral("line %1\n").arg(i) : QString();
        }
        QTest::newRow("the first ten lines") << twelve << ten;
        QTest::newRow("CRLF, CR, no last break") << QByteArray("a,1\r\nb,2\rc") << "a,1\nb,2\nc\n";
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" "Caf\xC3\xA9,1\n") << QStringLiteral("Caf\u00E9,1\n");
        QTest::newRow("Windows code page") << QByteArray("Caf\xE9,1\n") << QStringLiteral("Caf\u00E9,1\n");
        QTest::newRow("empty file") << QByteArray() << "";
        // "\u2026" at the end: the log begins so.
        QTest::newRow("NUL after a good line") << QByteArray("x\nab\0cd\n", 8)
                                               << "x\nThe file is not plain text: line 2 holds a NUL byte\u2026";
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFE" "D", 3) << "The file is not plain text: it is UTF-16\u2026";
        QTest::newRow("long line") << QByteArray(600, 'x') + "\n" << QString(500, u'x') + " ...\n";
    }

    void preview() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString path = File(QStringLiteral("preview.txt"), bytes);
        QString logWhileAsked;
        CModalAnswerer answerer({[&](QDialog& dlg) {
            logWhileAsked = Log();
            dlg.reject();
        }});
        Start(path);
        QCOMPARE(answerer.Count(), 1);
        const QString expected = PreviewHeader(path) + shown;
        QVERIFY2(shown.endsWith(u'\u2026') ? logWhileAsked.startsWith(expected.chopped(1)) : logWhileAsked == expected,
                 qPrintable(logWhileAsked));
        QCOMPARE(Log(), logWhileAsked);
        QVERIFY(Action("actionSettings")->isEnabled());
        QVERIFY2(!Store().contains("Import/DateFormat"), "Cancel stores nothing");
    }

    void eachFileStartsFresh() {
        Store().setValue("Import/Symbol", "OLD");
        Store().setValue("Import/Name", "Old Company");
        Store().setValue("Import/PathOut", m_dir.path());
        Store().setValue("Import/SkipBad", "1");
        QStringList seen;
        const auto look = [&](QDialog& dlg) {
            seen << dlg.findChild<QLineEdit*>("symbolEdit")->text() + "|" +
                        dlg.findChild<QLineEdit*>("nameEdit")->text() + "|" +
                        dlg.findChild<QLineEdit*>("pathOutEdit")->text() + "|" + ControlValue(dlg, "skipBadCheck");
        };
        CModalAnswerer answerer({[&](QDialog& dlg) {
                                     look(dlg);
                                     SetControls(dlg, {"nameEdit=Berkshire", "pathOutEdit=" + m_dir.path() + "/x"});
                                     m_messages.QueueAnswer(EMessageAnswer::No);
                                     ClickButton(dlg, "okButton");
                                     dlg.reject();
                                 },
                                 look, look});
        Start(File(QStringLiteral("brk.b_2023 daily.csv"), kGoodPrices));
        m_pApp->OpenDocumentFile(File(QStringLiteral("(x).txt"), kGoodPrices));
        Action("actionSettings")->trigger();
        QCOMPARE(seen, QStringList({"BRK.B_2023||" + m_dir.path() + "|1", "||" + m_dir.path() + "|1",
                                    "||" + m_dir.path() + "|1"}));
    }

    void recentFiles() {
        CModalAnswerer answerer;
        Start();
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths.prepend(File(QStringLiteral("f%1.csv").arg(i), kGoodPrices));
            QVERIFY(m_pApp->OpenDocumentFile(paths.front()));
        }
        // The File menu's entries "&1 path" to "&4 path", newest first.
        const auto entries = [this] {
            QList<QAction*> found;
            for (QAction* pAction : m_pApp->MainFrame()->findChild<QMenu*>("menuFile")->actions()) {
                if (pAction->text().startsWith(u'&') && pAction->text().at(1).isDigit()) {
                    found << pAction;
                }
            }
            return found;
        };
        QCOMPARE(entries().size(), 4);
        QCOMPARE(entries()[3]->text(), "&4 " + QDir::toNativeSeparators(paths[3]));

        // The list outlives the run; an entry whose file is gone leaves it.
        QVERIFY(QFile::remove(paths[2]));
        m_pApp.reset();
        Start();
        QCOMPARE(m_pApp->MainFrame()->RecentFiles(), paths.mid(0, 4));
        entries()[2]->trigger();
        QTRY_COMPARE(m_pApp->MainFrame()->RecentFiles(), QStringList({paths[0], paths[1], paths[3]}));
        QVERIFY(QString::fromStdString(m_messages.Texts().back()).contains(QStringLiteral("does not exist")));
        QVERIFY(!Action("actionRecentFile")->isVisible());
    }

    void openDialogTakesSeveralPriceFiles() {
        CModalAnswerer answerer({[&](QDialog& dlg) {
            auto* pDialog = qobject_cast<QFileDialog*>(&dlg);
            QVERIFY(pDialog != nullptr && pDialog->fileMode() == QFileDialog::ExistingFiles);
            QCOMPARE(pDialog->nameFilters(), QStringList({"Price files (*.csv *.txt *.prn *.asc)", "All files (*)"}));
            dlg.reject();
        }});
        Start();
        Action("actionOpen")->trigger();
        QCOMPARE(answerer.Count(), 1);
    }

    void placement_data() {
        QTest::addColumn<QStringList>("stored"); // x, y, cx, cy
        QTest::addColumn<QRect>("expected");     // empty: the default place
        const QSize area = QGuiApplication::primaryScreen()->availableGeometry().size();
        QTest::newRow("stored place") << QStringList{"10", "20", "400", "300"} << QRect(10, 20, 400, 300);
        QTest::newRow("left edge at the width") << QStringList{QString::number(area.width()), "0", "400", "300"}
                                                << QRect(area.width(), 0, 400, 300);
        QTest::newRow("never stored") << QStringList() << QRect();
        QTest::newRow("no width") << QStringList{"10", "20", "0", "300"} << QRect();
        QTest::newRow("off the left") << QStringList{"-5", "20", "400", "300"} << QRect();
        QTest::newRow("not a number reads as 0") << QStringList{"ten", "20", "400", "300"} << QRect(0, 20, 400, 300);
    }

    void placement() {
        QFETCH(QStringList, stored);
        QFETCH(QRect, expected);
        const char* const keys[] = {"Screen/x", "Screen/y", "Screen/cx", "Screen/cy"};
        for (int i = 0; i < stored.size(); ++i) {
            Store().setValue(keys[i], stored[i]);
        }
        if (expected.isEmpty()) {
            const QSize area = QGuiApplication::primaryScreen()->availableGeometry().size();
            const QSize size = area * 85 / 100;
            expected = QRect(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
        }
        CProfile profile;
        profile.CreateKey();
        QRect closedAt;
        {
            CMainFrame frame(profile, m_messages);
            QCOMPARE(QRect(frame.pos(), frame.size()), expected);
            frame.show();
            frame.move(30, 40);
            closedAt = frame.frameGeometry();
            frame.close();
        }
        QCOMPARE(Store().value("Screen/x").toString(), QString::number(closedAt.x()));
        QCOMPARE(Store().value("Screen/cy").toString(), QString::number(closedAt.height()));
        // The saved geometry wins over the older values.
        Store().setValue("Screen/x", "0");
        CMainFrame again(profile, m_messages);
        // Within the few pixels of frame that the platform adds.
        QVERIFY((again.pos() - QPoint(30, 40)).manhattanLength() <= 8);
        QCOMPARE(again.size(), expected.size());
    }

    void run_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("dateFormat");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QStringList>("fix"); // typed after the refusal, then OK; empty: Cancel
        QTest::newRow("good file") << kGoodPrices << "MM_DD_CCYY" << false << QStringList();
        QTest::newRow("a value that is no number, then Skip bad lines")
            << kBadPrices << "MM_DD_CCYY" << true << QStringList{"skipBadCheck=1"};
        QTest::newRow("the wrong date layout, then the right one")
            << kGoodPrices << "YYMMDD" << true << QStringList{"dateFormatCombo=MM_DD_CCYY"};
        QTest::newRow("the wrong date layout, then Cancel") << kGoodPrices << "YYMMDD" << true << QStringList();
    }

    // A run from the settings dialog; a refused one keeps the dialog open, as typed, for one
    // field to be corrected, with its reasons in the log and nothing written.
    void run() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, dateFormat);
        QFETCH(bool, refused);
        QFETCH(QStringList, fix);
        const bool succeeds = !refused || !fix.isEmpty();
        const QString database = m_dir.filePath(QStringLiteral("db-%1").arg(QTest::currentDataTag()));
        const QStringList settings{"dateFormatCombo=" + dateFormat, "skipRowsCheck=1", "rowsToSkipSpin=1",
                                   "openIntCheck=0", "makeNewRadio=1", "pathOutEdit=" + database,
                                   "symbolEdit=Test", "nameEdit=Test Company"};
        bool bStayedOpen = false;
        QString symbolAfter;
        CModalAnswerer answerer({[&](QDialog& dlg) {
                                     SetControls(dlg, settings);
                                     m_messages.QueueAnswer(EMessageAnswer::Yes);
                                     ClickButton(dlg, "okButton");
                                     bStayedOpen = dlg.isVisible();
                                     if (!bStayedOpen) {
                                         return;
                                     }
                                     // The reasons shown (after the folder question) are in the
                                     // log under the outcome line, and nothing was written.
                                     QStringList reasons;
                                     for (const std::string& text : m_messages.Texts()) {
                                         reasons << QString::fromStdString(text);
                                     }
                                     QVERIFY(reasons.size() >= 2);
                                     reasons.removeFirst();
                                     QVERIFY2(Log().endsWith("\n\nConversion failed.\n" + reasons.join(u'\n')),
                                              qPrintable(Log()));
                                     QCOMPARE(QDir(database).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                                              QStringList());
                                     QCOMPARE(QStringList({ControlValue(dlg, "dateFormatCombo"),
                                                           ControlValue(dlg, "pathOutEdit"),
                                                           ControlValue(dlg, "symbolEdit"), ControlValue(dlg, "nameEdit")}),
                                              QStringList({dateFormat, database, "TEST", "Test Company"}));
                                     SetControls(dlg, fix);
                                     fix.isEmpty() ? dlg.reject() : ClickButton(dlg, "okButton");
                                     QVERIFY(!dlg.isVisible());
                                 },
                                 [&](QDialog& dlg) {
                                     symbolAfter = dlg.findChild<QLineEdit*>("symbolEdit")->text();
                                     SetControls(dlg, {"addNewBarsRadio=1"});
                                     ClickButton(dlg, "okButton");
                                     if (dlg.isVisible()) {
                                         dlg.reject();
                                     }
                                 }});
        const QString input = File(QStringLiteral("test.csv"), bytes);
        CMainFrame& frame = Start(input);
        QCOMPARE(answerer.Stuck(), 0);
        QCOMPARE(bStayedOpen, refused);
        QCOMPARE(frame.findChild<QWidget*>("databaseBar")->isVisible(), succeeds);
        // The dialog's settings are stored at each OK whatever the outcome; the run's own only
        // on success, and then the database made is the one the next run adds to.
        QCOMPARE(Store().value("Import/DateFormat").toString(), fix.isEmpty() ? dateFormat : "MM_DD_CCYY");
        QCOMPARE(Store().value("Import/SkipRows").toString(), QStringLiteral("1"));
        QCOMPARE(Store().value("Import/Exist").toString(), succeeds ? "0" : "1");
        QCOMPARE(Store().value("Import/PathIn").toString(), succeeds ? input : QString());
        QCOMPARE(QFileInfo::exists(database + "/MASTER"), succeeds);
        QCOMPARE(m_messages.BeepCount(), succeeds ? 1 : 0);
        if (succeeds) {
            QCOMPARE(Log().split(u'\n').back(), QStringLiteral("Conversion completed successfully!"));
            QVERIFY2(Log().contains(QStringLiteral("TEST")), qPrintable(Log()));
        }
        // The same file keeps what was confirmed for it; its bars added again add nothing, and
        // no new data is offered.
        Action("actionClearWindow")->trigger();
        Action("actionSettings")->trigger();
        QCOMPARE(symbolAfter, QStringLiteral("TEST"));
        // The lines left out are listed before the summary.
        QStringList logLines = Log().split(u'\n');
        logLines.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("Line ")); });
        QCOMPARE(!logLines.isEmpty() && logLines.front().startsWith(QStringLiteral("TEST: 0 new bars")), succeeds);
        QVERIFY(!frame.findChild<QWidget*>("databaseBar")->isVisible());
    }

    void convertsWhatThePreviewShows_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("pick");    // after detection
        QTest::addColumn<QString>("firstRow");    // of the preview, beyond the rows skipped
        QTest::addColumn<QStringList>("stored");  // the database's bars afterwards
        const QByteArray european = "Datum;Erster;Hoch;Tief;Schluss;Volumen\n"
                                    "02.01.2020;88,435;88,971;85,548;85,661;918691\n"
                                    "03.01.2020;85,661;86,12;84,902;85,904;702114\n"
                                    "13.01.2020;85,904;87,31;85,611;87,005;655870\n";
        QTest::newRow("a European file, detected") << european << QStringList()
                                                   << "2020-01-02|88.435|88.971|85.548|85.661|918691"
                                                   << QStringList{"PRICES 2020-01-02|88.435|88.971|85.548|85.661|918691",
                                                                  "PRICES 2020-01-03|85.661|86.12|84.902|85.904|702114",
                                                                  "PRICES 2020-01-13|85.904|87.31|85.611|87.005|655870"};
        const QByteArray marks = "2023-01-03 1,234 1,240 1,230 1,235 100\n2023-01-04 1,235 1,245 1,233 1,241 120\n";
        QTest::newRow("the decimal comma picked") << marks << QStringList{"decimalCommaRadio=1"}
                                                  << "2023-01-03|1.234|1.24|1.23|1.235|100"
                                                  << QStringList{"PRICES 2023-01-03|1.234|1.24|1.23|1.235|100",
                                                                 "PRICES 2023-01-04|1.235|1.245|1.233|1.241|120"};
        QTest::newRow("the decimal point picked") << marks << QStringList{"decimalPointRadio=1"}
                                                  << "2023-01-03|1234|1240|1230|1235|100"
                                                  << QStringList{"PRICES 2023-01-03|1234|1240|1230|1235|100",
                                                                 "PRICES 2023-01-04|1235|1245|1233|1241|120"};
        QTest::newRow("day and month picked") << QByteArray("05/01/2023,10,12,9,11\n06/01/2023,11,13,10,12\n")
                                              << QStringList{"dateFormatCombo=DD_MM_CCYY"} << "2023-01-05|10|12|9|11"
                                              << QStringList{"PRICES 2023-01-05|10|12|9|11", "PRICES 2023-01-06|11|13|10|12"};
    }

    // The settings dialog on a file opened afresh: what the preview shows, once the user has
    // made the choices detection could not, is what the database holds.
    void convertsWhatThePreviewShows() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, pick);
        QFETCH(QString, firstRow);
        QFETCH(QStringList, stored);
        const QString database = m_dir.filePath(QStringLiteral("db-%1").arg(QTest::currentDataTag()));
        QString shown;
        CModalAnswerer answerer({[&](QDialog& dlg) {
            SetControls(dlg, pick + QStringList{"makeNewRadio=1", "pathOutEdit=" + database});
            auto* pDlg = qobject_cast<CSettingsDlg*>(&dlg);
            pDlg->UpdatePreview();
            for (const QString& row : TableRows(*dlg.findChild<QTableWidget*>("previewTable"))) {
                shown += row.contains(QStringLiteral("(skipped)")) || !shown.isEmpty() ? QString() : row.section(u':', 1);
            }
            m_messages.QueueAnswer(EMessageAnswer::Yes);
            ClickButton(dlg, "okButton");
            if (dlg.isVisible()) {
                dlg.reject();
            }
        }});
        Start(File(QStringLiteral("prices.csv"), bytes));
        QCOMPARE(shown, firstRow);
        QVERIFY2(Log().endsWith(QStringLiteral("Conversion completed successfully!")), qPrintable(Log()));
        QCOMPARE(StoredBars(database), stored);
    }

    void addOrUpdate() {
        const QString database = m_dir.filePath(QStringLiteral("db-add-or-update"));
        const QString ibm = File(QStringLiteral("ibm.csv"), kGoodPrices);
        const auto settings = [&](QDialog& dlg, const QString& mode) {
            SetControls(dlg, {"dateFormatCombo=MM_DD_CCYY", "skipRowsCheck=1", "rowsToSkipSpin=1", "openIntCheck=0",
                              mode + "=1", "pathOutEdit=" + database});
            m_messages.QueueAnswer(EMessageAnswer::Yes);
            ClickButton(dlg, "okButton");
            if (dlg.isVisible()) {
                dlg.reject();
            }
        };
        CModalAnswerer answerer({[&](QDialog& dlg) { settings(dlg, "makeNewRadio"); },
                                 [&](QDialog& dlg) { settings(dlg, "addOrUpdateRadio"); }});
        Start(ibm);
        QCOMPARE(StoredBars(database).size(), 2);
        // The next day: IBM has a new bar, MSFT is new to the folder.
        File(QStringLiteral("ibm.csv"), kGoodPrices + "01/05/2023,92.8,94.0,92.0,93.5,140000\n");
        const QString msft = File(QStringLiteral("msft.csv"), kGoodPrices);
        QVERIFY(m_pApp->OpenDocumentFiles({ibm, msft}));
        QCOMPARE(answerer.Count(), 2);
        QVERIFY2(Log().endsWith(QStringLiteral("Conversion completed successfully!")), qPrintable(Log()));
        QVERIFY2(Log().contains(QStringLiteral("2 files converted (1 security added, 1 updated), 0 failed")), qPrintable(Log()));
        const QStringList stored = StoredBars(database);
        QCOMPARE(stored.filter(QStringLiteral("IBM ")).size(), 3);
        QCOMPARE(stored.filter(QStringLiteral("MSFT ")).size(), 2);
        QCOMPARE(Store().value("Import/Exist").toString(), QStringLiteral("3"));
    }

    void folderWithoutDatabase_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("last"); // the log's last line
        QTest::newRow("yes: a new database") << int(EMessageAnswer::Yes) << "Conversion completed successfully!";
        QTest::newRow("no: nothing written") << int(EMessageAnswer::No) << "";
    }

    // "Use Existing Master" into a folder that exists but holds no database: asked first.
    void folderWithoutDatabase() {
        QFETCH(int, answer);
        QFETCH(QString, last);
        const QString database = m_dir.filePath(QStringLiteral("empty-%1").arg(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(database));
        bool bStayedOpen = false;
        CModalAnswerer answerer({[&](QDialog& dlg) {
            SetControls(dlg, {"dateFormatCombo=MM_DD_CCYY", "skipRowsCheck=1", "rowsToSkipSpin=1", "openIntCheck=0",
                              "useExistingRadio=1", "pathOutEdit=" + database});
            m_messages.QueueAnswer(static_cast<EMessageAnswer>(answer));
            ClickButton(dlg, "okButton");
            bStayedOpen = dlg.isVisible();
            if (bStayedOpen) {
                dlg.reject();
            }
        }});
        Start(File(QStringLiteral("ibm.csv"), kGoodPrices));
        QCOMPARE(QString::fromStdString(m_messages.Texts().front()),
                 QStringLiteral("The folder %1 holds no database. Start a new one there?").arg(database));
        QCOMPARE(bStayedOpen, last.isEmpty());
        QCOMPARE(Log().split(u'\n').back(), last.isEmpty() ? Log().split(u'\n').back() : last);
        QCOMPARE(StoredBars(database).size(), last.isEmpty() ? 0 : 2);
        QCOMPARE(QDir(database).entryList(QDir::Files).isEmpty(), last.isEmpty());
        if (!last.isEmpty()) {
            QVERIFY2(Log().contains(QStringLiteral("Started a new database in ")), qPrintable(Log()));
        }
    }

    void batch_data() {
        QTest::addColumn<QStringList>("files"); // a name beginning "bad" holds a bad line
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("lines");   // the log's last lines as they begin; "@" the test's directory
        QTest::addColumn<QStringList>("symbols"); // in the database afterwards
        QTest::newRow("good files") << QStringList{"ibm.csv", "msft.txt"} << false
                                    << QStringList{"IBM \"IBM\": 2 bars, 2023-01-03 to 2023-01-04", "MSFT \"MSFT\": 2 bars",
                                                   "2 files converted", "Folder: @/db-good files",
                                                   "Conversion completed successfully!"}
                                    << QStringList{"IBM", "MSFT"};
        QTest::newRow("a bad file among good ones")
            << QStringList{"ibm.csv", "bad.csv", "msft.csv"} << false
            << QStringList{"IBM", "@/bad.csv: not converted: The file has 1 bad line: line 4: \"N/A\" in the Open column (2)",
                           "MSFT", "2 files converted, 1 failed", "Folder: ", "Conversion failed."}
            << QStringList{"IBM", "MSFT"};
        QTest::newRow("only bad files") << QStringList{"bad.csv", "bad2.csv"} << false
                                        << QStringList{"@/bad2.csv: not converted: The file has 1 bad line:",
                                                       "0 files converted, 2 failed", "Folder: @/db-only bad files",
                                                       "Conversion failed."}
                                        << QStringList();
        QTest::newRow("cancelled") << QStringList{"ibm.csv", "msft.csv"} << true
                                   << QStringList{"The batch was cancelled; nothing was written.", "Conversion cancelled."}
                                   << QStringList();
    }

    // Files dropped on the window: one settings dialog, the symbols from the file names, a
    // progress dialog, a line per file; the database offered after the run.
    void batch() {
        QFETCH(QStringList, files);
        QFETCH(bool, cancel);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, symbols);
        const QString database = m_dir.filePath(QStringLiteral("db-%1").arg(QTest::currentDataTag()));
        QList<QUrl> urls;
        for (const QString& name : files) {
            urls << QUrl::fromLocalFile(File(name, name.startsWith(u'b') ? kBadPrices : kGoodPrices));
        }
        std::function<void()> cancelWhenShown = [&] {
            auto* pProgress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            pProgress ? pProgress->cancel() : QTimer::singleShot(0, cancelWhenShown);
        };
        CModalAnswerer answerer({[&](QDialog& dlg) {
                                     const auto* pSymbol = dlg.findChild<QLineEdit*>("symbolEdit");
                                     QCOMPARE(pSymbol->text() + pSymbol->placeholderText(), "(from file names)");
                                     QVERIFY(!pSymbol->isEnabled());
                                     SetControls(dlg, {"dateFormatCombo=MM_DD_CCYY", "skipRowsCheck=1", "rowsToSkipSpin=1",
                                                       "openIntCheck=0", "makeNewRadio=1", "pathOutEdit=" + database});
                                     m_messages.QueueAnswer(EMessageAnswer::Yes);
                                     if (cancel) {
                                         cancelWhenShown();
                                     }
                                     ClickButton(dlg, "okButton");
                                     // A batch that wrote nothing, and was not cancelled, was refused.
                                     QCOMPARE(dlg.isVisible(), symbols.isEmpty() && !cancel);
                                     dlg.reject();
                                 },
                                 [](QDialog&) {}});
        CMainFrame& frame = Start();
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &drop);
        QTRY_VERIFY(Log().contains(QStringLiteral("\nConversion ")));
        const QStringList logLines = Log().split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString line = logLines.value(logLines.size() - lines.size() + i);
            QVERIFY2(line.startsWith(QString(lines[i]).replace(u'@', m_dir.path())), qPrintable(line));
        }
        // The log offers the database; its window lists it, the first new security chosen.
        QCOMPARE(frame.findChild<QWidget*>("databaseBar")->isVisible(), !symbols.isEmpty());
        if (symbols.isEmpty()) {
            QCOMPARE(QDir(database).entryList(QDir::Files), QStringList());
            return;
        }
        ClickButton(frame, "showDatabaseButton");
        auto* pWindow = frame.findChild<CDatabaseWindow*>();
        QVERIFY(pWindow != nullptr && pWindow->isVisible());
        const auto* pTable = pWindow->findChild<QTableView*>();
        QCOMPARE(ModelRows(*pTable->model()).replaceInStrings(QRegularExpression("\\|.*"), QString()), symbols);
        QCOMPARE(pTable->selectionModel()->selectedRows().value(0).data().toString(), symbols[0]);
        // Centred on the main window at first; its place is kept with the main window's.
        QVERIFY((pWindow->geometry().center() - frame.geometry().center()).manhattanLength() <= 4);
        m_pApp.reset();
        QVERIFY(!Store().value("Screen/DatabaseGeometry").toString().isEmpty());
    }

    void aboutLinksRememberVisits() {
        CUrlRecorder urls;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &urls, "open");
        QStringList colours; // of the mail and the web link, before each click on the mail link
        const auto visit = [&](QDialog& dlg) {
            QVERIFY(dlg.findChild<QLabel*>("versionLabel")->text().endsWith(PELMAR_VERSION));
            auto* pMail = dlg.findChild<CStaticLink*>("m_linkMail");
            for (int i = 0; i < 2; ++i) {
                colours << pMail->palette().color(QPalette::Link).name() + u' ' +
                               dlg.findChild<CStaticLink*>("m_linkWeb")->palette().color(QPalette::Link).name();
                emit pMail->linkActivated(QStringLiteral("#"));
            }
            dlg.accept();
        };
        CModalAnswerer answerer({visit, visit});
        Start();
        Action("actionAbout")->trigger();
        Action("actionAbout")->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QCOMPARE(urls.m_urls, QStringList(4, QStringLiteral("mailto:pelmar@example.org")));
        QCOMPARE(colours, QStringList({"#0000ff #0000ff", "#800080 #0000ff", "#800080 #0000ff", "#800080 #0000ff"}));
    }

    void helpExplainsEveryDateFormatAndSetting() {
        Start();
        Action("actionHelpTopics")->trigger();
        auto* pBrowser = m_pApp->MainFrame()->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
        QVERIFY(pBrowser != nullptr && pBrowser->isVisible());
        const QString page = pBrowser->toPlainText();
        for (const char* pszFormat : kDateFormatNames) {
            QVERIFY2(page.contains(QLatin1String(pszFormat)), pszFormat);
        }
        for (const char* pszSetting :
             {"Semicolon", "Decimal point", "Decimal comma", "Skip bad lines", "Symbol column", "Add New Bars",
              "Add or Update", "Conversion failed.", "Detect", "(from file names)", "Database window", "Time column",
              "Time of day in the date", "Period", "Interval", "Keep the newest bars", "Currency",
              "unchosen and highlighted", "holds no database", "I5", "Repair..."}) {
            QVERIFY2(page.contains(QLatin1String(pszSetting)), pszSetting);
        }
    }
};

int RunMainWindowTests(int argc, char** argv) {
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
