// The main window: placement from and to the settings store, menus, toolbar, status bar,
// help commands, and pictures of the window for a look by eye.
#include "app/MainFrame.h"
#include "app/PelmarApp.h"
#include "app/PelmarView.h"
#include "app/Resource.h"
#include "platform/RecordingMessageBox.h"
#include "settings/Profile.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWhatsThis>
#include <QtTest>

#include <climits>
#include <memory>

// Receives the URLs that the program asks the desktop to open.
class CUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> m_urls;
public slots:
    void Open(const QUrl& url) { m_urls.append(url); }
};

class CMainFrameTest : public QObject {
    Q_OBJECT

private:
    struct SRun {
        CRecordingMessageBox messages;
        CPelmarApp app;
        CModalAnswerer answerer;
        SRun() { app.SetMessageBox(&messages); }
        CMainFrame& Frame() { return *app.MainFrame(); }
    };

    static std::unique_ptr<SRun> Start() {
        auto pRun = std::make_unique<SRun>();
        if (!pRun->app.InitInstance()) {
            return nullptr;
        }
        return pRun;
    }

    static void StorePlacement(const QRect& rect) {
        CProfile profile;
        bool bNew = false;
        profile.CreateKey("Software\\Veldrin Software\\Pelmar", bNew);
        profile.PutInt("Screen", "x", rect.x());
        profile.PutInt("Screen", "y", rect.y());
        profile.PutInt("Screen", "cx", rect.width());
        profile.PutInt("Screen", "cy", rect.height());
    }

    static QRect StoredPlacement() {
        CProfile profile;
        bool bNew = false;
        profile.CreateKey("Software\\Veldrin Software\\Pelmar", bNew);
        return QRect(profile.GetInt("Screen", "x", -99), profile.GetInt("Screen", "y", -99),
                     profile.GetInt("Screen", "cx", -99), profile.GetInt("Screen", "cy", -99));
    }

    static QSize WorkArea() { return QGuiApplication::primaryScreen()->availableGeometry().size(); }

    // Places the window so that its frame covers rect, as a user's move and resize would.
    static void SetFrameGeometry(QWidget& window, const QRect& rect) {
        const QSize margins = window.frameGeometry().size() - window.size();
        window.move(rect.topLeft());
        window.resize(rect.size() - margins);
        QCoreApplication::processEvents();
        QCOMPARE(window.frameGeometry(), rect);
    }

    static QString ShotDir() {
        const QString dir = qEnvironmentVariableIsSet("PELMAR_SHOT_DIR") ? qEnvironmentVariable("PELMAR_SHOT_DIR")
                                                                          : QDir::tempPath() + QStringLiteral("/pelmar-shots");
        QDir().mkpath(dir);
        return dir;
    }

private slots:
    void cleanup() {
        QCOMPARE(VisibleTopLevelWindow(), QString());
    }

    void placementChecksTheStoredRectangle_data() {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QSize>("workArea");
        QTest::addColumn<QRect>("expected");
        const QSize laptop(1366, 728);
        const QRect laptopDefault(102, 55, 1161, 618);
        QTest::newRow("nothing stored") << QRect(0, 0, 0, 0) << laptop << laptopDefault;
        QTest::newRow("a usable rectangle") << QRect(10, 20, 800, 500) << laptop << QRect(10, 20, 800, 500);
        QTest::newRow("the whole work area") << QRect(0, 0, 1366, 728) << laptop << QRect(0, 0, 1366, 728);
        QTest::newRow("left edge at the width") << QRect(1366, 0, 100, 100) << laptop << QRect(1366, 0, 100, 100);
        QTest::newRow("left edge one past") << QRect(1367, 0, 100, 100) << laptop << laptopDefault;
        QTest::newRow("top edge at the height") << QRect(0, 728, 100, 100) << laptop << QRect(0, 728, 100, 100);
        QTest::newRow("top edge one past") << QRect(0, 729, 100, 100) << laptop << laptopDefault;
        QTest::newRow("one pixel too wide") << QRect(0, 0, 1367, 100) << laptop << laptopDefault;
        QTest::newRow("one pixel too high") << QRect(0, 0, 100, 729) << laptop << laptopDefault;
        QTest::newRow("negative left edge") << QRect(-1, 0, 100, 100) << laptop << laptopDefault;
        QTest::newRow("negative top edge") << QRect(0, -1, 100, 100) << laptop << laptopDefault;
        QTest::newRow("no width") << QRect(10, 10, 0, 100) << laptop << laptopDefault;
        QTest::newRow("negative height") << QRect(10, 10, 100, -5) << laptop << laptopDefault;
        // Closed maximized elsewhere: larger than the work area.
        QTest::newRow("maximized rectangle") << QRect(0, 0, 1382, 744) << laptop << laptopDefault;
        QTest::newRow("full HD") << QRect() << QSize(1920, 1040) << QRect(144, 78, 1632, 884);
        QTest::newRow("odd sizes") << QRect() << QSize(1001, 667) << QRect(75, 50, 850, 566);
        QTest::newRow("no screen") << QRect() << QSize(0, 0) << QRect(0, 0, 0, 0);
    }

    void placementChecksTheStoredRectangle() {
        QFETCH(QRect, stored);
        QFETCH(QSize, workArea);
        QFETCH(QRect, expected);
        QCOMPARE(FramePlacement(stored.x(), stored.y(), stored.width(), stored.height(), workArea), expected);
    }

    void placementRefusesValuesFarOutside() {
        const QSize laptop(1366, 728);
        const QRect laptopDefault(102, 55, 1161, 618);
        QCOMPARE(FramePlacement(INT_MAX, INT_MAX, INT_MAX, INT_MAX, laptop), laptopDefault);
        QCOMPARE(FramePlacement(INT_MIN, INT_MIN, INT_MIN, INT_MIN, laptop), laptopDefault);
        QCOMPARE(FramePlacement(0, 0, INT_MAX, 100, laptop), laptopDefault);
        QCOMPARE(FramePlacement(1366, 728, 1366, 728, laptop), QRect(1366, 728, 1366, 728));
    }

    void handEditedPlacementFallsBackToTheDefault() {
        CTestConfig config;
        QDir().mkpath(config.Path() + QStringLiteral("/Veldrin Software"));
        WriteBytes(config.StoreFile(), "[Screen]\nx=2147483647\ny=-2147483648\ncx=2147483647\ncy=wide\n");
        auto pRun = Start();
        QVERIFY(pRun);
        QCOMPARE(pRun->Frame().frameGeometry(), FramePlacement(0, 0, 0, 0, WorkArea()));
    }

    void firstStartCovers85PercentOfTheWorkArea() {
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        const QSize area = WorkArea();
        const QSize size(static_cast<int>(area.width() * 0.85f), static_cast<int>(area.height() * 0.85f));
        const QRect expected(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
        QCOMPARE(pRun->Frame().frameGeometry(), expected);
        QVERIFY(pRun->Frame().isVisible());
        QCOMPARE(pRun->Frame().windowTitle(), QStringLiteral("Pelmar"));
    }

    void storedPlacementAtTheLimits_data() {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<bool>("kept");
        const int w = WorkArea().width();
        const int h = WorkArea().height();
        QTest::newRow("inside") << QRect(30, 40, 500, 400) << true;
        QTest::newRow("whole work area") << QRect(0, 0, w, h) << true;
        QTest::newRow("corner at the limit") << QRect(w, h, 300, 200) << true;
        QTest::newRow("left edge one past") << QRect(w + 1, 0, 300, 200) << false;
        QTest::newRow("top edge one past") << QRect(0, h + 1, 300, 200) << false;
        QTest::newRow("one pixel too wide") << QRect(0, 0, w + 1, 200) << false;
        QTest::newRow("one pixel too high") << QRect(0, 0, 300, h + 1) << false;
    }

    void storedPlacementAtTheLimits() {
        QFETCH(QRect, stored);
        QFETCH(bool, kept);
        CTestConfig config;
        StorePlacement(stored);
        auto pRun = Start();
        QVERIFY(pRun);
        const QRect expected = kept ? stored : FramePlacement(0, 0, 0, 0, WorkArea());
        QCOMPARE(pRun->Frame().InitialPlacement(), expected);
        // The frame, not the inside, takes the stored size.
        QCOMPARE(pRun->Frame().frameGeometry(), expected);
    }

    void closingSavesThePlacementForTheNextStart() {
        CTestConfig config;
        {
            auto pRun = Start();
            QVERIFY(pRun);
            SetFrameGeometry(pRun->Frame(), QRect(30, 40, 500, 400));
            QVERIFY(pRun->Frame().close());
            QCOMPARE(StoredPlacement(), QRect(30, 40, 500, 400));
        }
        auto pRun = Start();
        QVERIFY(pRun);
        QCOMPARE(pRun->Frame().frameGeometry(), QRect(30, 40, 500, 400));
        pRun->Frame().close();
    }

    void negativeCornerIsStoredAsZero() {
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        // The window may not go as far off the screen as asked; partly off is what counts.
        const QSize margins = pRun->Frame().frameGeometry().size() - pRun->Frame().size();
        pRun->Frame().move(-30, -20);
        pRun->Frame().resize(QSize(400, 300) - margins);
        QCoreApplication::processEvents();
        const QRect frame = pRun->Frame().frameGeometry();
        QVERIFY(frame.left() < 0 && frame.top() < 0);
        QVERIFY(pRun->Frame().close());
        QCOMPARE(StoredPlacement(), QRect(0, 0, 400, 300));
    }

    void closingMinimizedStoresNothing() {
        CTestConfig config;
        StorePlacement(QRect(10, 20, 300, 200));
        auto pRun = Start();
        QVERIFY(pRun);
        SetFrameGeometry(pRun->Frame(), QRect(50, 60, 350, 250));
        pRun->Frame().showMinimized();
        QVERIFY(pRun->Frame().isMinimized());
        QVERIFY(pRun->Frame().close());
        QCOMPARE(StoredPlacement(), QRect(10, 20, 300, 200));
    }

    void exitClosesAndSaves() {
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        SetFrameGeometry(pRun->Frame(), QRect(5, 6, 320, 240));
        pRun->Frame().Action(ID_APP_EXIT)->trigger();
        QVERIFY(!pRun->Frame().isVisible());
        QCOMPARE(StoredPlacement(), QRect(5, 6, 320, 240));
        QVERIFY(pRun->messages.Shown().empty());
    }

    void menusHoldTheCommandsInOrder() {
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        struct SEntry {
            const char* pszText;  // nullptr: a separator
            bool bEnabled;
            const char* pszKeys;
        };
        const QList<std::pair<QString, QList<SEntry>>> expected = {
            {QStringLiteral("&File"),
             {{"&Open...", true, "Ctrl+O"}, {"Settings...", false, ""}, {nullptr, true, ""},
              {"Recent File", false, ""}, {nullptr, true, ""}, {"E&xit", true, ""}}},
            {QStringLiteral("&View"), {{"&Clear Window", true, ""}}},
            {QStringLiteral("&Help"), {{"&Help Topics", true, ""}, {nullptr, true, ""}, {"&About Pelmar...", true, ""}}},
        };
        const QList<QAction*> menus = pRun->Frame().menuBar()->actions();
        QCOMPARE(menus.size(), expected.size());
        for (qsizetype i = 0; i < menus.size(); ++i) {
            QCOMPARE(menus[i]->text(), expected[i].first);
            QMenu* pMenu = menus[i]->menu();
            QVERIFY(pMenu != nullptr);
            emit pMenu->aboutToShow();
            QList<QAction*> entries;
            for (QAction* pAction : pMenu->actions()) {
                if (pAction->isVisible()) {
                    entries.append(pAction);
                }
            }
            QCOMPARE(entries.size(), expected[i].second.size());
            for (qsizetype j = 0; j < entries.size(); ++j) {
                const SEntry& entry = expected[i].second[j];
                if (entry.pszText == nullptr) {
                    QVERIFY(entries[j]->isSeparator());
                    continue;
                }
                QCOMPARE(entries[j]->text(), QString::fromLatin1(entry.pszText));
                QCOMPARE(entries[j]->isEnabled(), entry.bEnabled);
                QCOMPARE(entries[j]->shortcut().toString(), QString::fromLatin1(entry.pszKeys));
            }
        }
    }

    void toolbarHasFourButtonsAndASeparator() {
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        QToolBar* pToolBar = pRun->Frame().ToolBar();
        QCOMPARE(pToolBar->iconSize(), QSize(16, 15));
        QCOMPARE(pRun->Frame().toolBarArea(pToolBar), Qt::TopToolBarArea);
        QCOMPARE(pToolBar->allowedAreas(), Qt::AllToolBarAreas);
        const QList<QAction*> actions = pToolBar->actions();
        const QList<QAction*> expected = {pRun->Frame().Action(ID_FILE_OPEN), pRun->Frame().Action(ID_FILE_SETTINGS),
                                          pRun->Frame().Action(ID_VIEW_CLEARWINDOW), nullptr,
                                          pRun->Frame().Action(ID_APP_ABOUT)};
        QCOMPARE(actions.size(), expected.size());
        for (qsizetype i = 0; i < actions.size(); ++i) {
            if (expected[i] == nullptr) {
                QVERIFY(actions[i]->isSeparator());
                continue;
            }
            QCOMPARE(actions[i], expected[i]);
            const QPixmap image = actions[i]->icon().pixmap(QSize(16, 15));
            QCOMPARE(image.size(), QSize(16, 15));
        }
        QVERIFY(!pToolBar->widgetForAction(pRun->Frame().Action(ID_FILE_SETTINGS))->isEnabled());
        QVERIFY(pToolBar->widgetForAction(pRun->Frame().Action(ID_APP_ABOUT))->isEnabled());
    }

    void promptsAndTooltipsComeFromTheStringTable_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("tip");
        QTest::newRow("open") << ID_FILE_OPEN << QStringLiteral("Open an existing document") << QStringLiteral("Open");
        QTest::newRow("settings") << ID_FILE_SETTINGS << QStringLiteral("File conversion settings")
                                  << QStringLiteral("Settings");
        QTest::newRow("clear") << ID_VIEW_CLEARWINDOW << QStringLiteral("Clear Window") << QStringLiteral("Clear Window");
        QTest::newRow("about") << ID_APP_ABOUT
                               << QStringLiteral("Display program information, version number and copyright")
                               << QStringLiteral("About");
        QTest::newRow("exit") << ID_APP_EXIT << QStringLiteral("Quit the application; prompts to save documents")
                              << QStringLiteral("Exit");
        QTest::newRow("help topics") << ID_HELP_FINDER << QStringLiteral("List Help topics")
                                     << QStringLiteral("Help Topics");
    }

    void promptsAndTooltipsComeFromTheStringTable() {
        QFETCH(int, id);
        QFETCH(QString, status);
        QFETCH(QString, tip);
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        QAction* pAction = pRun->Frame().Action(id);
        QVERIFY(pAction != nullptr);
        QCOMPARE(pAction->statusTip(), status);
        QCOMPARE(pAction->toolTip(), tip);
        // The prompt shows in the status bar while the command is pointed at.
        QStatusBar* pStatusBar = pRun->Frame().statusBar();
        pAction->showStatusText(&pRun->Frame());
        QCOMPARE(pStatusBar->currentMessage(), status);
        pStatusBar->clearMessage();
    }

    void statusBarHasOnePaneWithTheIdleText() {
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        QStatusBar* pStatusBar = pRun->Frame().statusBar();
        const QList<QLabel*> labels = pStatusBar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.front()->text(), QStringLiteral("For Help, press F1"));
        QVERIFY(labels.front()->isVisible());
        QCOMPARE(pStatusBar->currentMessage(), QString());

        pStatusBar->showMessage(StatusPrompt(ID_FILE_OPEN));
        QVERIFY(!labels.front()->isVisible());
        pStatusBar->clearMessage();
        QVERIFY(labels.front()->isVisible());
    }

    void contextHelpModeShowsItsPrompt() {
        CTestConfig config;
        auto pRun = Start();
        QVERIFY(pRun);
        pRun->Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pRun->Frame()));
        QTest::keyClick(&pRun->Frame(), Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QCOMPARE(pRun->Frame().statusBar()->currentMessage(), QStringLiteral("Select an object on which to get Help"));
        QWhatsThis::leaveWhatsThisMode();
        QCOMPARE(pRun->Frame().statusBar()->currentMessage(), QString());
        QVERIFY(!pRun->Frame().GetView()->whatsThis().isEmpty());
    }

    void helpKeysOpenTheHelpPage() {
        CTestConfig config;
        CUrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        auto pRun = Start();
        QVERIFY(pRun);
        pRun->Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pRun->Frame()));
        QTest::keyClick(&pRun->Frame(), Qt::Key_F1);
        pRun->Frame().Action(ID_HELP_FINDER)->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.m_urls.size(), 2);
        for (const QUrl& url : std::as_const(catcher.m_urls)) {
            QVERIFY(url.isLocalFile());
            QVERIFY2(url.toLocalFile().endsWith(QStringLiteral("/pelmar-help.html")), qPrintable(url.toString()));
            QVERIFY(ReadBytes(url.toLocalFile()).contains("Pelmar Help"));
        }
        QVERIFY(pRun->messages.Shown().empty());
    }

    void windowToPicture() {
        CTestConfig config;
        QTemporaryDir files;
        const QString path = files.path() + QStringLiteral("/harbor-mills.csv");
        WriteBytes(path, "Date,Open,High,Low,Close,Volume\r\n"
                         "01/04/1999,24.50,25.125,24.25,24.875,118200\r\n"
                         "01/05/1999,24.875,25.50,24.75,25.25,96400\r\n"
                         "01/06/1999,25.25,25.375,24.625,24.75,104800\r\n"
                         "01/07/1999,24.75,25.00,24.50,24.9375,88100\r\n");
        auto pRun = Start();
        QVERIFY(pRun);
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        pRun->Frame().resize(640, 420);
        QCoreApplication::processEvents();
        const QString dir = ShotDir();
        QImage window = pRun->Frame().grab().toImage();
        QVERIFY(window.save(dir + QStringLiteral("/main-window.png")));

        // The File menu pulled down, painted where it stands over the window.
        QMenu* pMenu = pRun->Frame().FileMenu();
        const QList<QAction*> menus = pRun->Frame().menuBar()->actions();
        const QRect title = pRun->Frame().menuBar()->actionGeometry(menus.front());
        const QPoint below = pRun->Frame().menuBar()->mapTo(&pRun->Frame(), title.bottomLeft());
        pMenu->popup(pRun->Frame().mapToGlobal(below));
        QVERIFY(QTest::qWaitForWindowExposed(pMenu));
        pMenu->setActiveAction(pRun->Frame().Action(ID_FILE_SETTINGS));
        QCoreApplication::processEvents();
        const QImage menu = pMenu->grab().toImage();
        QPainter painter(&window);
        painter.drawImage(pRun->Frame().mapFromGlobal(pMenu->pos()), menu);
        painter.end();
        pMenu->close();
        QVERIFY(window.save(dir + QStringLiteral("/main-window-file-menu.png")));
        qInfo("pictures in %s", qPrintable(dir));
    }
};

QTEST_MAIN(CMainFrameTest)
#include "MainFrameTest.moc"
