#include "app/MainFrame.h"

#include "app/DatabaseWindow.h"
#include "app/PelmarView.h"
#include "engine/JobSettings.h"
#include "platform/SettingsStore.h"
#include "ui_MainFrame.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

constexpr char kRecentSection[] = "Recent File List";
// The Database window's place, beside the main window's in section "Screen".
constexpr char kDatabaseGeometryKey[] = "DatabaseGeometry";

std::string RecentKey(int nIndex) {
    return "File" + std::to_string(nIndex + 1);
}

// The window's rectangle from the values of older versions: kept when its size is positive
// and no larger than the work area and its left and top edges lie within the work area's
// width and height; else 85 % of the work area's size, centred.
QRect FramePlacement(int x, int y, int cx, int cy, const QSize& workArea) {
    const int nWidth = workArea.width();
    const int nHeight = workArea.height();
    if (cx > 0 && cy > 0 && x >= 0 && y >= 0 && cx <= nWidth && cy <= nHeight && x <= nWidth && y <= nHeight) {
        return QRect(x, y, cx, cy);
    }
    const int cxDefault = nWidth * 85 / 100;
    const int cyDefault = nHeight * 85 / 100;
    return QRect((nWidth - cxDefault) / 2, (nHeight - cyDefault) / 2, cxDefault, cyDefault);
}

} // namespace

CMainFrame::CMainFrame(CSettingsStore& store, CMessageBox& messages, QWidget* pParent)
    : QMainWindow(pParent), m_pUi(std::make_unique<Ui::CMainFrame>()), m_store(store), m_messages(messages) {
    Ui::CMainFrame& ui = *m_pUi;
    ui.setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/resources/Pelmar.png")));
    // A key without a menu entry: Shift+F1 asks what a thing is.
    addAction(QWhatsThis::createAction(this));
    statusBar()->addWidget(new QLabel(tr("For Help, press F1"), statusBar()));

    connect(ui.actionHelpTopics, &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    connect(ui.actionDatabase, &QAction::triggered, this, &CMainFrame::OnViewDatabase);
    connect(ui.showDatabaseButton, &QPushButton::clicked, this,
            [this] { ShowDatabase(m_strOfferedFolder, m_strOfferedSymbol); });
    // The offer stands for the run the log shows; a new file or an emptied log withdraws it.
    connect(ui.m_pView, &QPlainTextEdit::textChanged, this, [this] {
        if (m_pUi->m_pView->document()->isEmpty()) {
            m_pUi->databaseBar->hide();
        }
    });
    // Files dropped on the log open as files, not as text.
    ui.m_pView->setAcceptDrops(false);
    ui.m_pView->viewport()->setAcceptDrops(false);
    setAcceptDrops(true);
    PreCreateWindow();
    UpdateRecentFileMenu();
}

CMainFrame::~CMainFrame() = default;

CPelmarView* CMainFrame::GetView() const {
    return m_pUi->m_pView;
}

void CMainFrame::PreCreateWindow() {
    const QByteArray geometry =
        QByteArray::fromBase64(QByteArray::fromStdString(m_store.GetString(kScreenSection, "Geometry", "")));
    if (!geometry.isEmpty() && restoreGeometry(geometry)) {
        return;
    }
    const int x = m_store.GetInt(kScreenSection, "x", 0);
    const int y = m_store.GetInt(kScreenSection, "y", 0);
    const int cx = m_store.GetInt(kScreenSection, "cx", 0);
    const int cy = m_store.GetInt(kScreenSection, "cy", 0);
    const QRect placement = FramePlacement(x, y, cx, cy, screen()->availableGeometry().size());
    move(placement.topLeft());
    resize(placement.size());
}

void CMainFrame::closeEvent(QCloseEvent* pEvent) {
    OnClose();
    QMainWindow::closeEvent(pEvent);
}

void CMainFrame::OnClose() {
    m_store.PutString(kScreenSection, "Geometry", saveGeometry().toBase64().toStdString());
    if (m_pDatabaseWindow != nullptr) {
        m_store.PutString(kScreenSection, kDatabaseGeometryKey, m_pDatabaseWindow->saveGeometry().toBase64().toStdString());
    }
    // Older versions read these; a minimised window has no place worth keeping.
    if (!isMinimized()) {
        const QRect rect = frameGeometry();
        m_store.PutInt(kScreenSection, "cx", rect.width());
        m_store.PutInt(kScreenSection, "cy", rect.height());
        m_store.PutInt(kScreenSection, "x", std::max(rect.left(), 0));
        m_store.PutInt(kScreenSection, "y", std::max(rect.top(), 0));
    }
}

QStringList CMainFrame::RecentFiles() const {
    QStringList files;
    for (int i = 0; i < kRecentFiles; ++i) {
        const QString path = QString::fromStdString(m_store.GetString(kRecentSection, RecentKey(i), ""));
        if (!path.isEmpty() && !files.contains(path)) {
            files.append(path);
        }
    }
    return files;
}

void CMainFrame::WriteRecentFiles(const QStringList& files) {
    for (int i = 0; i < kRecentFiles; ++i) {
        m_store.PutString(kRecentSection, RecentKey(i), i < files.size() ? files[i].toStdString() : std::string());
    }
    UpdateRecentFileMenu();
}

void CMainFrame::AddRecentFile(const QString& strPath) {
    QStringList files = RecentFiles();
    files.removeAll(strPath);
    files.prepend(strPath);
    WriteRecentFiles(files);
}

void CMainFrame::RemoveRecentFile(const QString& strPath) {
    QStringList files = RecentFiles();
    files.removeAll(strPath);
    WriteRecentFiles(files);
}

void CMainFrame::UpdateRecentFileMenu() {
    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    const QStringList files = RecentFiles();
    m_pUi->actionRecentFile->setVisible(files.isEmpty());
    for (qsizetype i = 0; i < files.size(); ++i) {
        QString name = QDir::toNativeSeparators(files[i]);
        auto* pAction =
            new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name.replace(u'&', QStringLiteral("&&"))), this);
        pAction->setStatusTip(m_pUi->actionRecentFile->statusTip());
        // Queued: the entry is rebuilt away while the file it opens is converted.
        connect(pAction, &QAction::triggered, this, [this, path = files[i]] { emit recentFileChosen(path); },
                Qt::QueuedConnection);
        m_pUi->menuFile->insertAction(m_pUi->actionRecentFile, pAction);
        m_recentActions.append(pAction);
    }
}

namespace {

QStringList LocalFiles(const QMimeData* pData) {
    QStringList paths;
    for (const QUrl& url : pData->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (!LocalFiles(pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* pEvent) {
    const QStringList paths = LocalFiles(pEvent->mimeData());
    if (paths.isEmpty()) {
        return;
    }
    pEvent->acceptProposedAction();
    // Queued: the drag's source waits for the drop to end, not for the conversion.
    QMetaObject::invokeMethod(this, [this, paths] { emit filesDropped(paths); }, Qt::QueuedConnection);
}

void CMainFrame::OnViewDatabase() {
    if (m_pDatabaseWindow != nullptr) {
        m_pDatabaseWindow->show();
        m_pDatabaseWindow->raise();
        m_pDatabaseWindow->activateWindow();
        return;
    }
    ShowDatabase(QString::fromStdString(LoadImportSettings(m_store).strPathOut));
}

CDatabaseWindow* CMainFrame::ShowDatabase(const QString& strFolder, const QString& strSymbol) {
    if (m_pDatabaseWindow == nullptr) {
        m_pDatabaseWindow = new CDatabaseWindow(m_messages, this);
        const QByteArray geometry = QByteArray::fromBase64(
            QByteArray::fromStdString(m_store.GetString(kScreenSection, kDatabaseGeometryKey, "")));
        if (geometry.isEmpty() || !m_pDatabaseWindow->restoreGeometry(geometry)) {
            // The first time: centred on this window, within the screen.
            const QRect area = screen()->availableGeometry();
            QRect rect(QPoint(), m_pDatabaseWindow->size().boundedTo(area.size() * 9 / 10));
            rect.moveCenter(frameGeometry().center());
            rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() - rect.width()));
            rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() - rect.height()));
            m_pDatabaseWindow->setGeometry(rect);
        }
    }
    m_pDatabaseWindow->ShowFolder(strFolder, strSymbol);
    m_pDatabaseWindow->show();
    m_pDatabaseWindow->raise();
    m_pDatabaseWindow->activateWindow();
    return m_pDatabaseWindow;
}

void CMainFrame::OfferDatabase(const QString& strFolder, const QString& strSymbol) {
    m_strOfferedFolder = strFolder;
    m_strOfferedSymbol = strSymbol;
    m_pUi->databaseBarLabel->setText(tr("The database in %1 has the new data.").arg(QDir::toNativeSeparators(strFolder)));
    m_pUi->databaseBar->show();
    // The bar takes room from the log; its last lines stay in sight.
    m_pUi->centralWidget->layout()->activate();
    m_pUi->m_pView->ensureCursorVisible();
}

void CMainFrame::OnHelpFinder() {
    if (m_pHelpWindow == nullptr) {
        m_pHelpWindow = new QDialog(this);
        m_pHelpWindow->setWindowTitle(tr("Pelmar Help"));
        auto* pBrowser = new QTextBrowser(m_pHelpWindow);
        pBrowser->setObjectName(QStringLiteral("helpBrowser"));
        pBrowser->setOpenExternalLinks(true);
        pBrowser->setSource(QUrl(QStringLiteral("qrc:/resources/pelmar-help.html")));
        auto* pLayout = new QVBoxLayout(m_pHelpWindow);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->addWidget(pBrowser);
        const QFontMetrics metrics(pBrowser->font());
        m_pHelpWindow->resize(metrics.averageCharWidth() * 110, metrics.lineSpacing() * 40);
    }
    m_pHelpWindow->show();
    m_pHelpWindow->raise();
    m_pHelpWindow->activateWindow();
}
