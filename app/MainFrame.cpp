#include "app/MainFrame.h"

#include "app/PelmarApp.h"
#include "app/PelmarView.h"
#include "app/RecentFileList.h"
#include "app/Resource.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <algorithm>
#include <utility>

#ifndef PELMAR_HELP_FROM_BIN
#define PELMAR_HELP_FROM_BIN "../share/pelmar/pelmar-help.html"
#endif

namespace {

// Toolbar images, 16 by 15 pixels.
constexpr QSize kButtonImageSize(16, 15);
constexpr char kOpenImage[] = ":/resources/toolbar-open.png";
constexpr char kSettingsImage[] = ":/resources/toolbar-settings.png";
constexpr char kClearImage[] = ":/resources/toolbar-clear.png";
constexpr char kAboutImage[] = ":/resources/toolbar-about.png";

// How long after showing the window the frame may still be fitted: the window manager puts
// its frame around the window within this time, a user's resize comes later.
constexpr int kFitFrameMs = 2000;

// The installed help page, or the copy that the build puts beside the programs.
QString HelpPagePath() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        dir + QLatin1Char('/') + QStringLiteral(PELMAR_HELP_FROM_BIN),
        dir + QStringLiteral("/share/pelmar/pelmar-help.html"),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

// Menu text of a recent file: its number as the mnemonic, "&" in the name shown as itself.
QString RecentEntryText(int nIndex, QString name) {
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(nIndex + 1).arg(name);
}

} // namespace

QRect FramePlacement(int x, int y, int cx, int cy, const QSize& workArea) {
    const int nWidth = workArea.width();
    const int nHeight = workArea.height();
    // Only the left and top edges are tested against the work area: a stored window may
    // reach beyond the right or bottom edge.
    if (cx > 0 && cy > 0 && x >= 0 && y >= 0 && cx <= nWidth && cy <= nHeight && x <= nWidth && y <= nHeight) {
        return QRect(x, y, cx, cy);
    }
    // Single precision, each product truncated: 1366 by 728 gives 1161 by 618.
    constexpr float kDefaultShare = 0.85f;
    const int cxDefault = static_cast<int>(static_cast<float>(nWidth) * kDefaultShare);
    const int cyDefault = static_cast<int>(static_cast<float>(nHeight) * kDefaultShare);
    return QRect((nWidth - cxDefault) / 2, (nHeight - cyDefault) / 2, cxDefault, cyDefault);
}

CMainFrame::CMainFrame(CSettingsStore& store, QWidget* pParent) : QMainWindow(pParent), m_store(store) {
    InitPelmarResources();
    PreCreateWindow();
    m_bCreated = OnCreate();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
}

void CMainFrame::PreCreateWindow() {
    // The caption is the program's name alone, whatever file is open.
    setWindowTitle(LoadResourceString(AFX_IDS_APP_TITLE));
    setWindowIcon(QIcon(QString::fromLatin1(kMainIconResource)));
    // Toolbar tips also while another window (or none, without a window manager) is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    // Read in this order; any value of a hand-edited file is checked before it is used.
    const int x = m_store.GetInt("Screen", "x", 0);
    const int y = m_store.GetInt("Screen", "y", 0);
    const int cx = m_store.GetInt("Screen", "cx", 0);
    const int cy = m_store.GetInt("Screen", "cy", 0);
    QSize workArea;
    if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        workArea = pScreen->availableGeometry().size();
    }
    m_rectPlacement = FramePlacement(x, y, cx, cy, workArea);
    move(m_rectPlacement.topLeft());
    resize(m_rectPlacement.size());
}

QAction* CMainFrame::AddCommand(int nId, const QString& text, const QList<QKeySequence>& keys) {
    auto* pAction = new QAction(text, this);
    pAction->setStatusTip(StatusPrompt(nId));
    pAction->setWhatsThis(StatusPrompt(nId));
    if (const QString tip = ToolTipPrompt(nId); !tip.isEmpty()) {
        pAction->setToolTip(tip);
    }
    pAction->setShortcuts(keys);
    m_actions.insert(nId, pAction);
    // Commands may change what is enabled; brought up to date once the command has run.
    connect(pAction, &QAction::triggered, this, &CMainFrame::UpdateCommandUI, Qt::QueuedConnection);
    return pAction;
}

bool CMainFrame::OnCreate() {
    m_pView = new CPelmarView(this);
    setCentralWidget(m_pView);

    QAction* pOpen = AddCommand(ID_FILE_OPEN, QStringLiteral("&Open..."), {QKeySequence(Qt::CTRL | Qt::Key_O)});
    QAction* pSettings = AddCommand(ID_FILE_SETTINGS, QStringLiteral("Settings..."));
    pSettings->setEnabled(false);
    QAction* pExit = AddCommand(ID_APP_EXIT, QStringLiteral("E&xit"));
    QAction* pClear = AddCommand(ID_VIEW_CLEARWINDOW, QStringLiteral("&Clear Window"));
    QAction* pHelpTopics = AddCommand(ID_HELP_FINDER, QStringLiteral("&Help Topics"));
    QAction* pAbout = AddCommand(ID_APP_ABOUT, QStringLiteral("&About Pelmar..."));

    // Commands reached through keys alone.
    QAction* pNew = AddCommand(ID_FILE_NEW, QString(), {QKeySequence(Qt::CTRL | Qt::Key_N)});
    QAction* pSave = AddCommand(ID_FILE_SAVE, QString(), {QKeySequence(Qt::CTRL | Qt::Key_S)});
    QAction* pUndo = AddCommand(ID_EDIT_UNDO, QString(),
                                {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    QAction* pCut = AddCommand(ID_EDIT_CUT, QString(),
                               {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    QAction* pCopy = AddCommand(ID_EDIT_COPY, QString(),
                                {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    QAction* pPaste = AddCommand(ID_EDIT_PASTE, QString(),
                                 {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    QAction* pNextPane = AddCommand(ID_NEXT_PANE, QString(), {QKeySequence(Qt::Key_F6)});
    QAction* pPrevPane = AddCommand(ID_PREV_PANE, QString(), {QKeySequence(Qt::SHIFT | Qt::Key_F6)});
    QAction* pContextHelp = AddCommand(ID_CONTEXT_HELP, QString(), {QKeySequence(Qt::SHIFT | Qt::Key_F1)});
    QAction* pHelp = AddCommand(ID_HELP, QString(), {QKeySequence(Qt::Key_F1)});
    addActions({pNew, pSave, pUndo, pCut, pCopy, pPaste, pNextPane, pPrevPane, pContextHelp, pHelp});

    m_pFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_pFileMenu->addAction(pOpen);
    m_pFileMenu->addAction(pSettings);
    m_pFileMenu->addSeparator();
    m_pRecentPlaceholder = m_pFileMenu->addAction(QStringLiteral("Recent File"));
    m_pRecentPlaceholder->setStatusTip(LoadResourceString(ID_FILE_MRU_FILE1));
    m_pRecentPlaceholder->setEnabled(false);
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(pExit);
    connect(m_pFileMenu, &QMenu::aboutToShow, this, [this] {
        UpdateRecentFileMenu();
        UpdateCommandUI();
    });
    QMenu* pViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    pViewMenu->addAction(pClear);
    QMenu* pHelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    pHelpMenu->addAction(pHelpTopics);
    pHelpMenu->addSeparator();
    pHelpMenu->addAction(pAbout);

    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setIconSize(kButtonImageSize);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    const std::pair<QAction*, const char*> buttons[] = {
        {pOpen, kOpenImage}, {pSettings, kSettingsImage}, {pClear, kClearImage}, {pAbout, kAboutImage}};
    for (const auto& [pAction, pszImage] : buttons) {
        const QPixmap image(QString::fromLatin1(pszImage));
        if (image.isNull()) {
            return false;
        }
        pAction->setIcon(QIcon(image));
        if (pAction == pAbout) {
            m_wndToolBar->addSeparator();
        }
        m_wndToolBar->addAction(pAction);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    // One pane: the prompts of commands, the idle text when there is none.
    m_wndStatusBar = statusBar();
    m_pIdleLabel = new QLabel(LoadResourceString(AFX_IDS_IDLEMESSAGE), m_wndStatusBar);
    m_wndStatusBar->addWidget(m_pIdleLabel, 1);

    connect(pExit, &QAction::triggered, this, &QWidget::close);
    connect(pHelpTopics, &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    connect(pHelp, &QAction::triggered, this, &CMainFrame::OnHelp);
    connect(pContextHelp, &QAction::triggered, this, &CMainFrame::OnContextHelp);
    connect(pSettings, &QAction::triggered, m_pView, &CPelmarView::OnSettings);
    connect(pClear, &QAction::triggered, m_pView, &CPelmarView::OnClearWindow);
    connect(pCopy, &QAction::triggered, m_pView, &QPlainTextEdit::copy);
    // Save, Undo, Cut, Paste and the pane keys do nothing: their actions only keep the keys
    // from the log, so the opened file is never written and the log never changes.
    qApp->installEventFilter(this);
    UpdateRecentFileMenu();
    return true;
}

void CMainFrame::SetRecentFileList(const CRecentFileList* pList) {
    m_pRecentFileList = pList;
    UpdateRecentFileMenu();
}

void CMainFrame::UpdateRecentFileMenu() {
    if (m_pFileMenu == nullptr) {
        return;
    }
    // Later: an entry may be rebuilt away while its own trigger is still being delivered.
    for (QAction* pOld : std::as_const(m_recentActions)) {
        m_pFileMenu->removeAction(pOld);
        pOld->deleteLater();
    }
    m_recentActions.clear();
    const int nCount = m_pRecentFileList != nullptr ? static_cast<int>(m_pRecentFileList->Entries().size()) : 0;
    m_pRecentPlaceholder->setVisible(nCount == 0);
    const QString currentDir = QDir::currentPath();
    for (int i = 0; i < nCount; ++i) {
        auto* pEntry = new QAction(RecentEntryText(i, m_pRecentFileList->GetDisplayName(i, currentDir)), this);
        pEntry->setStatusTip(LoadResourceString(ID_FILE_MRU_FILE1 + i));
        pEntry->setToolTip(m_pRecentFileList->Entries()[i]);
        connect(pEntry, &QAction::triggered, this, [this, i] { emit recentFileChosen(i); });
        connect(pEntry, &QAction::triggered, this, &CMainFrame::UpdateCommandUI, Qt::QueuedConnection);
        m_pFileMenu->insertAction(m_pRecentPlaceholder, pEntry);
        m_recentActions.append(pEntry);
    }
}

void CMainFrame::UpdateCommandUI() {
    if (QAction* pSettings = Action(ID_FILE_SETTINGS); pSettings != nullptr && m_pView != nullptr) {
        m_pView->OnUpdateSettings(*pSettings);
    }
}

void CMainFrame::ShowHelpPage() {
    const QString path = HelpPagePath();
    if (path.isEmpty()) {
        if (CPelmarApp* pApp = CPelmarApp::Instance()) {
            pApp->MessageBox().Show("The help page of Pelmar is not installed.");
        }
        return;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        return;
    }
    // No browser set up on this desktop: the page in a window of the program's own.
    if (m_pHelpWindow == nullptr) {
        m_pHelpWindow = new QDialog(this);
        m_pHelpWindow->setWindowTitle(QStringLiteral("Pelmar Help"));
        auto* pBrowser = new QTextBrowser(m_pHelpWindow);
        pBrowser->setOpenExternalLinks(true);
        pBrowser->setSource(QUrl::fromLocalFile(path));
        auto* pLayout = new QVBoxLayout(m_pHelpWindow);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->addWidget(pBrowser);
        m_pHelpWindow->resize(640, 560);
    }
    m_pHelpWindow->show();
    m_pHelpWindow->raise();
    m_pHelpWindow->activateWindow();
}

void CMainFrame::OnHelpFinder() {
    ShowHelpPage();
}

void CMainFrame::OnHelp() {
    ShowHelpPage();
}

void CMainFrame::OnContextHelp() {
    QWhatsThis::enterWhatsThisMode();
    m_wndStatusBar->showMessage(LoadResourceString(AFX_IDS_HELPMODEMESSAGE));
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // Where no window manager hands the focus back when a modal dialog closes, the window
    // takes it itself, so that its keys keep working.
    if (pEvent->type() == QEvent::Hide && pWatched != this && qobject_cast<QDialog*>(pWatched) != nullptr &&
        static_cast<QWidget*>(pWatched)->windowModality() != Qt::NonModal) {
        QTimer::singleShot(0, this, [this] {
            if (QApplication::activeWindow() == nullptr && QApplication::activeModalWidget() == nullptr &&
                isVisible() && !isMinimized()) {
                activateWindow();
            }
        });
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

bool CMainFrame::event(QEvent* pEvent) {
    // Sent to every window when context-help mode ends, by a click or by Escape.
    if (pEvent->type() == QEvent::LeaveWhatsThisMode && m_wndStatusBar != nullptr) {
        m_wndStatusBar->clearMessage();
    }
    return QMainWindow::event(pEvent);
}

QMenu* CMainFrame::createPopupMenu() {
    // The toolbar is always there; no menu to hide it.
    return nullptr;
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    OnClose();
    pEvent->accept();
}

void CMainFrame::OnClose() {
    if (isMinimized()) {
        return;
    }
    const QRect rect = frameGeometry();
    m_store.PutInt("Screen", "cx", rect.width());
    m_store.PutInt("Screen", "cy", rect.height());
    m_store.PutInt("Screen", "x", std::max(rect.left(), 0));
    m_store.PutInt("Screen", "y", std::max(rect.top(), 0));
#ifndef NDEBUG
    qDebug("wrect wid=%d hei=%d", rect.width(), rect.height());
#endif
}

void CMainFrame::showEvent(QShowEvent* pEvent) {
    QMainWindow::showEvent(pEvent);
    if (!m_bShown) {
        m_bShown = true;
        QTimer::singleShot(kFitFrameMs, this, [this] { m_bFitPending = false; });
        FitFrameToPlacement();
    }
}

void CMainFrame::moveEvent(QMoveEvent* pEvent) {
    QMainWindow::moveEvent(pEvent);
    FitFrameToPlacement();
}

void CMainFrame::resizeEvent(QResizeEvent* pEvent) {
    QMainWindow::resizeEvent(pEvent);
    FitFrameToPlacement();
}

void CMainFrame::FitFrameToPlacement() {
    if (!m_bFitPending || !isVisible()) {
        return;
    }
    if (isMaximized() || isFullScreen() || isMinimized()) {
        m_bFitPending = false;
        return;
    }
    const QSize margins = frameGeometry().size() - size();
    // No frame yet, or none at all (no window manager).
    if (margins == QSize(0, 0)) {
        return;
    }
    m_bFitPending = false;
    resize(m_rectPlacement.size() - margins);
    move(m_rectPlacement.topLeft());
}
