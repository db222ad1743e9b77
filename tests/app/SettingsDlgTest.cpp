// The settings dialog driven as a user drives it: each refusal with its message, the focus on
// the control to fix and the typed values kept; the missing output folder; the enabling rules;
// every value through the controls and back; the tab order and the size.
#include "AppTests.h"

#include "app/SettingsDlg.h"
#include "platform/RecordingMessageBox.h"

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

    // The dialog as the Settings command shows it: stored defaults, a symbol, an output folder.
    std::unique_ptr<CSettingsDlg> Open(SImportSettings settings = {}, bool bDetect = false) {
        if (settings.strPathOut.empty()) {
            settings.strSymbol = "IBM";
            settings.strPathOut = m_dir.path().toStdString();
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
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("message");
        QTest::newRow("yes creates it") << "@/new/deeper" << int(SAnswer::Yes) << true
                                        << "The folder @/new/deeper does not exist. Create it?";
        QTest::newRow("no keeps the dialog") << "@/declined" << int(SAnswer::No) << false << "";
        QTest::newRow("cannot be made") << "@/file.txt/sub" << int(SAnswer::Yes) << false
                                        << "The folder @/file.txt/sub could not be created.";
    }

    void missingFolder() {
        QFETCH(QString, folder);
        QFETCH(int, answer);
        QFETCH(bool, accepted);
        QFETCH(QString, message);
        folder = Here(folder);
        auto pDlg = Open();
        SetControls(*pDlg, {"pathOutEdit=" + folder});
        m_messages.QueueAnswer(static_cast<SAnswer>(answer));
        ClickButton(*pDlg, "okButton");
        QCOMPARE(m_messages.Shown().at(0).buttons, EMessageButtons::YesNo);
        const QString shown = QString::fromStdString(m_messages.Texts().back());
        QVERIFY2(shown.startsWith(Here(message)), qPrintable(shown));
        QCOMPARE(pDlg->result() == QDialog::Accepted, accepted);
        QCOMPARE(QFileInfo(folder).isDir(), accepted);
        if (accepted) {
            // A folder made just now holds nothing to add to.
            QCOMPARE(pDlg->m_nExist, int(EMasterMode::MakeNew));
        } else {
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
        QTest::newRow("no decimal comma with commas") << QStringList() << "decimalCommaCheck" << false << "0";
        QTest::newRow("decimal comma with semicolons") << QStringList{"semicolonRadio=1", "decimalCommaCheck=1"}
                                                       << "decimalCommaCheck" << true << "1";
        QTest::newRow("back to commas clears it")
            << QStringList{"tabRadio=1", "decimalCommaCheck=1", "commaRadio=1"} << "decimalCommaCheck" << false << "0";
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
        } else if (auto* pCheck = qobject_cast<QCheckBox*>(pControl); pCheck && !value.isEmpty()) {
            QCOMPARE(pCheck->isChecked(), value == QLatin1String("1"));
        } else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
            QCOMPARE(pEdit->text() + u'|' + pEdit->placeholderText(), value);
        }
    }

    // Every setting away from its default, numbers at the ends of their ranges, texts at their
    // longest: the controls must hold each and hand it back unchanged.
    void everyValueThroughTheControls() {
        SImportSettings in;
        in.strDateFormat = "DDMMCCYY";
        in.nExist = static_cast<long long>(EMasterMode::AddNewBars);
        in.nDelimiter = static_cast<long long>(EDelimiter::Semicolon);
        in.strPathIn = "/in/prices.csv";
        in.strPathOut = m_dir.path().toStdString();
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
        auto pDlg = Open(in);
        ClickButton(*pDlg, "okButton");
        QCOMPARE(m_messages.Texts(), std::vector<std::string>());
        const SImportSettings out = pDlg->Settings();
        for (const SIntKey& key : kIntKeys) {
            QVERIFY2(out.*key.pMember == in.*key.pMember, key.pszKey);
        }
        for (const STextKey& key : kTextKeys) {
            QVERIFY2(out.*key.pMember == in.*key.pMember, key.pszKey);
        }
        QCOMPARE(pDlg->m_nDateFormatNumber, 12);
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
                                        << QStringList{"semicolonRadio=1", "decimalCommaCheck=1",
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
            << QStringList{"semicolonRadio=1", "decimalCommaCheck=1", "dateFormatCombo=DD_MM_CCYY", "skipRowsCheck=1",
                           "rowsToSkipSpin=1", "volumeCheck=0", "reverseCheck=0"}
            << "Detected from the first 3 lines of the file.";
        QTest::newRow("newest first, days all 12 or less")
            << QByteArray("01/05/2023\t1\t2\t1\t1.5\t100\n01/04/2023\t1\t2\t1\t1.5\t100\n01/03/2023\t1\t2\t1\tx\t100\n")
            << QStringList{"tabRadio=1", "skipRowsCheck=0", "reverseCheck=1"}
            << "Detected from the first 3 lines of the file; check these:";
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
        QCOMPARE(order, QStringList({"okButton",         "cancelButton",   "dateColSpin",      "openCheck",
                                     "openColSpin",      "highCheck",      "hiColSpin",        "lowCheck",
                                     "loColSpin",        "cloColSpin",     "volumeCheck",      "volColSpin",
                                     "openIntCheck",     "oiColSpin",      "symbolColSpin",    "commaRadio",
                                     "tabRadio",         "spaceRadio",     "semicolonRadio",   "decimalCommaCheck",
                                     "dateFormatCombo",  "skipRowsCheck",  "rowsToSkipSpin",   "skipBadCheck",
                                     "pathOutEdit",      "browseButton",   "useExistingRadio", "makeNewRadio",
                                     "addNewBarsRadio",  "symbolEdit",     "nameEdit",         "reverseCheck",
                                     "detectButton",     "previewTable",   "countButton"}));
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
