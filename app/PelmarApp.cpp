#include "app/PelmarApp.h"

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/PelmarDoc.h"
#include "app/PelmarView.h"
#include "app/QtMessageBox.h"
#include "app/RecentFileList.h"
#include "app/Resource.h"
#include "settings/Profile.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

CPelmarApp* g_pApp = nullptr;

} // namespace

CPelmarApp::CPelmarApp() : m_pQtMessageBox(std::make_unique<CQtMessageBox>()) {
    m_pMessageBox = m_pQtMessageBox.get();
    g_pApp = this;
    InitPelmarResources();
}

CPelmarApp::~CPelmarApp() {
    // The window goes before the store that it saves its placement to.
    m_pMainFrame.reset();
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

CPelmarApp* CPelmarApp::Instance() {
    return g_pApp;
}

CMessageBox& CPelmarApp::MessageBox() {
    return *m_pMessageBox;
}

void CPelmarApp::SetMessageBox(CMessageBox* pMessageBox) {
    m_pMessageBox = pMessageBox != nullptr ? pMessageBox : m_pQtMessageBox.get();
}

bool CPelmarApp::InitInstance(const QString& strFileName) {
    m_pProfile = std::make_unique<CProfile>();
    const QString title = LoadResourceString(AFX_IDS_APP_TITLE);
    bool bCreatedNew = false;
    // Without the key the program still runs: reads give their defaults.
    if (m_pProfile->CreateKey("Software\\Veldrin Software\\" + title.toStdString(), bCreatedNew) && bCreatedNew) {
        m_pProfile->MigrateIniFile();
    }

    m_pRecentFileList = std::make_unique<CRecentFileList>(CRecentFileList::DefaultProfilePath(), kRecentFiles);
    m_pRecentFileList->ReadList();

    m_pDocument = std::make_unique<CPelmarDoc>();
    m_pMainFrame = std::make_unique<CMainFrame>(*m_pProfile);
    if (!m_pMainFrame->IsCreated()) {
        m_pMainFrame.reset();
        MessageBox().Show("Failed to create empty document.");
        return false;
    }
    m_pDocument->SetView(m_pMainFrame->GetView());
    m_pMainFrame->SetRecentFileList(m_pRecentFileList.get());
    connect(m_pMainFrame->Action(ID_FILE_OPEN), &QAction::triggered, this, &CPelmarApp::OnFileOpen);
    connect(m_pMainFrame->Action(ID_FILE_NEW), &QAction::triggered, this, &CPelmarApp::OnFileNew);
    connect(m_pMainFrame->Action(ID_APP_ABOUT), &QAction::triggered, this, &CPelmarApp::OnAppAbout);
    connect(m_pMainFrame.get(), &CMainFrame::recentFileChosen, this, &CPelmarApp::OnOpenRecentFile);

    // The window shows before a file named on the command line is opened, so that its
    // preview is on screen while the settings dialog asks about it.
    m_pDocument->OnNewDocument();
    m_pMainFrame->show();
    // Keys go to the new window at once, also where no window manager gives it the focus.
    m_pMainFrame->activateWindow();
    if (strFileName.isEmpty()) {
        return true;
    }
    return OpenDocumentFile(strFileName) != nullptr;
}

int CPelmarApp::ExitInstance() {
    if (m_pRecentFileList) {
        m_pRecentFileList->WriteList();
    }
    m_pMainFrame.reset();
    m_pProfile.reset();
    return 0;
}

CPelmarDoc* CPelmarApp::OpenDocumentFile(const QString& strPath) {
    if (strPath.isEmpty() || !m_pDocument || !m_pMainFrame) {
        return nullptr;
    }
    const QString fullPath = QDir::cleanPath(QFileInfo(strPath).absoluteFilePath());
    if (!m_pDocument->GetPathName().isEmpty() && m_pDocument->GetPathName() == fullPath) {
        m_pMainFrame->raise();
        m_pMainFrame->activateWindow();
        return m_pDocument.get();
    }
    if (!m_pDocument->OnOpenDocument(fullPath)) {
        return nullptr;
    }
    m_pDocument->SetPathName(fullPath);
    m_pRecentFileList->Add(fullPath);
    m_pRecentFileList->WriteList();
    m_pMainFrame->UpdateRecentFileMenu();
    m_pMainFrame->UpdateCommandUI();
    return m_pDocument.get();
}

void CPelmarApp::OnAppAbout() {
    CAboutDlg aboutDlg(m_pMainFrame.get());
    aboutDlg.exec();
}

void CPelmarApp::OnFileNew() {
    if (m_pDocument) {
        m_pDocument->OnNewDocument();
    }
}

void CPelmarApp::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(m_pMainFrame.get(), QStringLiteral("Open"), QString(),
                                                      QStringLiteral("All Files (*)"));
    if (!path.isEmpty()) {
        OpenDocumentFile(path);
    }
}

void CPelmarApp::OnOpenRecentFile(int nIndex) {
    if (!m_pRecentFileList || nIndex < 0 || nIndex >= m_pRecentFileList->Entries().size()) {
        return;
    }
    const QString path = m_pRecentFileList->Entries()[nIndex];
    if (OpenDocumentFile(path) == nullptr) {
        m_pRecentFileList->Remove(nIndex);
        m_pRecentFileList->WriteList();
        if (m_pMainFrame) {
            m_pMainFrame->UpdateRecentFileMenu();
        }
    }
}
