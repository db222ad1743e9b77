// The application object: start-up with and without a file, the recent-file list and its
// profile file, the open dialog, the About command, the command line and the Qt message box.
#include "app/AboutDlg.h"
#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/PelmarApp.h"
#include "app/PelmarDoc.h"
#include "app/PelmarView.h"
#include "app/QtMessageBox.h"
#include "app/RecentFileList.h"
#include "app/Resource.h"
#include "platform/RecordingMessageBox.h"
#include "settings/Profile.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

class CPelmarAppTest : public QObject {
    Q_OBJECT

private:
    struct SRun {
        CRecordingMessageBox messages;
        CPelmarApp app;
        SRun() { app.SetMessageBox(&messages); }
        CMainFrame& Frame() { return *app.MainFrame(); }
        CPelmarView& View() { return *app.MainFrame()->GetView(); }
    };

    // The visible recent-file entries of the File menu, as they are when it opens.
    static QStringList RecentEntries(CMainFrame& frame) {
        emit frame.FileMenu()->aboutToShow();
        QStringList texts;
        bool bInList = false;
        for (QAction* pAction : frame.FileMenu()->actions()) {
            if (pAction->isSeparator()) {
                if (bInList) {
                    break;
                }
                bInList = true;
                continue;
            }
            if (bInList && pAction->isVisible()) {
                texts << pAction->text();
            }
        }
        return texts;
    }

    static QAction* RecentAction(CMainFrame& frame, int nIndex) {
        emit frame.FileMenu()->aboutToShow();
        for (QAction* pAction : frame.FileMenu()->actions()) {
            if (pAction->text().startsWith(QStringLiteral("&%1 ").arg(nIndex + 1))) {
                return pAction;
            }
        }
        return nullptr;
    }

private slots:
    void cleanup() {
        QCOMPARE(VisibleTopLevelWindow(), QString());
    }

    void startsWithAnEmptyLogAndTheStoreKey() {
        CTestConfig config;
        CModalAnswerer answerer;
        SRun run;
        QVERIFY(run.app.InitInstance());
        QVERIFY(QFileInfo(config.StoreFile()).isFile());
        QCOMPARE(CPelmarApp::Instance(), &run.app);
        QVERIFY(run.Frame().isVisible());
        QCOMPARE(run.View().toPlainText(), QString());
        QCOMPARE(run.View().m_strFilePath, QString());
        QCOMPARE(RecentEntries(run.Frame()), QStringList{QStringLiteral("Recent File")});
        QCOMPARE(answerer.Count(), 0);
        QCOMPARE(run.app.m_bMailLinkVisited, 0);
        QCOMPARE(run.app.m_bWebLinkVisited, 0);
        QCOMPARE(run.app.ExitInstance(), 0);
        QVERIFY(!run.app.m_pProfile);
        // Nothing opened: no profile file of the list's own.
        QVERIFY(!QFileInfo::exists(config.RecentFile()));
    }

    void firstStartTakesOverTheLegacyFile() {
        CTestConfig config;
        WriteBytes(config.RecentFile(), "[Import]\nDateCol=3\n");
        SRun run;
        QVERIFY(run.app.InitInstance());
        QCOMPARE(run.app.Profile().GetInt("Import", "DateCol", 1), 3);
        run.app.ExitInstance();
    }

    void fileOnTheCommandLineIsOpenedAtStartUp() {
        CTestConfig config;
        QTemporaryDir files;
        const QString path = files.path() + QStringLiteral("/prices.csv");
        WriteBytes(path, "01/02/99,1\n");
        CModalAnswerer answerer;
        SRun run;
        // A relative name is taken from the current directory.
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(files.path());
        const bool bStarted = run.app.InitInstance(QStringLiteral("prices.csv"));
        QDir::setCurrent(oldDir);
        QVERIFY(bStarted);
        QCOMPARE(run.View().m_strFilePath, path);
        QCOMPARE(run.View().toPlainText(), PreviewHeader(path) + QStringLiteral("01/02/99,1\n"));
        QCOMPARE(run.app.Document()->GetPathName(), path);
        QCOMPARE(run.app.RecentFileList()->Entries(), QStringList{path});
        QVERIFY(run.Frame().Action(ID_FILE_SETTINGS)->isEnabled());
        QCOMPARE(run.Frame().windowTitle(), QStringLiteral("Pelmar"));
    }

    void unreadableFileOnTheCommandLineEndsTheStart() {
        CTestConfig config;
        SRun run;
        QVERIFY(!run.app.InitInstance(QStringLiteral("/nonexistent/prices.csv")));
        QCOMPARE(run.messages.Texts().size(), std::size_t(1));
        QVERIFY(QString::fromStdString(run.messages.Texts().front()).contains(QStringLiteral("/nonexistent/prices.csv")));
        run.app.ExitInstance();
        QVERIFY(!QFileInfo::exists(config.RecentFile()));
    }

    void recentFilesAreKeptAcrossStarts() {
        CTestConfig config;
        QTemporaryDir files;
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths << files.path() + QStringLiteral("/f%1.csv").arg(i);
            WriteBytes(paths.back(), "line " + QByteArray::number(i) + "\n");
        }
        {
            CModalAnswerer answerer;
            SRun run;
            QVERIFY(run.app.InitInstance());
            for (const QString& path : paths) {
                QVERIFY(run.app.OpenDocumentFile(path) != nullptr);
            }
            // Opening one listed already moves it to the head.
            run.app.OnFileNew();
            QVERIFY(run.app.OpenDocumentFile(paths[2]) != nullptr);
            QCOMPARE(run.app.RecentFileList()->Entries(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));
            // Written at once, not only at exit.
            const QByteArray ini = ReadBytes(config.RecentFile());
            QVERIFY(ini.startsWith("[Recent File List]\nFile1=" + paths[2].toUtf8() + "\nFile2="));
            run.Frame().close();
            run.app.ExitInstance();
        }
        CModalAnswerer answerer;
        SRun run;
        QVERIFY(run.app.InitInstance());
        QCOMPARE(RecentEntries(run.Frame()).size(), 4);
        QAction* pSecond = RecentAction(run.Frame(), 1);
        QVERIFY(pSecond != nullptr);
        QCOMPARE(pSecond->statusTip(), QStringLiteral("Open this document"));
        pSecond->trigger();
        QCOMPARE(run.View().m_strFilePath, paths[4]);
        QCOMPARE(run.View().toPlainText(), PreviewHeader(paths[4]) + QStringLiteral("line 5\n"));
        QCOMPARE(run.app.RecentFileList()->Entries().front(), paths[4]);
        QVERIFY(run.Frame().Action(ID_FILE_SETTINGS)->isEnabled());
        // The list in the menu follows.
        QCoreApplication::processEvents();
        QVERIFY(RecentEntries(run.Frame()).front().endsWith(QStringLiteral("f5.csv")));
    }

    void recentEntryThatCannotBeOpenedLeavesTheList() {
        CTestConfig config;
        QTemporaryDir files;
        const QString kept = files.path() + QStringLiteral("/kept.csv");
        const QString gone = files.path() + QStringLiteral("/gone.csv");
        WriteBytes(kept, "k\n");
        WriteBytes(config.RecentFile(), "[Recent File List]\nFile1=" + gone.toUtf8() + "\nFile2=" + kept.toUtf8() + "\n");
        SRun run;
        QVERIFY(run.app.InitInstance());
        QCOMPARE(RecentEntries(run.Frame()).size(), 2);
        RecentAction(run.Frame(), 0)->trigger();
        QCOMPARE(run.messages.Texts().size(), std::size_t(1));
        QCOMPARE(run.app.RecentFileList()->Entries(), QStringList{kept});
        QCOMPARE(run.View().m_strFilePath, QString());
        QCoreApplication::processEvents();
        QCOMPARE(RecentEntries(run.Frame()).size(), 1);
        QCOMPARE(ReadBytes(config.RecentFile()), "[Recent File List]\nFile1=" + kept.toUtf8() + "\n");
    }

    void recentListKeepsTheProfileFilesOtherSections() {
        CTestConfig config;
        const QByteArray before =
            "; written by hand\n[Import]\nDateCol=3\n[recent file list]\nFile1=/old/a.csv\nfile3 = /old/b.csv\n"
            "[Screen]\ncx = 640\n";
        WriteBytes(config.RecentFile(), before);
        CRecentFileList list(config.RecentFile(), 4);
        list.ReadList();
        QCOMPARE(list.Entries(), (QStringList{QStringLiteral("/old/a.csv"), QStringLiteral("/old/b.csv")}));
        list.Add(QStringLiteral("/new/c d.csv"));
        QVERIFY(list.WriteList());
        QCOMPARE(ReadBytes(config.RecentFile()),
                 QByteArray("; written by hand\n[Import]\nDateCol=3\n[Recent File List]\nFile1=/new/c d.csv\n"
                            "File2=/old/a.csv\nFile3=/old/b.csv\n[Screen]\ncx = 640\n"));
        CRecentFileList again(config.RecentFile(), 4);
        again.ReadList();
        QCOMPARE(again.Entries(), list.Entries());

        // A path with a line break cannot be held by the file and is not listed.
        list.Add(QStringLiteral("/odd\nname.csv"));
        QCOMPARE(list.Entries().size(), 3);
        while (!list.Entries().isEmpty()) {
            list.Remove(0);
        }
        QVERIFY(list.WriteList());
        QCOMPARE(ReadBytes(config.RecentFile()), QByteArray("; written by hand\n[Import]\nDateCol=3\n[Screen]\ncx = 640\n"));
    }

    void recentNamesAreAbbreviated_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("short") << QStringLiteral("/data/ibm.csv") << QStringLiteral("/data/ibm.csv");
        QTest::newRow("exactly 30") << QStringLiteral("/home/ann/prices/ibm-1999.csv")
                                    << QStringLiteral("/home/ann/prices/ibm-1999.csv");
        QTest::newRow("leading folders dropped") << QStringLiteral("/home/ann/brokers/prices/1999/ibm.csv")
                                                 << QStringLiteral("/.../prices/1999/ibm.csv");
        QTest::newRow("long name alone") << QStringLiteral("/home/ann/an-extremely-long-file-name-of-prices.csv")
                                         << QStringLiteral("an-extremely-long-file-name-of-prices.csv");
    }

    void recentNamesAreAbbreviated() {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        QCOMPARE(CRecentFileList::AbbreviateName(path, CRecentFileList::kMaxDisplayChars), shown);
    }

    void recentMenuEntriesAreNumberedAndEscaped() {
        CTestConfig config;
        QTemporaryDir files;
        const QString path = files.path() + QStringLiteral("/R&D.csv");
        WriteBytes(path, "x\n");
        CModalAnswerer answerer;
        SRun run;
        QVERIFY(run.app.InitInstance());
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(files.path());
        QVERIFY(run.app.OpenDocumentFile(path) != nullptr);
        const QStringList entries = RecentEntries(run.Frame());
        QDir::setCurrent(oldDir);
        // In the current directory the name alone is shown; "&" stays a character.
        QCOMPARE(entries, QStringList{QStringLiteral("&1 R&&D.csv")});
    }

    void fileOpenOffersAllFiles() {
        CTestConfig config;
        QTemporaryDir files;
        const QString path = files.path() + QStringLiteral("/prices.prn");
        WriteBytes(path, "12/31/98 1 2\n");
        QStringList filters;
        CModalAnswerer answerer([&](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            if (pDialog == nullptr) {
                pModal->close();
                return;
            }
            filters = pDialog->nameFilters();
            // Typed into the name field, as a user would.
            auto* pName = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(pName != nullptr);
            pName->setText(path);
            QMetaObject::invokeMethod(pDialog, "accept");
            if (pDialog->isVisible()) {
                pDialog->reject();
            }
        });
        SRun run;
        QVERIFY(run.app.InitInstance());
        run.Frame().Action(ID_FILE_OPEN)->trigger();
        QCOMPARE(filters, QStringList{QStringLiteral("All Files (*)")});
        QCOMPARE(run.View().m_strFilePath, path);
        QCOMPARE(run.View().toPlainText(), PreviewHeader(path) + QStringLiteral("12/31/98 1 2\n"));
    }

    void cancelledOpenChangesNothing() {
        CTestConfig config;
        CModalAnswerer answerer;
        SRun run;
        QVERIFY(run.app.InitInstance());
        run.View().AppendText(QStringLiteral("kept"));
        run.app.OnFileOpen();
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(run.View().toPlainText(), QStringLiteral("kept"));
        QVERIFY(run.messages.Shown().empty());
    }

    void aboutShowsAFreshAboutBoxEachTime() {
        CTestConfig config;
        QStringList shown;
        CModalAnswerer answerer([&](QWidget* pModal) {
            auto* pAbout = qobject_cast<CAboutDlg*>(pModal);
            shown << (pAbout != nullptr && pAbout->parentWidget() == CPelmarApp::Instance()->MainFrame()
                          ? QStringLiteral("about")
                          : QString::fromLatin1(pModal->metaObject()->className()));
            if (auto* pDialog = qobject_cast<QDialog*>(pModal)) {
                pDialog->reject();
            }
        });
        SRun run;
        QVERIFY(run.app.InitInstance());
        run.Frame().Action(ID_APP_ABOUT)->trigger();
        run.Frame().Action(ID_APP_ABOUT)->trigger();
        QCOMPARE(shown, (QStringList{QStringLiteral("about"), QStringLiteral("about")}));
        QVERIFY(run.app.findChildren<CAboutDlg*>().isEmpty());
        QVERIFY(run.Frame().findChildren<CAboutDlg*>().isEmpty());
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        using E = SCommandLine::EAction;
        QTest::newRow("nothing") << QStringList() << int(E::Run) << QString();
        QTest::newRow("a file") << QStringList{"a.csv"} << int(E::Run) << QStringLiteral("a.csv");
        QTest::newRow("help") << QStringList{"--help"} << int(E::Help) << QString();
        QTest::newRow("short help") << QStringList{"-h"} << int(E::Help) << QString();
        QTest::newRow("version") << QStringList{"--version"} << int(E::Version) << QString();
        QTest::newRow("help wins") << QStringList{"--bogus", "--version", "--help"} << int(E::Help) << QString();
        QTest::newRow("version before errors") << QStringList{"-platform", "--version"} << int(E::Version) << QString();
        QTest::newRow("unknown option") << QStringList{"--bogus"} << int(E::Error) << QString();
        QTest::newRow("two files") << QStringList{"a.csv", "b.csv"} << int(E::Error) << QStringLiteral("a.csv");
        QTest::newRow("after --") << QStringList{"--", "--help"} << int(E::Run) << QStringLiteral("--help");
        QTest::newRow("a dash is a name") << QStringList{"-"} << int(E::Run) << QStringLiteral("-");
    }

    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, file);
        const SCommandLine result = ParseCommandLine(arguments);
        QCOMPARE(int(result.eAction), action);
        QCOMPARE(result.strFileName, file);
        if (action == int(SCommandLine::EAction::Error)) {
            QVERIFY(!result.strError.isEmpty());
        }
    }

    void helpAndVersionTexts() {
        QVERIFY(CommandLineHelp().startsWith(QStringLiteral("Usage: pelmar [FILE]\n")));
        QCOMPARE(CommandLineVersion(), QStringLiteral("pelmar 1.7\n"));
    }

    void qtMessageBoxAsksAndAnswers_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(EMessageButtons::Ok) << int(EMessageIcon::None) << int(QMessageBox::Ok)
                            << int(EMessageAnswer::Ok);
        QTest::newRow("information") << int(EMessageButtons::Ok) << int(EMessageIcon::Information)
                                     << int(QMessageBox::Ok) << int(EMessageAnswer::Ok);
        QTest::newRow("yes") << int(EMessageButtons::YesNo) << int(EMessageIcon::None) << int(QMessageBox::Yes)
                             << int(EMessageAnswer::Yes);
        QTest::newRow("no") << int(EMessageButtons::YesNo) << int(EMessageIcon::None) << int(QMessageBox::No)
                            << int(EMessageAnswer::No);
        QTest::newRow("escape is no") << int(EMessageButtons::YesNo) << int(EMessageIcon::None) << -1
                                      << int(EMessageAnswer::No);
    }

    void qtMessageBoxAsksAndAnswers() {
        QFETCH(int, buttons);
        QFETCH(int, icon);
        QFETCH(int, click);
        QFETCH(int, answer);
        QString caption;
        QString text;
        int nIcon = -1;
        QMessageBox::StandardButtons shownButtons;
        CModalAnswerer answerer([&](QWidget* pModal) {
            auto* pBox = qobject_cast<QMessageBox*>(pModal);
            if (pBox == nullptr) {
                pModal->close();
                return;
            }
            caption = pBox->windowTitle();
            text = pBox->text();
            nIcon = pBox->icon();
            shownButtons = pBox->standardButtons();
            if (click < 0) {
                QTest::keyClick(pBox, Qt::Key_Escape);
            } else {
                pBox->button(static_cast<QMessageBox::StandardButton>(click))->click();
            }
        });
        CQtMessageBox box;
        const EMessageAnswer result = box.Show("Create <dir> & go on?", static_cast<EMessageButtons>(buttons),
                                               static_cast<EMessageIcon>(icon));
        QCOMPARE(int(result), answer);
        QCOMPARE(caption, QStringLiteral("Pelmar"));
        QCOMPARE(text, QStringLiteral("Create <dir> & go on?"));
        QCOMPARE(nIcon, icon == int(EMessageIcon::Information) ? int(QMessageBox::Information) : int(QMessageBox::NoIcon));
        QCOMPARE(shownButtons, buttons == int(EMessageButtons::YesNo) ? (QMessageBox::Yes | QMessageBox::No)
                                                                       : QMessageBox::StandardButtons(QMessageBox::Ok));
    }
};

QTEST_MAIN(CPelmarAppTest)
#include "PelmarAppTest.moc"
