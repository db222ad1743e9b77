#include "app/PelmarApp.h"

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/PelmarDoc.h"
#include "app/PelmarView.h"
#include "settings/Profile.h"
#include "ui_MainFrame.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>

namespace {

CPelmarApp* g_pApp = nullptr;

} // namespace

CPelmarApp::CPelmarApp() {
    // The images and the help page live in the library; a static library's resources must
    // be asked for.
    Q_INIT_RESOURCE(pelmar);
    g_pApp = this;
}

CPelmarApp::~CPelmarApp() {
    ExitInstance();
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

CPelmarApp* CPelmarApp::Instance() {
    return g_pApp;
}

void CPelmarApp::InitInstance(const QString& strFileName) {
    m_pProfile = std::make_unique<CProfile>();
    // Without the key the program still runs: reads give their defaults.
    m_pProfile->CreateKey();

    m_pMainFrame = std::make_unique<CMainFrame>(*m_pProfile);
    m_pDocument = std::make_unique<CPelmarDoc>(*m_pMainFrame->GetView());
    const Ui::CMainFrame& ui = m_pMainFrame->Ui();
    connect(ui.actionOpen, &QAction::triggered, this, &CPelmarApp::OnFileOpen);
    // Clear Window (Ctrl+N) is the New command: a new document is an empty log.
    connect(ui.actionClearWindow, &QAction::triggered, this, &CPelmarApp::OnFileNew);
    connect(ui.actionAbout, &QAction::triggered, this, &CPelmarApp::OnAppAbout);
    connect(m_pMainFrame.get(), &CMainFrame::recentFileChosen, this, &CPelmarApp::OnOpenRecentFile);
    connect(m_pMainFrame.get(), &CMainFrame::filesDropped, this, &CPelmarApp::OpenDocumentFiles);

    // The window shows before the file is opened, so that the preview is on screen while the
    // settings dialog asks about it.
    m_pMainFrame->show();
    // Keys go to the new window at once, also where no window manager hands it the focus.
    m_pMainFrame->activateWindow();
    if (!strFileName.isEmpty()) {
        OpenDocumentFile(strFileName);
    }
}

void CPelmarApp::ExitInstance() {
    if (m_pMainFrame && m_pMainFrame->isVisible()) {
        m_pMainFrame->close();
    }
    m_pDocument.reset();
    m_pMainFrame.reset();
    m_pProfile.reset();
}

bool CPelmarApp::OpenDocumentFile(const QString& strPath) {
    const QString fullPath = QDir::cleanPath(QFileInfo(strPath).absoluteFilePath());
    if (!m_pDocument || !m_pDocument->OnOpenDocument(fullPath, MessageBox())) {
        return false;
    }
    m_pMainFrame->AddRecentFile(fullPath);
    m_pMainFrame->UpdateCommandUI();
    return true;
}

bool CPelmarApp::OpenDocumentFiles(const QStringList& paths) {
    if (paths.size() == 1) {
        return OpenDocumentFile(paths.front());
    }
    QStringList fullPaths;
    for (const QString& path : paths) {
        fullPaths << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
    // A batch leaves the recent files as they are: they are for opening one file again.
    const bool bOpened = m_pDocument && m_pDocument->OnOpenDocuments(fullPaths, MessageBox());
    m_pMainFrame->UpdateCommandUI();
    return bOpened;
}

void CPelmarApp::OnAppAbout() {
    CAboutDlg aboutDlg(m_pMainFrame.get());
    aboutDlg.exec();
}

void CPelmarApp::OnFileNew() {
    m_pDocument->OnNewDocument();
}

void CPelmarApp::OnFileOpen() {
    const QStringList recent = m_pMainFrame->RecentFiles();
    QFileDialog dialog(m_pMainFrame.get(), tr("Open"),
                       recent.isEmpty() ? QString() : QFileInfo(recent.front()).absolutePath(),
                       tr("Price files (*.csv *.txt *.prn *.asc);;All files (*)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // Qt's own dialog (where the desktop offers none) starts small with its columns cut.
    const QFontMetrics metrics(dialog.font());
    dialog.resize(metrics.averageCharWidth() * 135, metrics.lineSpacing() * 33);
    if (auto* pView = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        // Name, size, type ("plain text document") and the date as the dialog writes it.
        const QString date = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
        const int widths[] = {metrics.averageCharWidth() * 36, metrics.horizontalAdvance(QStringLiteral("1,023.9 KiB")),
                              metrics.averageCharWidth() * 22, metrics.horizontalAdvance(date)};
        for (int nSection = 0; nSection < 4; ++nSection) {
            const int nWidth = widths[nSection] + metrics.averageCharWidth() * 3;
            pView->header()->resizeSection(nSection, std::max(pView->header()->sectionSize(nSection), nWidth));
        }
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        OpenDocumentFiles(dialog.selectedFiles());
    }
}

void CPelmarApp::OnOpenRecentFile(const QString& strPath) {
    if (!OpenDocumentFile(strPath)) {
        m_pMainFrame->RemoveRecentFile(strPath);
    }
}
