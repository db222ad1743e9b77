#include "app/PelmarApp.h"

#include "app/AboutDlg.h"
#include "app/ConversionController.h"
#include "app/MainFrame.h"
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

CPelmarApp::CPelmarApp(CMessageBox* pMessageBox) : m_messages(pMessageBox ? *pMessageBox : m_qtMessageBox) {
    // The images and the help page live in the library; a static library's resources must
    // be asked for.
    Q_INIT_RESOURCE(pelmar);
}

CPelmarApp::~CPelmarApp() {
    ExitInstance();
}

void CPelmarApp::InitInstance(const QString& strFileName) {
    m_pProfile = std::make_unique<CProfile>();
    // Without the key the program still runs: reads give their defaults.
    m_pProfile->CreateKey();

    m_pMainFrame = std::make_unique<CMainFrame>(*m_pProfile, m_messages);
    m_pController =
        std::make_unique<CConversionController>(*m_pProfile, m_messages, *m_pMainFrame->GetView(), *m_pMainFrame);
    const Ui::CMainFrame& ui = m_pMainFrame->Ui();
    connect(ui.actionSettings, &QAction::triggered, m_pController.get(), &CConversionController::OnSettings);
    connect(m_pController.get(), &CConversionController::databaseWritten, m_pMainFrame.get(),
            &CMainFrame::OfferDatabase);
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
    m_pController.reset();
    m_pMainFrame.reset();
    m_pProfile.reset();
}

bool CPelmarApp::OpenDocumentFile(const QString& strPath) {
    const QString fullPath = QDir::cleanPath(QFileInfo(strPath).absoluteFilePath());
    if (!m_pController || !m_pController->OnOpenDocument(fullPath)) {
        return false;
    }
    m_pMainFrame->AddRecentFile(fullPath);
    UpdateCommandUI();
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
    const bool bOpened = m_pController && m_pController->OnOpenDocuments(fullPaths);
    UpdateCommandUI();
    return bOpened;
}

void CPelmarApp::UpdateCommandUI() {
    m_pController->OnUpdateSettings(*m_pMainFrame->Ui().actionSettings);
}

void CPelmarApp::OnAppAbout() {
    CAboutDlg aboutDlg(m_bMailLinkVisited, m_bWebLinkVisited, m_pMainFrame.get());
    aboutDlg.exec();
}

void CPelmarApp::OnFileNew() {
    m_pMainFrame->GetView()->OnClearWindow();
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
