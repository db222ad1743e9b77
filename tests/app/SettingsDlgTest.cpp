// The settings dialog driven as a user drives it: each refusal with its message, the focus on
// the control to fix and the typed values kept; the missing output folder and the folder
// without a database; the enabling rules; every value through the controls, the store and the
// layout and back; the preview; detection, with each kind of doubt shown unchosen until the
// user picks; the tab order and the size.
#include "AppTests.h"

#include "app/SettingsDlg.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/MemoryStore.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>

#include <memory>

namespace {

using SAnswer = EMessageAnswer;

} // namespace

class TestSettingsDlg : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CRecordingMessageBox m_messages;

    // "@" in a test's text stands for the test's directory.
    QString Here(QString text) const { return text.replace(u'@', m_dir.path()); }

    // The dialog as the Settings command shows it: stored defaults, a symbol, an output folder
    // that holds a database.
    std::unique_ptr<CSettingsDlg> Open(SImportSettings settings = {}, bool bDetect = false) {
        if (settings.strPathOut.empty()) {
            settings.strSymbol = "IBM";
            settings.strPathOut = Here("@/db").toStdString();
        }
        auto pDlg = std::make_unique<CSettingsDlg>(m_messages);
        pDlg->SetSettings(settings);
        pDlg->m_bDetect = bDetect;
        pDlg->show();
        return pDlg;
    }

    static void VerifyFocus(QDialog& dlg, const QString& strName) {
        QWidget* pExpected = dlg.findChild<QWidget*>(strName);
        QVERIFY(pExpected != nullptr);
        QVERIFY2(dlg.focusWidget() == pExpected || pExpected->isAncestorOf(dlg.focusWidget()),
                 qPrintable(dlg.focusWidget()->objectName()));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(WriteBytes(Here("@/file.txt"), "x"));
        QVERIFY(QDir().mkpath(Here("@/db")) && WriteBytes(Here("@/db/MASTER"), QByteArray()));
    }
    void init() { m_messages.Clear(); }

    void refusals_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("message"); // empty: OK is accepted
        QTest::addColumn<QString>("focus");
        QTest::newRow("date and high share a column")
            << QStringList{"hiColSpin=1"} << "Duplicate columns specified\nCorrect or disable\n\nDate and High are both in column 1."
            << "hiColSpin";
        QTest::newRow("three in one") << QStringList{"symbolColSpin=7", "volColSpin=7"}
                                      << "\nVolume, Open Int and Symbol are all in column 7." << "oiColSpin";
        QTest::newRow("a field switched off shares none") << QStringList{"volumeCheck=0", "volColSpin=1"} << ""
                                                          << "";
        QTest::newRow("blank symbol") << QStringList{"symbolEdit=   "} << "You did not enter a valid symbol"
                                      << "symbolEdit";
        QTest::newRow("symbol outside Windows-1252")
            << QStringList{QStringLiteral("symbolEdit=\u65E5\u672C")} << "Windows-1252" << "symbolEdit";
        QTest::newRow("name outside Windows-1252")
            << QStringList{QStringLiteral("nameEdit=\u682A\u5F0F")} << "Windows-1252" << "nameEdit";
        QTest::newRow("blank output folder")
            << QStringList{"pathOutEdit=  "}
            << "Please enter path: the output folder, where the database is or is to be made. Type it in Directory "
               "Path, or choose a folder with Browse..."
            << "pathOutEdit";
        QTest::newRow("output folder is a file") << QStringList{"pathOutEdit=@/file.txt"}
                                                 << "@/file.txt is a file, not a folder" << "pathOutEdit";
        QTest::newRow("date format of no entry") << QStringList{"dateFormatCombo=YYYYMMDD"}
                                                 << "\"YYYYMMDD\" is not a date format" << "dateFormatCombo";
        QTest::newRow("symbol column, no symbol") << QStringList{"symbolColSpin=9", "symbolEdit="} << "" << "";
    }

    void refusals() {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto pDlg = Open();
        typed.replaceInStrings(QStringLiteral("@"), m_dir.path());
        SetControls(*pDlg, typed);
        ClickButton(*pDlg, "okButton");
        if (message.isEmpty()) {
            QCOMPARE(m_messages.Texts(), std::vector<std::string>());
            QCOMPARE(pDlg->result(), int(QDialog::Accepted));
            return;
        }
        QVERIFY(pDlg->isVisible());
        QCOMPARE(m_messages.Texts().size(), std::size_t(1));
        QVERIFY2(QString::fromStdString(m_messages.Texts()[0]).contains(Here(message)), m_messages.Texts()[0].c_str());
        VerifyFocus(*pDlg, focus);
        // What was typed stays for the user to correct.
        for (const QString& assignment : typed) {
            if (auto* pEdit = pDlg->findChild<QLineEdit*>(assignment.section(u'=', 0, 0))) {
                QCOMPARE(pEdit->text(), assignment.section(u'=', 1));
            }
        }
    }

    void missingFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("mode");   // the radio button checked
        QTest::addColumn<int>("answer");     // to the one question; -1: none is asked
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("modeAfter");
        const int existing = int(EMasterMode::UseExisting);
        QTest::newRow("yes creates it") << "@/new/deeper" << "useExistingRadio" << int(SAnswer::Yes) << true
                                        << "The folder @/new/deeper does not exist. Create it?"
                                        << int(EMasterMode::MakeNew);
        QTest::newRow("no keeps the dialog") << "@/declined" << "useExistingRadio" << int(SAnswer::No) << false << ""
                                             << existing;
        QTest::newRow("cannot be made") << "@/file.txt/sub" << "useExistingRadio" << int(SAnswer::Yes) << false
                                        << "The folder @/file.txt/sub could not be created." << existing;
        // A folder that exists but holds no database gets one only when the user says so.
        QTest::newRow("no database, yes starts one")
            << "@/empty" << "useExistingRadio" << int(SAnswer::Yes) << true
            << "The folder @/empty holds no database. Start a new one there?" << existing;
        QTest::newRow("no database, no keeps the dialog")
            << "@/empty" << "addOrUpdateRadio" << int(SAnswer::No) << false
            << "The folder @/empty holds no database. Start a new one there?" << int(EMasterMode::AddOrUpdate);
        QTest::newRow("a data file is part of a database") << "@/orphan" << "useExistingRadio" << -1 << true << ""
                                                           << existing;
        QTest::newRow("a new database is asked for") << "@/empty" << "makeNewRadio" << -1 << true << ""
                                                     << int(EMasterMode::MakeNew);
        // New bars need a database: the run itself says there is none.
        QTest::newRow("new bars are not asked for") << "@/empty" << "addNewBarsRadio" << -1 << true << ""
                                                    << int(EMasterMode::AddNewBars);
    }

    void missingFolder() {
        QFETCH(QString, folder);
        QFETCH(QString, mode);
        QFETCH(int, answer);
        QFETCH(bool, accepted);
        QFETCH(QString, message);
        QFETCH(int, modeAfter);
        folder = Here(folder);
        QVERIFY(QDir().mkpath(Here("@/empty")) && QDir().mkpath(Here("@/orphan")));
        QVERIFY(WriteBytes(Here("@/empty/notes.txt"), "x") && WriteBytes(Here("@/orphan/f7.mwd"), "x"));
        auto pDlg = Open();
        SetControls(*pDlg, {"pathOutEdit=" + folder, mode + "=1"});
        if (answer >= 0) {
            m_messages.QueueAnswer(static_cast<SAnswer>(answer));
        }
        ClickButton(*pDlg, "okButton");
        QCOMPARE(m_messages.Shown().size(), std::size_t(answer >= 0 ? 1 : 0) + (message.contains("could not") ? 1 : 0));
        if (answer >= 0) {
            QCOMPARE(m_messages.Shown().at(0).buttons, EMessageButtons::YesNo);
            const QString shown = QString::fromStdString(m_messages.Texts().back());
            QVERIFY2(shown.startsWith(Here(message)), qPrintable(shown));
        }
        QCOMPARE(pDlg->result() == QDialog::Accepted, accepted);
        QVERIFY(QFileInfo(folder).isDir() || !accepted);
        QCOMPARE(pDlg->m_nExist, modeAfter);
        // Nothing is written into the folder before the run.
        QCOMPARE(QFileInfo::exists(folder + "/MASTER"), false);
        if (!accepted) {
            QVERIFY(pDlg->isVisible());
            VerifyFocus(*pDlg, "pathOutEdit");
            QCOMPARE(pDlg->findChild<QLineEdit*>("pathOutEdit")->text(), folder);
        }
    }

    void enablingRules_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("value"); // empty: not checked
        QTest::newRow("skipping off at the start") << QStringList() << "rowsToSkipSpin" << false << "0";
        QTest::newRow("skipping off resets the rows")
            << QStringList{"skipRowsCheck=1", "rowsToSkipSpin=5", "skipRowsCheck=0"} << "rowsToSkipSpin" << false
            << "0";
        QTest::newRow("skipping on") << QStringList{"skipRowsCheck=1", "rowsToSkipSpin=5"} << "rowsToSkipSpin" << true
                                     << "5";
        QTest::newRow("open switched off") << QStringList{"openCheck=0"} << "openColSpin" << false << "";
        QTest::newRow("open int back on") << QStringList{"openIntCheck=0", "openIntCheck=1"} << "oiColSpin" << true
                                          << "";
        QTest::newRow("no decimal comma with commas") << QStringList() << "decimalCommaRadio" << false << "0";
        QTest::newRow("decimal comma with semicolons") << QStringList{"semicolonRadio=1", "decimalCommaRadio=1"}
                                                       << "decimalCommaRadio" << true << "1";
        QTest::newRow("back to commas takes the point")
            << QStringList{"tabRadio=1", "decimalCommaRadio=1", "commaRadio=1"} << "decimalPointRadio" << true << "1";
        QTest::newRow("an interval for intraday bars") << QStringList{"periodCombo=Intraday", "intervalSpin=5"}
                                                        << "intervalSpin" << true << "5";
        QTest::newRow("none for daily bars") << QStringList{"periodCombo=Intraday", "intervalSpin=5", "periodCombo=Daily"}
                                             << "intervalSpin" << false << "0";
        QTest::newRow("symbol column takes the symbol") << QStringList{"symbolColSpin=2"} << "symbolEdit" << false
                                                        << "|(from the symbol column)";
        QTest::newRow("no symbol column") << QStringList{"symbolColSpin=2", "symbolColSpin=0"} << "symbolEdit" << true
                                          << "IBM|";
    }

    void enablingRules() {
        QFETCH(QStringList, typed);
        QFETCH(QString, control);
        QFETCH(bool, enabled);
        QFETCH(QString, value);
        auto pDlg = Open();
        SetControls(*pDlg, typed);
        QWidget* pControl = pDlg->findChild<QWidget*>(control);
        QVERIFY(pControl != nullptr);
        QCOMPARE(pControl->isEnabled(), enabled);
        if (auto* pSpin = qobject_cast<QSpinBox*>(pControl); pSpin && !value.isEmpty()) {
            QCOMPARE(QString::number(pSpin->value()), value);
        } else if (auto* pCheck = qobject_cast<QAbstractButton*>(pControl); pCheck && !value.isEmpty()) {
            QCOMPARE(pCheck->isChecked(), value == QLatin1String("1"));
        } else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
            QCOMPARE(pEdit->text() + u'|' + pEdit->placeholderText(), value);
        }
    }

    // Every setting away from its default, numbers at the ends of their ranges, texts at their
    // longest: the controls must hold each and hand it back unchanged, the store keep it, and
    // the layout read it.
    void everyValueThroughTheControls() {
        SImportSettings in;
        in.strDateFormat = "DDMMCCYY";
        in.nExist = static_cast<long long>(EMasterMode::AddNewBars);
        in.nDelimiter = static_cast<long long>(EDelimiter::Semicolon);
        in.strPathIn = "/in/prices.csv";
        in.strPathOut = Here("@/db").toStdString();
        in.strSymbol = "ABCDEFGHIJKLMN";
        in.strName = std::string(kMaxNameChars, 'n');
        in.bReverseOrder = in.bSkipOn = in.bSkipBadLines = in.bDecimalComma = 1;
        in.nRowsToSkip = kMaxRowsToSkip;
        in.nSymbolCol = 15;
        in.nDateCol = 20;
        in.bOpenOn = in.bLoOn = in.bOIOn = 0;
        in.nOpenCol = 20; // switched off: may share
        in.nHiCol = 19;
        in.nLoCol = 1;
        in.nCloCol = 18;
        in.nVolCol = 17;
        in.nOICol = 16;
        in.nTimeCol = 14;
        in.bDateTime = 1;
        in.nPeriod = static_cast<long long>(EStoredPeriod::Intraday);
        in.nInterval = 60;
        in.bKeepLast = 1;
        in.strCurrency = "€EUR";
        auto pDlg = Open(in);
        ClickButton(*pDlg, "okButton");
        QCOMPARE(m_messages.Texts(), std::vector<std::string>());
        CMemoryStore store;
        SaveImportSettings(store, pDlg->Settings());
        SImportSettings out = LoadImportSettings(store);
        out.strPathIn = in.strPathIn;
        out.strPathOut = in.strPathOut;
        out.strSymbol = pDlg->Settings().strSymbol;
        out.strName = pDlg->Settings().strName;
        for (const SIntKey& key : kIntKeys) {
            QVERIFY2(out.*key.pMember == in.*key.pMember, key.pszKey);
        }
        for (const STextKey& key : kTextKeys) {
            QVERIFY2(out.*key.pMember == in.*key.pMember, key.pszKey);
        }
        QCOMPARE(pDlg->m_nDateFormatNumber, 12);
        const SInputLayout layout = LayoutOf(out);
        QCOMPARE(QString::fromStdString(ConvertOptionsText(layout)),
                 QStringLiteral("--delimiter semicolon --decimal-comma --date-format DDMMCCYY --date-time --skip-rows 200 "
                                "--date-col 20 --no-open --high-col 19 --no-low --close-col 18 --volume-col 17 --no-oi "
                                "--time-col 14 --symbol-col 15 --currency €EUR --interval 60 --reverse"));
        QVERIFY(ReadOptionsOf(out).bKeepLast && ReadOptionsOf(out).bSkipBadLines);

        // A layout the other way, into the controls: each period, with and without a time.
        for (const EPeriod period : {EPeriod::Daily, EPeriod::Weekly, EPeriod::Monthly, EPeriod::Intraday}) {
            SInputLayout detected = layout;
            detected.period = period;
            detected.nInterval = period == EPeriod::Intraday ? 5 : 0;
            detected.nTimeCol = period == EPeriod::Intraday ? 2 : kNoColumn;
            SImportSettings settings = out;
            PutLayout(settings, detected);
            auto pShown = Open(settings);
            QCOMPARE(pShown->findChild<QComboBox*>("periodCombo")->currentIndex(), static_cast<int>(period));
            QCOMPARE(ControlValue(*pShown, "intervalSpin"), period == EPeriod::Intraday ? "5" : "0");
            QCOMPARE(ControlValue(*pShown, "timeColSpin"), period == EPeriod::Intraday ? "3" : "0");
            ClickButton(*pShown, "okButton");
            QCOMPARE(LayoutOf(pShown->Settings()), detected);
        }
    }

    void preview_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("rows"); // "line:" and the shown cells, marked ones in [], then " ~ " tooltips
        QTest::addColumn<QString>("count");    // the count of bad lines as it begins
        const QStringList commas{"dateFormatCombo=MM_DD_CCYY", "volumeCheck=0", "openIntCheck=0"};
        QTest::newRow("a bad number")
            << QByteArray("Date,Open,High,Low,Close\n01/03/2023,1,2,0.5,1.5\n01/04/2023,N/A,2,1,1.5\n")
            << commas + QStringList{"skipRowsCheck=1", "rowsToSkipSpin=1"}
            << QStringList{"1:(skipped)", "2:2023-01-03|1|2|0.5|1.5",
                           "3:2023-01-04|[N/A]|2|1|1.5 ~ \"N/A\" in the Open column (2) is not a number"}
            << "prices.csv: 1 of its 3 lines are bad, the first line 3. The conversion fails unless";
        QTest::newRow("decimal commas") << QByteArray("03.01.2023;91,62;92;90;91,5;7\n")
                                        << QStringList{"semicolonRadio=1", "decimalCommaRadio=1",
                                                       "dateFormatCombo=DD_MM_CCYY", "openIntCheck=0"}
                                        << QStringList{"1:2023-01-03|91.62|92|90|91.5|7"}
                                        << "prices.csv: no bad lines in its 1 lines.";
        QTest::newRow("newest first, not reversed")
            << QByteArray("01/04/2023,1,2,0.5,1.5\n01/03/2023,1,2,0.5,1.5\n") << commas
            << QStringList{"1:2023-01-04|1|2|0.5|1.5",
                           "2:[2023-01-03]|[1]|[2]|[0.5]|[1.5] ~ the date 2023-01-03 is not later than 2023-01-04 of line 1"}
            << "prices.csv: ";
        QTest::newRow("two fields in one column")
            << QByteArray("01/03/2023,1,2,0.5,1.5\n") << commas + QStringList{"cloColSpin=4"}
            << QStringList{"1:2023-01-03|1|2|[0.5]|[0.5] ~ Low and Close are both in column 4."}
            << "Low and Close are both in column 4. Correct a column or switch a field off.";
        QTest::newRow("no date format") << QByteArray("01/03/2023,1,2,0.5,1.5\n") << QStringList{"dateFormatCombo=X"}
                                        << QStringList{"1:[No date format is chosen.] ~ No date format is chosen."}
                                        << "prices.csv: No date format is chosen.";
        // The values to be written, in one plain form: the mark the file uses decides them.
        const QByteArray european = "Datum;Erster;Hoch;Tief;Schluss;Volumen\n02.01.2020;88,435;88,971;85,548;85,661;918691\n";
        const QStringList semicolons{"semicolonRadio=1", "dateFormatCombo=DD_MM_CCYY", "skipRowsCheck=1",
                                     "rowsToSkipSpin=1", "openIntCheck=0"};
        QTest::newRow("decimal commas of a European file")
            << european << semicolons + QStringList{"decimalCommaRadio=1"}
            << QStringList{"1:(skipped)", "2:2020-01-02|88.435|88.971|85.548|85.661|918691"} << "prices.csv: no bad lines";
        QTest::newRow("the same read with the point") << european << semicolons + QStringList{"decimalPointRadio=1"}
                                                      << QStringList{"1:(skipped)", "2:2020-01-02|88435|88971|85548|85661|918691"}
                                                      << "prices.csv: no bad lines";
        const QStringList intraday{"dateFormatCombo=CCYY_MM_DD", "volumeCheck=0", "openIntCheck=0",
                                   "periodCombo=Intraday", "intervalSpin=5"};
        QTest::newRow("a time column") << QByteArray("2023-09-01,09:30,1,2,0.5,1.5\n2023-09-01,0935,1,2,0.5,1.5\n")
                                       << intraday + QStringList{"timeColSpin=2", "openColSpin=3", "hiColSpin=4",
                                                                 "loColSpin=5", "cloColSpin=6"}
                                       << QStringList{"1:2023-09-01|09:30:00|1|2|0.5|1.5", "2:2023-09-01|09:35:00|1|2|0.5|1.5"}
                                       << "prices.csv: no bad lines";
        QTest::newRow("times in the date") << QByteArray("2023-09-01T09:30:00,1,2,0.5,1.5\n2023-09-01 09:30,1,2,0.5,1.5\n")
                                           << intraday + QStringList{"dateTimeCheck=1"}
                                           << QStringList{"1:2023-09-01|09:30:00|1|2|0.5|1.5",
                                                          "2:[2023-09-01]|[09:30:00]|[1]|[2]|[0.5]|[1.5] ~ the bar of "
                                                          "2023-09-01 09:30:00 is not later than 2023-09-01 09:30:00 of line 1"}
                                           << "prices.csv: 1 of its 2 lines are bad";
        QTest::newRow("a time column without intraday") << QByteArray("2023-09-01,09:30,1,2,0.5,1.5\n")
                                                        << QStringList{"dateFormatCombo=CCYY_MM_DD", "timeColSpin=2",
                                                                       "openColSpin=3", "hiColSpin=4", "loColSpin=5",
                                                                       "cloColSpin=6", "volumeCheck=0", "openIntCheck=0"}
                                                        << QStringList{"1:2023-09-01|09:30:00|1|2|0.5|1.5"}
                                                        << "prices.csv: no bad lines";
        QTest::newRow("a currency sign") << QByteArray("01/03/2023,$1.25,$2,$0.5,$1.5\n")
                                         << commas + QStringList{"currencyEdit=$"}
                                         << QStringList{"1:2023-01-03|1.25|2|0.5|1.5"} << "prices.csv: no bad lines";
        QTest::newRow("the time and the close in one column")
            << QByteArray("2023-09-01,09:30,1,2,0.5,1.5\n")
            << intraday + QStringList{"timeColSpin=6", "openColSpin=3", "hiColSpin=4", "loColSpin=5", "cloColSpin=6"}
            << QStringList{"1:2023-09-01|[1.5]|1|2|0.5|[1.5] ~ \"1.5\" in the Time column (6): \"1.5\" is not a time of day "
                           "such as 09:30, 09:30:00, 0930 or 4:00 PM Close and Time are both in column 6."}
            << "Close and Time are both in column 6.";
    }

    void preview() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, rows);
        QFETCH(QString, count);
        SImportSettings settings;
        settings.strPathIn = Here("@/prices.csv").toStdString();
        QVERIFY(WriteBytes(Here("@/prices.csv"), bytes));
        auto pDlg = Open(settings);
        SetControls(*pDlg, typed);
        pDlg->UpdatePreview();
        QCOMPARE(TableRows(*pDlg->findChild<QTableWidget*>("previewTable")), rows);
        const QString label = pDlg->findChild<QLabel*>("badLinesLabel")->text();
        QVERIFY2(label.startsWith(count), qPrintable(label));
    }

    void detect_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("detected");
        QTest::addColumn<QString>("said"); // the detection's line as it begins
        QTest::newRow("semicolons, decimal commas")
            << QByteArray("Datum;Erster;Hoch;Tief;Schluss\n13.01.2023;1,5;2;1;1,5\n16.01.2023;1,5;2;1;1,75\n")
            << QStringList{"semicolonRadio=1", "decimalCommaRadio=1", "dateFormatCombo=DD_MM_CCYY", "skipRowsCheck=1",
                           "rowsToSkipSpin=1", "volumeCheck=0", "reverseCheck=0"}
            << "Detected from the first 3 lines of the file.";
        QTest::newRow("newest first, days all 12 or less")
            << QByteArray("01/05/2023\t1\t2\t1\t1.5\t100\n01/04/2023\t1\t2\t1\t1.5\t100\n01/03/2023\t1\t2\t1\tx\t100\n")
            << QStringList{"tabRadio=1", "skipRowsCheck=0", "reverseCheck=1"}
            << "Detected from the first 3 lines of the file.\nChoose the highlighted settings yourself";
        QTest::newRow("no dates") << QByteArray("a,b\n") << QStringList{"commaRadio=1", "dateFormatCombo=MMDDYY"}
                                  << "No layout was detected: ";
    }

    // A file opened afresh gets the detected input settings; what is the user's stays.
    void detect() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, detected);
        QFETCH(QString, said);
        QVERIFY(WriteBytes(Here("@/detect.csv"), bytes));
        SImportSettings settings;
        settings.strPathIn = Here("@/detect.csv").toStdString();
        settings.strPathOut = m_dir.path().toStdString();
        settings.strSymbol = "KEPT";
        settings.nExist = static_cast<long long>(EMasterMode::MakeNew);
        settings.bSkipBadLines = 1;
        auto pDlg = Open(settings, true);
        for (const QString& expected : detected + QStringList{"symbolEdit=KEPT", "makeNewRadio=1", "skipBadCheck=1"}) {
            QCOMPARE(expected.section(u'=', 0, 0) + u'=' + ControlValue(*pDlg, expected.section(u'=', 0, 0)), expected);
        }
        const QString label = pDlg->findChild<QLabel*>("detectionLabel")->text();
        QVERIFY2(label.startsWith(said) && !label.contains(QStringLiteral("(--")), qPrintable(label));
    }

    void doubts_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("shown");       // each control as it shows the choice in doubt
        QTest::addColumn<QStringList>("highlighted"); // the widgets highlighted
        QTest::addColumn<QString>("refusal");         // OK's message after its first line
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("pick");        // the user's choice
        QTest::addColumn<QStringList>("after");       // the controls then
        QTest::addColumn<QString>("row");             // the preview's last row then
        QTest::newRow("a list entry: day and month")
            << QByteArray("02.01.2020;88,435;88,971;85,548;85,661;918691\n03.01.2020;85,661;86,12;84,902;85,904;702114\n")
            << QStringList{"dateFormatCombo=", "decimalCommaRadio=1"} << QStringList{"dateFormatCombo"}
            << "\u2022 \"Date Format\": All days are 12 or less: DD/MM or MM/DD cannot be told apart; DD_MM_CCYY was "
               "chosen, as the other layout puts dates on weekends."
            << "dateFormatCombo" << QStringList{"dateFormatCombo=MM_DD_CCYY"} << QStringList{"dateFormatCombo=MM_DD_CCYY"}
            << "2:2020-03-01|85.661|86.12|84.902|85.904|702114";
        QTest::newRow("radio buttons: the decimal mark")
            << QByteArray("2023-01-03 1,234 1,240 1,230 1,235 100\n2023-01-04 1,235 1,245 1,233 1,241 120\n")
            << QStringList{"decimalPointRadio=0", "decimalCommaRadio=0", "spaceRadio=1"} << QStringList{"decimalBox"}
            << "\u2022 \"Decimal point\" or \"Decimal comma\": The numbers read alike with a decimal point and with a "
               "decimal comma"
            << "decimalPointRadio" << QStringList{"decimalCommaRadio=1"}
            << QStringList{"decimalPointRadio=0", "decimalCommaRadio=1"} << "2:2023-01-04|1.235|1.245|1.233|1.241|120";
        QTest::newRow("column boxes: the open and the close")
            << QByteArray("2023-01-03,12,9,11,10\n2023-01-04,13,10,12,11\n2023-01-05,14,11,13,12\n")
            << QStringList{"openColSpin=?", "cloColSpin=?", "hiColSpin=2"} << QStringList{"cloColSpin", "openColSpin"}
            << "\u2022 the Open column and the Close column: No header names the columns and columns 4 and 5 lie between"
            << "openColSpin" << QStringList{"cloColSpin=4"} << QStringList{"openColSpin=5", "cloColSpin=4"}
            << "3:2023-01-05|12|14|11|13";
        QTest::newRow("a column box: the open interest")
            << QByteArray("2023-01-03,10,12,9,11,100,5000\n2023-01-04,11,13,10,12,120,5100\n")
            << QStringList{"oiColSpin=?", "openIntCheck=1"} << QStringList{"oiColSpin"}
            << "\u2022 the Open Int column: No header names column 7, which holds whole numbers after the volume"
            << "oiColSpin" << QStringList{"openIntCheck=0"} << QStringList{"oiColSpin=7", "openIntCheck=0"}
            << "2:2023-01-04|11|13|10|12|120";
        QTest::newRow("a check box: a field left out")
            << QByteArray("Date,Open,High,Low,Close\n2023-01-03,n/a,12,9,11\n2023-01-04,n/a,13,10,12\n")
            << QStringList{"openCheck=?"} << QStringList{"openCheck"}
            << "\u2022 the Open column: Column 2 (\"Open\") names the open but holds no number" << "openCheck"
            << QStringList{"openCheck=1"} << QStringList{"openCheck=1", "openColSpin=2"}
            << "3:2023-01-04|[n/a]|13|10|12 ~ \"n/a\" in the Open column (2) is not a number";
        QTest::newRow("a text box: the currency")
            << QByteArray("Date,Open,High,Low,Close\n2023-01-03,$10,$12,$9,\u20AC11\n2023-01-04,$11,$13,$10,\u20AC12\n")
            << QStringList{"currencyEdit="} << QStringList{"currencyEdit"}
            << "\u2022 \"Currency\": The prices carry two currencies, $ and \u20AC; only one can be read."
            << "currencyEdit" << QStringList{"currencyEdit=$"} << QStringList{"currencyEdit=$"}
            << "3:2023-01-04|11|13|10|[\u20AC12] ~ \"\u20AC12\" in the Close column (5) is not a number";
        QTest::newRow("the interval of intraday bars")
            << QByteArray("2023-09-01 09:30,1,2,0.5,1.5\n2023-09-01 09:35,1,2,0.5,1.5\n2023-09-01 09:42,1,2,0.5,1.5\n"
                          "2023-09-01 09:51,1,2,0.5,1.5\n")
            << QStringList{"intervalSpin=?", "periodCombo=Intraday", "dateTimeCheck=1"} << QStringList{"intervalSpin"}
            << "\u2022 \"Interval\": The bars of a day are apart by different steps; the most common, 5 minutes"
            << "intervalSpin" << QStringList{"intervalSpin=1"} << QStringList{"intervalSpin=1"}
            << "4:2023-09-01|09:51:00|1|2|0.5|1.5";
    }

    // A choice detection could not make is shown unchosen and highlighted, the preview reads
    // with its guess, OK names it and waits; the user's pick settles it.
    void doubts() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, highlighted);
        QFETCH(QString, refusal);
        QFETCH(QString, focus);
        QFETCH(QStringList, pick);
        QFETCH(QStringList, after);
        QFETCH(QString, row);
        QVERIFY(WriteBytes(Here("@/doubt.csv"), bytes));
        SImportSettings settings;
        settings.strPathIn = Here("@/doubt.csv").toStdString();
        settings.strPathOut = Here("@/db").toStdString();
        settings.strSymbol = "X";
        auto pDlg = Open(settings, true);
        for (const QString& expected : shown) {
            QCOMPARE(expected.section(u'=', 0, 0) + u'=' + ControlValue(*pDlg, expected.section(u'=', 0, 0)), expected);
        }
        QCOMPARE(Highlighted(*pDlg), highlighted);
        const auto* pLabel = pDlg->findChild<QLabel*>("detectionLabel");
        QVERIFY2(pLabel->text().contains("Choose the highlighted settings yourself"), qPrintable(pLabel->text()));
        // The preview reads with the guess meanwhile.
        const auto* pTable = pDlg->findChild<QTableWidget*>("previewTable");
        QVERIFY(pTable->rowCount() > 0);

        for (int nTry = 0; nTry < 2; ++nTry) {
            ClickButton(*pDlg, "okButton");
            QVERIFY(pDlg->isVisible());
            QCOMPARE(m_messages.Texts().size(), std::size_t(nTry + 1));
            const QString message = QString::fromStdString(m_messages.Texts().back());
            QVERIFY2(message.startsWith("Detection could not make these choices for certain.") &&
                         message.contains("\n\n" + refusal),
                     qPrintable(message));
            VerifyFocus(*pDlg, focus);
        }

        m_messages.Clear();
        SetControls(*pDlg, pick);
        QCOMPARE(Highlighted(*pDlg), QStringList());
        QVERIFY2(!pLabel->text().contains("Choose the highlighted"), qPrintable(pLabel->text()));
        for (const QString& expected : after) {
            QCOMPARE(expected.section(u'=', 0, 0) + u'=' + ControlValue(*pDlg, expected.section(u'=', 0, 0)), expected);
        }
        pDlg->UpdatePreview();
        QCOMPARE(TableRows(*pTable).back(), row);
        ClickButton(*pDlg, "okButton");
        QCOMPARE(m_messages.Texts(), std::vector<std::string>());
        QCOMPARE(pDlg->result(), int(QDialog::Accepted));

        // Detect again: the same doubts, unchosen again, and settled again by the same pick.
        pDlg->setResult(QDialog::Rejected);
        pDlg->show();
        for (int nTime = 0; nTime < 2; ++nTime) {
            ClickButton(*pDlg, "detectButton");
        }
        QCOMPARE(Highlighted(*pDlg), highlighted);
        for (const QString& expected : shown) {
            QCOMPARE(expected.section(u'=', 0, 0) + u'=' + ControlValue(*pDlg, expected.section(u'=', 0, 0)), expected);
        }
        SetControls(*pDlg, pick);
        QCOMPARE(Highlighted(*pDlg), QStringList());
        for (const QString& expected : after) {
            QCOMPARE(expected.section(u'=', 0, 0) + u'=' + ControlValue(*pDlg, expected.section(u'=', 0, 0)), expected);
        }
        for (auto* pCheck : pDlg->findChildren<QCheckBox*>()) {
            QVERIFY2(!pCheck->isTristate(), qPrintable(pCheck->objectName()));
        }
    }

    void tabOrderAndSize() {
        auto pDlg = Open();
        QWidget* pFirst = pDlg->findChild<QWidget*>("okButton");
        QStringList order;
        for (QWidget* pWidget = pFirst; order.size() < 100;) {
            if ((pWidget->focusPolicy() & Qt::TabFocus) && !pWidget->objectName().isEmpty() &&
                !pWidget->objectName().startsWith(u"qt_")) {
                order << pWidget->objectName();
            }
            pWidget = pWidget->nextInFocusChain();
            if (pWidget == pFirst) {
                break;
            }
        }
        QCOMPARE(order, QStringList({"okButton",          "cancelButton",      "dateColSpin",      "openCheck",
                                     "openColSpin",       "highCheck",         "hiColSpin",        "lowCheck",
                                     "loColSpin",         "cloColSpin",        "volumeCheck",      "volColSpin",
                                     "openIntCheck",      "oiColSpin",         "symbolColSpin",    "timeColSpin",
                                     "commaRadio",        "tabRadio",          "spaceRadio",       "semicolonRadio",
                                     "decimalPointRadio", "decimalCommaRadio", "currencyEdit",     "dateFormatCombo",
                                     "dateTimeCheck",     "reverseCheck",      "skipRowsCheck",    "rowsToSkipSpin",
                                     "skipBadCheck",      "keepLastCheck",     "periodCombo",      "intervalSpin",
                                     "pathOutEdit",       "browseButton",      "useExistingRadio", "makeNewRadio",
                                     "addNewBarsRadio",   "addOrUpdateRadio",  "symbolEdit",       "nameEdit",
                                     "detectButton",      "previewTable",      "countButton"}));
        VerifyFocus(*pDlg, "okButton");
        // Room for a caption and a panel on a 1280 x 800 screen.
        QVERIFY(pDlg->sizeHint().width() <= 1280);
        QVERIFY(pDlg->sizeHint().height() <= 720);
    }
};

int RunSettingsDlgTests(int argc, char** argv) {
    TestSettingsDlg test;
    return QTest::qExec(&test, argc, argv);
}

#include "SettingsDlgTest.moc"
