// The "Conversion Settings" dialog on its own: its layout from the template, the exchange and
// its refusals, the check-box handlers, the arrows, OK's checks and Browse.
#include "app/ChooseDir.h"
#include "app/SettingsDlg.h"
#include "app/UpDown.h"
#include "platform/RecordingMessageBox.h"
#include "resources/ChooseDirTemplate.h"
#include "resources/SettingsDlgTemplate.h"
#include "tests/app/AppTestSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A shown dialog holding the first-run settings with a symbol and an output directory.
struct SDlg {
    CRecordingMessageBox messages;
    CSettingsDlg dlg{messages};

    SDlg() {
        const SImportSettings defaults;
        dlg.m_strDateFormat = QString::fromStdString(defaults.strDateFormat);
        dlg.m_nExist = defaults.nExist;
        dlg.m_nDelimiter = defaults.nDelimiter;
        dlg.m_strPathIn = QStringLiteral("/data/prices.csv");
        dlg.m_strPathOut = QDir::tempPath();
        dlg.m_strSymbol = QStringLiteral("IBM");
        dlg.m_nDateCol = 1;
        dlg.m_bOpenOn = 1;
        dlg.m_nOpenCol = 2;
        dlg.m_bHiOn = 1;
        dlg.m_nHiCol = 3;
        dlg.m_bLoOn = 1;
        dlg.m_nLoCol = 4;
        dlg.m_nCloCol = 5;
        dlg.m_bVolOn = 1;
        dlg.m_nVolCol = 6;
        dlg.m_bOIOn = 1;
        dlg.m_nOICol = 7;
    }
    ~SDlg() { dlg.hide(); }

    bool Show() {
        dlg.show();
        return QTest::qWaitForWindowExposed(&dlg);
    }
    QLineEdit* Edit(int nId) { return qobject_cast<QLineEdit*>(dlg.Control(nId)); }
    QCheckBox* Box(int nId) { return qobject_cast<QCheckBox*>(dlg.Control(nId)); }
    CUpDown* Spin(int nId) { return qobject_cast<CUpDown*>(dlg.Control(nId)); }
    QComboBox* Combo() { return dlg.m_pDateFormatCombo; }
    void Click(int nId) { QTest::mouseClick(dlg.Control(nId), Qt::LeftButton); }
    // OK as the user presses it; true when the dialog closed with OK.
    bool PressOk() {
        Click(IDOK);
        return !dlg.isVisible() && dlg.result() == QDialog::Accepted;
    }
    QStringList Texts() const {
        QStringList texts;
        for (const std::string& text : messages.Texts()) {
            texts << QString::fromStdString(text);
        }
        return texts;
    }
};

}  // namespace

class CSettingsDlgTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        QCOMPARE(VisibleTopLevelWindow(), QString());
    }

    void layoutFollowsTheTemplate() {
        SDlg d;
        QVERIFY(d.Show());
        const QSize base = DialogBaseUnits(d.dlg.font());
        QCOMPARE(d.dlg.windowTitle(), QStringLiteral("Conversion Settings"));
        QCOMPARE(d.dlg.size(), DialogUnitsToPixels(QRect(0, 0, 342, 231), base).size());
        QCOMPARE(d.dlg.Control(IDOK)->geometry(), DialogUnitsToPixels(QRect(230, 210, 50, 14), base));
        QCOMPARE(d.dlg.Control(IDC_PATH_OUT)->geometry(), DialogUnitsToPixels(QRect(15, 130, 240, 15), base));
        QVERIFY(qobject_cast<QPushButton*>(d.dlg.Control(IDOK))->isDefault());
        QVERIFY(!d.dlg.Control(IDC_PATH_IN)->isVisible());

        // Each pair of edit and arrows fills the edit's rectangle, the arrows at its right end.
        const QRect dateRect = DialogUnitsToPixels(QRect(15, 30, 30, 15), base);
        QRect pair = d.Edit(IDC_DATE_COL)->geometry();
        QCOMPARE(d.Spin(IDC_DATE_SPIN)->geometry().left(), pair.right() + 1);
        pair = pair.united(d.Spin(IDC_DATE_SPIN)->geometry());
        QCOMPARE(pair, dateRect);
        QCOMPARE(d.Spin(IDC_DATE_SPIN)->Buddy(), d.Edit(IDC_DATE_COL));
        QCOMPARE(d.Spin(IDC_ROWS_SPIN)->Buddy(), d.Edit(IDC_ROWS_TO_SKIP));

        // Closed, the combo box is one line high; the template's height is its list's.
        QVERIFY(d.Combo()->height() < DialogUnitsToPixels(QRect(140, 80, 75, 80), base).height() / 2);
        QCOMPARE(d.Combo()->count(), 12);
        QCOMPARE(d.Combo()->itemText(2), QStringLiteral("MM_DD_YY"));

        // Tab order: OK first, then Cancel, the date column, the Open box.
        QCOMPARE(d.dlg.focusWidget(), d.dlg.Control(IDOK));
        const auto nextTab = [](QWidget* pWidget) {
            do {
                pWidget = pWidget->nextInFocusChain();
            } while ((pWidget->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || !pWidget->isVisible());
            return pWidget;
        };
        QCOMPARE(nextTab(d.dlg.Control(IDOK)), d.dlg.Control(IDCANCEL));
        QCOMPARE(nextTab(d.dlg.Control(IDCANCEL)), d.dlg.Control(IDC_DATE_COL));
        QCOMPARE(nextTab(d.dlg.Control(IDC_DATE_COL)), d.dlg.Control(IDC_OPEN_ON));
        // The radio groups take no tab stop; the date-format list follows the Open Int column.
        QCOMPARE(nextTab(d.dlg.Control(IDC_OI_COL)), d.dlg.Control(IDC_DATE_FORMAT));

        QCoreApplication::processEvents();
        const QString dir = qEnvironmentVariableIsSet("PELMAR_SHOT_DIR") ? qEnvironmentVariable("PELMAR_SHOT_DIR")
                                                                          : QDir::tempPath() + QStringLiteral("/pelmar-shots");
        QDir().mkpath(dir);
        QVERIFY(d.dlg.grab().save(dir + QStringLiteral("/settings-dialog.png")));
    }

    void everyColumnIsRangeChecked_data() {
        QTest::addColumn<int>("nEdit");
        QTest::addColumn<int>("nBox");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("date 0") << IDC_DATE_COL << 0 << "0" << "Date";
        QTest::newRow("date 21") << IDC_DATE_COL << 0 << "21" << "Date";
        QTest::newRow("close 21") << IDC_CLO_COL << 0 << "21" << "Close";
        QTest::newRow("open 0, switched off") << IDC_OPEN_COL << IDC_OPEN_ON << "0" << "Open";
        QTest::newRow("open int 21, switched off") << IDC_OI_COL << IDC_OI_ON << "21" << "Open Int";
        QTest::newRow("volume 99999999999999, switched off") << IDC_VOL_COL << IDC_VOL_ON << "99999999999999"
                                                             << "Volume";
    }
    void everyColumnIsRangeChecked() {
        QFETCH(int, nEdit);
        QFETCH(int, nBox);
        QFETCH(QString, text);
        QFETCH(QString, field);
        SDlg d;
        QVERIFY(d.Show());
        if (nBox != 0) {
            d.Click(nBox);
            QVERIFY(!d.Edit(nEdit)->isEnabled());
        }
        d.Edit(nEdit)->setText(text);
        QVERIFY(!d.PressOk());
        QCOMPARE(d.Texts(), QStringList{QStringLiteral("The %1 column must be a number from 1 to 20.").arg(field)});
        QCOMPARE(d.dlg.focusWidget(), nBox != 0 ? d.dlg.focusWidget() : d.dlg.Control(nEdit));
        QCOMPARE(d.Edit(nEdit)->text(), text);
    }

    void numbersMustBeDigits_data() {
        QTest::addColumn<int>("nEdit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString column = QStringLiteral("The High column must be a whole number from 1 to 20, written in digits only.");
        QTest::newRow("empty") << IDC_HI_COL << "" << column;
        QTest::newRow("negative") << IDC_HI_COL << "-3" << column;
        QTest::newRow("letters") << IDC_HI_COL << "3a" << column;
        QTest::newRow("fraction") << IDC_HI_COL << "3.5" << column;
        QTest::newRow("rows") << IDC_ROWS_TO_SKIP << "x"
                              << "The rows to skip must be a whole number from 0 to 200, written in digits only.";
    }
    void numbersMustBeDigits() {
        QFETCH(int, nEdit);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        SDlg d;
        d.dlg.m_bSkipOn = 1;
        QVERIFY(d.Show());
        d.Edit(nEdit)->setText(text);
        QVERIFY(!d.PressOk());
        QCOMPARE(d.Texts(), QStringList{expected});
        QCOMPARE(d.dlg.focusWidget(), d.dlg.Control(nEdit));
    }

    void blanksAroundANumberAreAccepted() {
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_DATE_COL)->setText(QStringLiteral("  09 "));
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_nDateCol, 9);
    }

    // A stored value outside the range is shown as it is, refused on OK, and only moved into
    // the range when the user steps it.
    void storedColumnIsShownUnclampedAndStepsIntoRange() {
        SDlg d;
        d.dlg.m_nVolCol = 25;
        d.dlg.m_nRowsToSkip = 300;
        d.dlg.m_bSkipOn = 1;
        QVERIFY(d.Show());
        QCOMPARE(d.Edit(IDC_VOL_COL)->text(), QStringLiteral("25"));
        QCOMPARE(d.Edit(IDC_ROWS_TO_SKIP)->text(), QStringLiteral("300"));
        QVERIFY(!d.PressOk());
        QCOMPARE(d.Texts(), QStringList{QStringLiteral("The Volume column must be a number from 1 to 20.")});
        QCOMPARE(d.dlg.m_nVolCol, 25);

        CUpDown* pSpin = d.Spin(IDC_VOL_SPIN);
        QTest::mouseClick(pSpin->UpButton(), Qt::LeftButton);
        QCOMPARE(d.Edit(IDC_VOL_COL)->text(), QStringLiteral("20"));
        QTest::mouseClick(pSpin->UpButton(), Qt::LeftButton);
        QCOMPARE(d.Edit(IDC_VOL_COL)->text(), QStringLiteral("20"));
        QTest::mouseClick(pSpin->DownButton(), Qt::LeftButton);
        QCOMPARE(d.Edit(IDC_VOL_COL)->text(), QStringLiteral("19"));

        // The keys step too, from whatever the edit holds.
        d.Edit(IDC_ROWS_TO_SKIP)->setText(QStringLiteral("199"));
        QTest::keyClick(d.Edit(IDC_ROWS_TO_SKIP), Qt::Key_Up);
        QTest::keyClick(d.Edit(IDC_ROWS_TO_SKIP), Qt::Key_Up);
        QCOMPARE(d.Edit(IDC_ROWS_TO_SKIP)->text(), QStringLiteral("200"));
        d.Edit(IDC_DATE_COL)->setText(QStringLiteral("1"));
        QTest::keyClick(d.Edit(IDC_DATE_COL), Qt::Key_Down);
        QCOMPARE(d.Edit(IDC_DATE_COL)->text(), QStringLiteral("1"));
        d.Edit(IDC_DATE_COL)->setText(QStringLiteral("0"));
        QTest::keyClick(d.Edit(IDC_DATE_COL), Qt::Key_Up);
        QCOMPARE(d.Edit(IDC_DATE_COL)->text(), QStringLiteral("1"));
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_nVolCol, 19);
        QCOMPARE(d.dlg.m_nRowsToSkip, 200);
    }

    void disabledArrowsDoNotStep() {
        SDlg d;
        d.dlg.m_bOpenOn = 0;
        QVERIFY(d.Show());
        QVERIFY(!d.Spin(IDC_OPEN_SPIN)->isEnabled());
        d.Spin(IDC_OPEN_SPIN)->StepBy(1);
        QCOMPARE(d.Edit(IDC_OPEN_COL)->text(), QStringLiteral("2"));
    }

    void duplicateColumns_data() {
        QTest::addColumn<int>("nDateCol");
        QTest::addColumn<int>("nCloCol");
        QTest::addColumn<int>("nVolCol");
        QTest::addColumn<int>("bVolOn");
        QTest::addColumn<bool>("bAccepted");
        QTest::newRow("date and close in 3") << 3 << 3 << 6 << 1 << false;
        QTest::newRow("volume on in the date's column") << 1 << 5 << 1 << 1 << false;
        QTest::newRow("volume off in the date's column") << 1 << 5 << 1 << 0 << true;
    }
    void duplicateColumns() {
        QFETCH(int, nDateCol);
        QFETCH(int, nCloCol);
        QFETCH(int, nVolCol);
        QFETCH(int, bVolOn);
        QFETCH(bool, bAccepted);
        SDlg d;
        d.dlg.m_nDateCol = nDateCol;
        d.dlg.m_nCloCol = nCloCol;
        d.dlg.m_nVolCol = nVolCol;
        d.dlg.m_bVolOn = bVolOn;
        d.dlg.m_nHiCol = 8;  // out of the way of the columns tried
        QVERIFY(d.Show());
        QCOMPARE(d.PressOk(), bAccepted);
        if (bAccepted) {
            QVERIFY(d.Texts().isEmpty());
            QCOMPARE(d.dlg.m_nVolCol, nVolCol);
            QCOMPARE(d.dlg.m_bVolOn, 0);
        } else {
            QCOMPARE(d.Texts(), QStringList{QStringLiteral("Duplicate columns specified\nCorrect or disable")});
        }
    }

    void symbolIsCleanedAndShown_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trailing blanks") << "ibm   " << "IBM";
        QTest::newRow("trailing tab") << "msft\t" << "MSFT";
        // Leading blanks are the user's own: only the end is trimmed.
        QTest::newRow("blanks on both sides") << " ibm  " << "IBM";
        QTest::newRow("inner characters kept") << "brk.b" << "BRK.B";
    }
    void symbolIsCleanedAndShown() {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_SYMBOL)->setText(typed);
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_strSymbol, expected);
        QCOMPARE(d.Edit(IDC_SYMBOL)->text(), expected);
    }

    void blankSymbolOrPathIsRefused_data() {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("nFocus");
        QTest::newRow("empty symbol") << "" << "/tmp" << "You did not enter a valid symbol" << IDC_SYMBOL;
        QTest::newRow("blank symbol") << "   " << "/tmp" << "You did not enter a valid symbol" << IDC_SYMBOL;
        QTest::newRow("empty path") << "ibm" << "" << "Please enter path" << IDC_PATH_OUT;
        QTest::newRow("blank path") << "ibm" << "  \t " << "Please enter path" << IDC_PATH_OUT;
        QTest::newRow("symbol outside Windows-1252")
            << QStringLiteral("日本") << "/tmp"
            << "The symbol can hold only letters, digits and signs of the Windows-1252 character set." << IDC_SYMBOL;
    }
    void blankSymbolOrPathIsRefused() {
        QFETCH(QString, symbol);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QFETCH(int, nFocus);
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_SYMBOL)->setText(symbol);
        d.Edit(IDC_PATH_OUT)->setText(path);
        QVERIFY(!d.PressOk());
        QCOMPARE(d.Texts(), QStringList{expected});
        QCOMPARE(d.dlg.focusWidget(), d.dlg.Control(nFocus));
        QCOMPARE(d.Edit(IDC_PATH_OUT)->text(), path);
    }

    void blankPathStillShowsTheCleanedSymbol() {
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_SYMBOL)->setText(QStringLiteral("ibm "));
        d.Edit(IDC_PATH_OUT)->setText(QString());
        QVERIFY(!d.PressOk());
        QCOMPARE(d.Edit(IDC_SYMBOL)->text(), QStringLiteral("IBM"));
    }

    void pathKeepsItsTrailingBlanks() {
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_PATH_OUT)->setText(QStringLiteral("/tmp/out  "));
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_strPathOut, QStringLiteral("/tmp/out  "));
    }

    // Values longer than an edit takes are kept whole, so that OK refuses them instead of
    // the dialog cutting them; typing stops at the limit.
    void longTextsAreKeptAndRefused_data() {
        QTest::addColumn<int>("nEdit");
        QTest::addColumn<int>("nLength");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name") << IDC_NAME << 17 << "The name can be at most 16 characters long.";
        QTest::newRow("symbol") << IDC_SYMBOL << 20 << "The symbol can be at most 16 characters long.";
        QTest::newRow("path") << IDC_PATH_OUT << 251 << "The output directory can be at most 250 characters long.";
        QTest::newRow("input path") << IDC_PATH_IN << 251 << "The input file path can be at most 250 characters long.";
    }
    void longTextsAreKeptAndRefused() {
        QFETCH(int, nEdit);
        QFETCH(int, nLength);
        QFETCH(QString, expected);
        SDlg d;
        const QString text = QStringLiteral("/") + QString(nLength - 1, u'n');
        switch (nEdit) {
        case IDC_NAME: d.dlg.m_strName = text; break;
        case IDC_SYMBOL: d.dlg.m_strSymbol = text; break;
        case IDC_PATH_OUT: d.dlg.m_strPathOut = text; break;
        default: d.dlg.m_strPathIn = text; break;
        }
        QVERIFY(d.Show());
        QCOMPARE(d.Edit(nEdit)->text(), text);
        QVERIFY(!d.PressOk());
        QCOMPARE(d.Texts(), QStringList{expected});
    }
    void typingStopsAtTheLimit() {
        SDlg d;
        d.dlg.m_strName = QString();
        QVERIFY(d.Show());
        QTest::keyClicks(d.Edit(IDC_NAME), QString(20, u'a'));
        QCOMPARE(d.Edit(IDC_NAME)->text(), QString(16, u'a'));
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_strName, QString(16, u'a'));
    }

    void fieldBoxesSwitchTheirPair() {
        SDlg d;
        d.dlg.m_bHiOn = 0;
        QVERIFY(d.Show());
        QVERIFY(!d.Edit(IDC_HI_COL)->isEnabled());
        QVERIFY(!d.Spin(IDC_HI_SPIN)->isEnabled());
        QVERIFY(d.Edit(IDC_DATE_COL)->isEnabled());
        QVERIFY(d.Edit(IDC_CLO_COL)->isEnabled());
        d.Click(IDC_HI_ON);
        QVERIFY(d.Edit(IDC_HI_COL)->isEnabled());
        QVERIFY(d.Spin(IDC_HI_SPIN)->isEnabled());
        QCOMPARE(d.dlg.m_bHiOn, 1);

        // A refused value elsewhere shows its message, and the pair still follows its box.
        d.Edit(IDC_DATE_COL)->setText(QStringLiteral("30"));
        d.Click(IDC_LO_ON);
        QVERIFY(!d.Edit(IDC_LO_COL)->isEnabled());
        QVERIFY(!d.Spin(IDC_LO_SPIN)->isEnabled());
        QCOMPARE(d.Texts(), QStringList{QStringLiteral("The Date column must be a number from 1 to 20.")});
    }

    void skipRowsClearedResetsToZero() {
        SDlg d;
        d.dlg.m_bSkipOn = 1;
        d.dlg.m_nRowsToSkip = 5;
        QVERIFY(d.Show());
        QVERIFY(d.Edit(IDC_ROWS_TO_SKIP)->isEnabled());
        QCOMPARE(d.Edit(IDC_ROWS_TO_SKIP)->text(), QStringLiteral("5"));
        d.Click(IDC_SKIP_ON);
        QCOMPARE(d.Edit(IDC_ROWS_TO_SKIP)->text(), QStringLiteral("0"));
        QVERIFY(!d.Edit(IDC_ROWS_TO_SKIP)->isEnabled());
        QVERIFY(!d.Spin(IDC_ROWS_SPIN)->isEnabled());
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_bSkipOn, 0);
        QCOMPARE(d.dlg.m_nRowsToSkip, 0);
    }

    void skipRowsFollowsItsBoxAlsoAfterARefusal() {
        SDlg d;
        d.dlg.m_nOpenCol = 40;
        QVERIFY(d.Show());
        d.Click(IDC_SKIP_ON);
        QVERIFY(d.Edit(IDC_ROWS_TO_SKIP)->isEnabled());
        d.Click(IDC_SKIP_ON);
        QVERIFY(!d.Edit(IDC_ROWS_TO_SKIP)->isEnabled());
        QCOMPARE(d.Edit(IDC_ROWS_TO_SKIP)->text(), QStringLiteral("0"));
    }

    void rowsToSkipRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bAccepted");
        QTest::newRow("0") << "0" << true;
        QTest::newRow("200") << "200" << true;
        QTest::newRow("201") << "201" << false;
    }
    void rowsToSkipRange() {
        QFETCH(QString, text);
        QFETCH(bool, bAccepted);
        SDlg d;
        d.dlg.m_bSkipOn = 1;
        QVERIFY(d.Show());
        d.Edit(IDC_ROWS_TO_SKIP)->setText(text);
        QCOMPARE(d.PressOk(), bAccepted);
        if (!bAccepted) {
            QCOMPARE(d.Texts(), QStringList{QStringLiteral("The rows to skip must be a number from 0 to 200.")});
            QCOMPARE(d.dlg.focusWidget(), d.dlg.Control(IDC_ROWS_TO_SKIP));
        }
    }

    void dateFormatText_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("nChoose");  // entry chosen from the list before typing, -1 none
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<int>("nNumber");
        QTest::newRow("stored entry") << "MMDDYY" << -1 << QString() << "MMDDYY" << 9;
        QTest::newRow("stored in lower case") << "ccyymmdd" << -1 << QString() << "CCYYMMDD" << 8;
        QTest::newRow("typed beginning mm") << "MMDDYY" << -1 << "mm" << "MM_DD_YY" << 3;
        QTest::newRow("typed, matching nothing") << "MMDDYY" << -1 << "Julian" << "Julian" << 0;
        QTest::newRow("stored, matching nothing") << "YYYY-MM" << -1 << QString() << "YYYY-MM" << 0;
        QTest::newRow("chosen from the list") << "MMDDYY" << 5 << QString() << "DD_MM_CCYY" << 6;
        // The number always belongs to the entry shown, never to one chosen earlier.
        QTest::newRow("chosen, then overtyped") << "MMDDYY" << 0 << "Julian" << "Julian" << 0;
    }
    void dateFormatText() {
        QFETCH(QString, stored);
        QFETCH(int, nChoose);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QFETCH(int, nNumber);
        SDlg d;
        d.dlg.m_strDateFormat = stored;
        QVERIFY(d.Show());
        if (stored == QStringLiteral("YYYY-MM")) {
            QCOMPARE(d.Combo()->currentIndex(), -1);
            QCOMPARE(d.Combo()->currentText(), stored);
        }
        if (nChoose >= 0) {
            d.Combo()->setCurrentIndex(nChoose);
        }
        if (!typed.isNull()) {
            d.Combo()->lineEdit()->clear();
            QTest::keyClicks(d.Combo()->lineEdit(), typed);
            QCOMPARE(d.Combo()->currentText(), typed);
        }
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_strDateFormat, saved);
        QCOMPARE(d.dlg.m_nDateFormatNumber, nNumber);
        QCOMPARE(d.Combo()->currentIndex(), nNumber - 1);
    }

    void dateFormatLongerThanTwelveIsRefused() {
        SDlg d;
        QVERIFY(d.Show());
        d.Combo()->setEditText(QStringLiteral("CCYYMMDD-long"));
        QVERIFY(!d.PressOk());
        QCOMPARE(d.Texts(), QStringList{QStringLiteral("The date format can be at most 12 characters long.")});
        QCOMPARE(d.dlg.focusWidget(), d.Combo());
        QVERIFY(d.Combo()->lineEdit()->hasSelectedText());
    }

    void radioGroupsWithNothingCheckedGiveMinusOne() {
        SDlg d;
        d.dlg.m_nDelimiter = 5;
        d.dlg.m_nExist = 3;
        QVERIFY(d.Show());
        for (int nId : {IDC_COMMA, IDC_TAB, IDC_SPACE, IDC_EXIST_MASTER, IDC_NEW_MASTER}) {
            QVERIFY(!qobject_cast<QRadioButton*>(d.dlg.Control(nId))->isChecked());
        }
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_nDelimiter, -1);
        QCOMPARE(d.dlg.m_nExist, -1);
    }

    void radioButtonsChooseWithinTheirGroup() {
        SDlg d;
        QVERIFY(d.Show());
        QVERIFY(qobject_cast<QRadioButton*>(d.dlg.Control(IDC_COMMA))->isChecked());
        QVERIFY(qobject_cast<QRadioButton*>(d.dlg.Control(IDC_EXIST_MASTER))->isChecked());
        d.Click(IDC_SPACE);
        d.Click(IDC_NEW_MASTER);
        QVERIFY(!qobject_cast<QRadioButton*>(d.dlg.Control(IDC_COMMA))->isChecked());
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_nDelimiter, 2);
        QCOMPARE(d.dlg.m_nExist, 1);
    }

    void reverseWarnsOncePerCheckingClick() {
        SDlg d;
        QVERIFY(d.Show());
        const QString warning = QStringLiteral(
            "Your original input file will be \nsaved with the extension BAK.\n\nThen the file will be reversed so\n"
            "the oldest entry is first.");
        d.Click(IDC_REVERSE);
        QCOMPARE(d.Texts(), QStringList{warning});
        d.Click(IDC_REVERSE);
        QCOMPARE(d.Texts().size(), 1);
        d.Click(IDC_REVERSE);
        QCOMPARE(d.Texts(), (QStringList{warning, warning}));
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_bReverseOrder, 1);
    }

    void cancelTakesNothing() {
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_SYMBOL)->setText(QStringLiteral("XYZ"));
        d.Edit(IDC_DATE_COL)->setText(QStringLiteral("9"));
        d.Click(IDCANCEL);
        QCOMPARE(d.dlg.result(), int(QDialog::Rejected));
        QCOMPARE(d.dlg.m_strSymbol, QStringLiteral("IBM"));
        QCOMPARE(d.dlg.m_nDateCol, 1);
    }

    void inputPathTravelsThroughTheDialog() {
        SDlg d;
        d.dlg.m_strPathIn = QStringLiteral("/data/a file.csv");
        QVERIFY(d.Show());
        QVERIFY(d.PressOk());
        QCOMPARE(d.dlg.m_strPathIn, QStringLiteral("/data/a file.csv"));
        QCOMPARE(d.dlg.Settings().strPathIn, std::string("/data/a file.csv"));
    }

    void browseTakesTheChosenDirectory() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("prices")));
        SDlg d;
        d.dlg.m_strPathOut = dir.path();
        QVERIFY(d.Show());
        d.Edit(IDC_SYMBOL)->setText(QStringLiteral("kept"));
        bool bShownStart = false;
        CModalAnswerer answerer([&](QWidget* pModal) {
            auto* pChooser = qobject_cast<CChooseDir*>(pModal);
            QVERIFY(pChooser);
            bShownStart = pChooser->m_pEditDir->text() == dir.path();
            pChooser->m_pEditDir->setText(dir.path() + QStringLiteral("/prices"));
            QTest::mouseClick(pChooser->Control(1), Qt::LeftButton);
        });
        d.Click(IDC_BROWSE);
        QCOMPARE(answerer.Count(), 1);
        QVERIFY(bShownStart);
        QCOMPARE(d.Edit(IDC_PATH_OUT)->text(), dir.path() + QStringLiteral("/prices"));
        // The rest of what the user typed survives the refill.
        QCOMPARE(d.Edit(IDC_SYMBOL)->text(), QStringLiteral("kept"));
        QVERIFY(d.Texts().isEmpty());
        QVERIFY(d.PressOk());
    }

    void browseCancelledChangesNothing() {
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_PATH_OUT)->setText(QStringLiteral("typed"));
        CModalAnswerer answerer;
        d.Click(IDC_BROWSE);
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(d.Edit(IDC_PATH_OUT)->text(), QStringLiteral("typed"));
    }

    // A refused value stops Browse before the chooser, so that nothing the user typed is
    // overwritten by the refill afterwards.
    void browseWithARefusedValueKeepsWhatWasTyped() {
        SDlg d;
        QVERIFY(d.Show());
        d.Edit(IDC_DATE_COL)->setText(QStringLiteral("22"));
        d.Edit(IDC_NAME)->setText(QStringLiteral("typed name"));
        CModalAnswerer answerer;
        d.Click(IDC_BROWSE);
        QCOMPARE(answerer.Count(), 0);
        QCOMPARE(d.Texts(), QStringList{QStringLiteral("The Date column must be a number from 1 to 20.")});
        QCOMPARE(d.Edit(IDC_NAME)->text(), QStringLiteral("typed name"));
        QCOMPARE(d.Edit(IDC_DATE_COL)->text(), QStringLiteral("22"));
    }
};

QTEST_MAIN(CSettingsDlgTest)
#include "SettingsDlgTest.moc"
