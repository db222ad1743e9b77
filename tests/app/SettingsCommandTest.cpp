// The Settings command through the whole program: open a file, its preview, the settings
// dialog answered here, the conversion, the log's last line, the database written and read
// back, the settings saved, and the next Settings command showing what the run stored.
#include "app/MainFrame.h"
#include "app/PelmarApp.h"
#include "app/PelmarView.h"
#include "app/Resource.h"
#include "app/SettingsDlg.h"
#include "metastock/DatabaseReader.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "resources/SettingsDlgTemplate.h"
#include "settings/Profile.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

constexpr char kPrices[] =
    "01/03/2023,41.05,41.38,40.45,40.48,1419852\n"
    "01/04/2023,40.37,40.62,39.64,39.66,1292057\n"
    "01/05/2023,39.32,39.52,38.29,38.67,904752\n";

// The settings dialog's controls as a user fills them.
struct SAnswer {
    QString strPathOut;
    QString strSymbol = QStringLiteral("hm");
    QString strName = QStringLiteral("Harbor Mills");
    QString strDateFormat = QStringLiteral("MM_DD_CCYY");
    int nMasterButton = IDC_NEW_MASTER;  // 0 leaves the radio group as it stands
    bool bOpenInterest = false;          // the sample has no open interest
    bool bPress = true;                  // OK, else Cancel
};

}  // namespace

class CSettingsCommandTest : public QObject {
    Q_OBJECT

private:
    struct SRun {
        CCurrentDirGuard dirGuard;
        CTestConfig config;
        QTemporaryDir files;
        CRecordingMessageBox messages;
        CPelmarApp app;
        // What the next settings dialog meets; it is closed afterwards in any case, so that
        // a refusal cannot leave the test waiting.
        std::function<void(CSettingsDlg&)> onDialog;
        QStringList refusals;
        CModalAnswerer answerer{[this](QWidget* pModal) {
            auto* pDlg = qobject_cast<CSettingsDlg*>(pModal);
            if (pDlg == nullptr) {
                pModal->close();
                return;
            }
            if (onDialog) {
                onDialog(*pDlg);
            }
            if (pDlg->isVisible()) {
                for (const std::string& text : messages.Texts()) {
                    refusals << QString::fromStdString(text);
                }
                pDlg->reject();
            }
        }};

        SRun() { app.SetMessageBox(&messages); }
        CPelmarView& View() { return *app.MainFrame()->GetView(); }
        QString File(const QString& name, const QByteArray& bytes) {
            const QString path = files.path() + u'/' + name;
            WriteBytes(path, bytes);
            return path;
        }
        QString Dir(const QString& name) {
            QDir(files.path()).mkpath(name);
            return files.path() + u'/' + name;
        }
        void Answer(const SAnswer& answer) {
            onDialog = [answer](CSettingsDlg& dlg) {
                qobject_cast<QLineEdit*>(dlg.Control(IDC_PATH_OUT))->setText(answer.strPathOut);
                qobject_cast<QLineEdit*>(dlg.Control(IDC_SYMBOL))->setText(answer.strSymbol);
                qobject_cast<QLineEdit*>(dlg.Control(IDC_NAME))->setText(answer.strName);
                dlg.m_pDateFormatCombo->setEditText(answer.strDateFormat);
                if (answer.nMasterButton != 0) {
                    qobject_cast<QRadioButton*>(dlg.Control(answer.nMasterButton))->setChecked(true);
                }
                auto* pOI = qobject_cast<QCheckBox*>(dlg.Control(IDC_OI_ON));
                if (pOI->isChecked() != answer.bOpenInterest) {
                    QTest::mouseClick(pOI, Qt::LeftButton);
                }
                QTest::mouseClick(dlg.Control(answer.bPress ? IDOK : IDCANCEL), Qt::LeftButton);
            };
        }
        QString Log() { return View().toPlainText(); }
        std::string Stored(const char* pszKey) { return app.Profile().GetString("Import", pszKey, "<none>"); }
    };

    static std::unique_ptr<SRun> Start() {
        auto pRun = std::make_unique<SRun>();
        if (!pRun->app.InitInstance()) {
            return nullptr;
        }
        return pRun;
    }

private slots:
    void cleanup() {
        QCOMPARE(VisibleTopLevelWindow(), QString());
    }

    void firstUseShowsTheDefaultsAndCancelChangesNothing() {
        auto pRun = Start();
        QVERIFY(pRun);
        QStringList shown;
        pRun->onDialog = [&](CSettingsDlg& dlg) {
            for (int nId : {IDC_DATE_COL, IDC_OPEN_COL, IDC_HI_COL, IDC_LO_COL, IDC_CLO_COL, IDC_VOL_COL, IDC_OI_COL,
                            IDC_ROWS_TO_SKIP, IDC_PATH_OUT, IDC_SYMBOL, IDC_NAME, IDC_PATH_IN}) {
                shown << qobject_cast<QLineEdit*>(dlg.Control(nId))->text();
            }
            for (int nId : {IDC_OPEN_ON, IDC_HI_ON, IDC_LO_ON, IDC_VOL_ON, IDC_OI_ON, IDC_SKIP_ON, IDC_REVERSE}) {
                shown << (qobject_cast<QCheckBox*>(dlg.Control(nId))->isChecked() ? "on" : "off");
            }
            for (int nId : {IDC_COMMA, IDC_TAB, IDC_SPACE, IDC_EXIST_MASTER, IDC_NEW_MASTER}) {
                shown << (qobject_cast<QRadioButton*>(dlg.Control(nId))->isChecked() ? "checked" : "-");
            }
            shown << dlg.m_pDateFormatCombo->currentText() << QString::number(dlg.m_pDateFormatCombo->currentIndex());
            shown << (dlg.Control(IDC_ROWS_TO_SKIP)->isEnabled() ? "enabled" : "disabled");
            shown << (dlg.parentWidget() == pRun->app.MainFrame() ? "over the frame" : "elsewhere");
            qobject_cast<QLineEdit*>(dlg.Control(IDC_SYMBOL))->setText(QStringLiteral("XYZ"));
            dlg.reject();
        };
        const QString input = pRun->File(QStringLiteral("prices.csv"), kPrices);
        QVERIFY(pRun->app.OpenDocumentFile(input));
        QCOMPARE(pRun->answerer.Count(), 1);
        const QStringList expected{
            "1", "2", "3", "4", "5", "6", "7", "0", "", "", "", input,
            "on", "on", "on", "on", "on", "off", "off",
            "checked", "-", "-", "checked", "-",
            "MMDDYY", "8", "disabled", "over the frame",
        };
        QCOMPARE(shown, expected);
        // Cancel: nothing saved, nothing run, the log holds the preview alone.
        QCOMPARE(pRun->Stored("Symbol"), std::string("<none>"));
        QCOMPARE(pRun->Stored("DateCol"), std::string("<none>"));
        QVERIFY(pRun->Log().endsWith(QStringLiteral("01/05/2023,39.32,39.52,38.29,38.67,904752\n")));
        QVERIFY(pRun->messages.Texts().empty());
        QCOMPARE(pRun->messages.BeepCount(), 0);
    }

    void wholeRoadFromOpeningToTheNextSettings() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QString outDir = pRun->Dir(QStringLiteral("db"));
        const QString input = pRun->File(QStringLiteral("harbor.csv"), kPrices);
        // A relative output directory: the run stores the full path it used.
        QVERIFY(QDir::setCurrent(pRun->files.path()));
        SAnswer answer;
        answer.strPathOut = QStringLiteral("db");
        pRun->Answer(answer);
        QVERIFY(pRun->app.OpenDocumentFile(input));
        QCOMPARE(pRun->answerer.Count(), 1);
        QVERIFY2(pRun->refusals.isEmpty(), qPrintable(pRun->refusals.join(u'|')));

        const std::vector<std::string> texts = pRun->messages.Texts();
        QVERIFY2(texts.empty(), texts.empty() ? "" : texts.front().c_str());
        QCOMPARE(pRun->messages.BeepCount(), 1);
        const QString log = pRun->Log();
        QVERIFY(log.startsWith(PreviewHeader(input)));
        QVERIFY(log.endsWith(QStringLiteral("904752\n\nConversion completed successfully!")));

        // The database, read back.
        const std::filesystem::path dir = QFile::encodeName(outDir).toStdString();
        std::string strError;
        auto listing = ReadMasterListing(GetSystemFileSystem(), dir, strError);
        QVERIFY2(listing, strError.c_str());
        QCOMPARE(listing->nCounted, std::size_t(1));
        auto bars = ReadSecurityBars(GetSystemFileSystem(), dir, listing->records[0], strError);
        QVERIFY2(bars, strError.c_str());
        QCOMPARE(bars->info.nBarCount, 3);
        QCOMPARE(bars->fields.size(), std::size_t(6));
        QVERIFY(std::fabs(bars->values[4] - 40.48f) < 0.001f);  // the first bar's close
        QVERIFY(QFileInfo::exists(outDir + QStringLiteral("/F1.DOP")));
        QVERIFY(!QFileInfo::exists(outDir + QStringLiteral("/MASTER.BAK")));

        // The settings saved: the dialog's, then the run's own four.
        QCOMPARE(pRun->Stored("DateFormat"), std::string("MM_DD_CCYY"));
        QCOMPARE(pRun->app.Profile().GetInt("Import", "Exist", 7), 1);
        QCOMPARE(pRun->app.Profile().GetInt("Import", "Delimiter", 7), 0);
        QCOMPARE(pRun->app.Profile().GetInt("Import", "OIOn", 7), 0);
        QCOMPARE(pRun->app.Profile().GetInt("Import", "OICol", 0), 7);
        QCOMPARE(pRun->Stored("PathIn"), input.toStdString());
        const QString fullOut = QFileInfo(outDir).canonicalFilePath();
        QCOMPARE(QString::fromStdString(pRun->Stored("PathOut")), fullOut);
        QCOMPARE(pRun->Stored("Symbol"), std::string("HM"));
        QCOMPARE(pRun->Stored("Name"), std::string("Harbor Mills"));

        // The next Settings command shows what the run stored.
        QStringList shown;
        pRun->onDialog = [&](CSettingsDlg& dlg) {
            shown << qobject_cast<QLineEdit*>(dlg.Control(IDC_PATH_OUT))->text()
                  << qobject_cast<QLineEdit*>(dlg.Control(IDC_SYMBOL))->text()
                  << dlg.m_pDateFormatCombo->currentText()
                  << (qobject_cast<QRadioButton*>(dlg.Control(IDC_NEW_MASTER))->isChecked() ? "new" : "existing")
                  << (qobject_cast<QCheckBox*>(dlg.Control(IDC_OI_ON))->isChecked() ? "oi" : "no oi");
            dlg.reject();
        };
        QAction* pSettings = pRun->app.MainFrame()->Action(ID_FILE_SETTINGS);
        QVERIFY(pSettings->isEnabled());
        pSettings->trigger();
        QCOMPARE(pRun->answerer.Count(), 2);
        QCOMPARE(shown, (QStringList{fullOut, "HM", "MM_DD_CCYY", "new", "no oi"}));
        QVERIFY(pRun->Log().endsWith(QStringLiteral("\nConversion completed successfully!")));
    }

    void secondRunAddsToTheExistingMaster() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QString outDir = pRun->Dir(QStringLiteral("db"));
        const QString input = pRun->File(QStringLiteral("a.csv"), kPrices);
        SAnswer answer;
        answer.strPathOut = outDir;
        pRun->Answer(answer);
        QVERIFY(pRun->app.OpenDocumentFile(input));
        answer.nMasterButton = IDC_EXIST_MASTER;
        answer.strSymbol = QStringLiteral("second");
        pRun->Answer(answer);
        pRun->View().OnSettings();
        QVERIFY(pRun->refusals.isEmpty());
        QVERIFY(pRun->Log().endsWith(QStringLiteral("\nConversion completed successfully!\nConversion completed successfully!")));
        QCOMPARE(pRun->messages.BeepCount(), 2);
        std::string strError;
        auto listing = ReadMasterListing(GetSystemFileSystem(), QFile::encodeName(outDir).toStdString(), strError);
        QVERIFY2(listing, strError.c_str());
        QCOMPARE(listing->nCounted, std::size_t(2));
        QVERIFY(QFileInfo::exists(outDir + QStringLiteral("/MASTER.BAK")));
        QCOMPARE(pRun->Stored("Symbol"), std::string("SECOND"));
    }

    void failedRunKeepsTheDialogSettingsButNotThePaths() {
        auto pRun = Start();
        QVERIFY(pRun);
        pRun->app.Profile().PutString("Import", "PathOut", "/earlier");
        pRun->app.Profile().PutString("Import", "Symbol", "EARLIER");
        const QString outDir = pRun->Dir(QStringLiteral("empty"));
        SAnswer answer;
        answer.strPathOut = outDir;
        answer.nMasterButton = IDC_EXIST_MASTER;  // there is no MASTER to add to
        pRun->Answer(answer);
        QVERIFY(pRun->app.OpenDocumentFile(pRun->File(QStringLiteral("a.csv"), kPrices)));
        QVERIFY(pRun->refusals.isEmpty());
        QVERIFY(pRun->Log().endsWith(QStringLiteral("904752\n\nConversion failed.")));
        QCOMPARE(pRun->messages.BeepCount(), 0);
        // The step that failed said why, in a box of its own, before the log line.
        QCOMPARE(pRun->messages.Texts().size(), std::size_t(1));
        QCOMPARE(pRun->Stored("DateFormat"), std::string("MM_DD_CCYY"));
        QCOMPARE(pRun->app.Profile().GetInt("Import", "Exist", 7), 0);
        QCOMPARE(pRun->Stored("PathOut"), std::string("/earlier"));
        QCOMPARE(pRun->Stored("Symbol"), std::string("EARLIER"));
    }

    // A box that a run shows has the ordinary pointer over it; the wait cursor ends with the run.
    void runMessagesShowTheArrowAndTheWaitCursorEnds() {
        struct SCursorBox : CRecordingMessageBox {
            QList<int> shapes;
            EMessageAnswer Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) override {
                const QCursor* pCursor = QGuiApplication::overrideCursor();
                shapes << (pCursor ? int(pCursor->shape()) : -1);
                // A look beneath: the run's own wait cursor.
                if (pCursor) {
                    const QCursor top = *pCursor;
                    QGuiApplication::restoreOverrideCursor();
                    pCursor = QGuiApplication::overrideCursor();
                    shapes << (pCursor ? int(pCursor->shape()) : -1);
                    QGuiApplication::setOverrideCursor(top);
                }
                return CRecordingMessageBox::Show(text, buttons, icon);
            }
        } box;
        auto pRun = Start();
        QVERIFY(pRun);
        pRun->app.SetMessageBox(&box);
        SAnswer answer;
        answer.strPathOut = pRun->Dir(QStringLiteral("empty"));
        answer.nMasterButton = IDC_EXIST_MASTER;
        pRun->Answer(answer);
        QVERIFY(pRun->app.OpenDocumentFile(pRun->File(QStringLiteral("a.csv"), kPrices)));
        QCOMPARE(box.shapes, (QList<int>{int(Qt::ArrowCursor), int(Qt::WaitCursor)}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(pRun->Log().endsWith(QStringLiteral("\nConversion failed.")));
        pRun->app.SetMessageBox(&pRun->messages);
    }

    void unchosenDelimiterAndMasterRunWithCommaAndANewMaster() {
        auto pRun = Start();
        QVERIFY(pRun);
        pRun->app.Profile().PutInt("Import", "Delimiter", 5);
        pRun->app.Profile().PutInt("Import", "Exist", 3);
        const QString outDir = pRun->Dir(QStringLiteral("db"));
        SAnswer answer;
        answer.strPathOut = outDir;
        answer.nMasterButton = 0;
        QStringList checked;
        pRun->Answer(answer);
        pRun->onDialog = [&checked, fill = pRun->onDialog](CSettingsDlg& dlg) {
            for (int nId : {IDC_COMMA, IDC_TAB, IDC_SPACE, IDC_EXIST_MASTER, IDC_NEW_MASTER}) {
                if (qobject_cast<QRadioButton*>(dlg.Control(nId))->isChecked()) {
                    checked << QString::number(nId);
                }
            }
            fill(dlg);
        };
        QVERIFY(pRun->app.OpenDocumentFile(pRun->File(QStringLiteral("a.csv"), kPrices)));
        QVERIFY(pRun->refusals.isEmpty());
        QVERIFY(checked.isEmpty());
        QCOMPARE(pRun->app.Profile().GetInt("Import", "Delimiter", 7), -1);
        QCOMPARE(pRun->app.Profile().GetInt("Import", "Exist", 7), -1);
        // "Make New Master" created the MASTER; the comma split the columns.
        QVERIFY(pRun->Log().endsWith(QStringLiteral("\nConversion completed successfully!")));
        QVERIFY(QFileInfo::exists(outDir + QStringLiteral("/MASTER")));
    }

    void storedOutOfRangeColumnIsRefusedNotRun() {
        auto pRun = Start();
        QVERIFY(pRun);
        pRun->app.Profile().PutInt("Import", "VolCol", 25);
        QString shown;
        pRun->onDialog = [&](CSettingsDlg& dlg) {
            shown = qobject_cast<QLineEdit*>(dlg.Control(IDC_VOL_COL))->text();
            qobject_cast<QLineEdit*>(dlg.Control(IDC_SYMBOL))->setText(QStringLiteral("x"));
            qobject_cast<QLineEdit*>(dlg.Control(IDC_PATH_OUT))->setText(QStringLiteral("/tmp"));
            QTest::mouseClick(dlg.Control(IDOK), Qt::LeftButton);
        };
        QVERIFY(pRun->app.OpenDocumentFile(pRun->File(QStringLiteral("a.csv"), kPrices)));
        QCOMPARE(shown, QStringLiteral("25"));
        QCOMPARE(pRun->refusals, QStringList{QStringLiteral("The Volume column must be a number from 1 to 20.")});
        QCOMPARE(pRun->app.Profile().GetInt("Import", "VolCol", 0), 25);
        QVERIFY(!pRun->Log().contains(QStringLiteral("Conversion")));
    }
};

QTEST_MAIN(CSettingsCommandTest)
#include "SettingsCommandTest.moc"
