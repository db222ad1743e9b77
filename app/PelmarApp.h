// The application object of the window program: owns the settings store, the message box,
// the recent-file list and the one document window (main frame, log view, document), and
// answers the commands that belong to the application: Open, New, About, the recent files.
//
// The design in short: engine/ and metastock/ do the conversion, settings/ holds the store;
// here CPelmarApp starts up, CMainFrame is the window, CPelmarDoc stands for the opened file
// and CPelmarView is the log with the file's preview and the Settings command.
//
// Reaching it from elsewhere: CPelmarApp::Instance() is the running application (nullptr
// before one is made); Profile() is the settings store, MessageBox() the message box that
// every message goes through (tests put a CRecordingMessageBox there with SetMessageBox),
// m_bMailLinkVisited and m_bWebLinkVisited the About box's link states for the run.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class CMainFrame;
class CMessageBox;
class CPelmarDoc;
class CProfile;
class CQtMessageBox;
class CRecentFileList;

class CPelmarApp : public QObject {
    Q_OBJECT
public:
    // The number of recent files the File menu lists.
    static constexpr int kRecentFiles = 4;

    CPelmarApp();
    ~CPelmarApp() override;
    CPelmarApp(const CPelmarApp&) = delete;
    CPelmarApp& operator=(const CPelmarApp&) = delete;

    static CPelmarApp* Instance();

    // Start-up: the store and its key (migrating the legacy file on the run that creates
    // the key), the recent-file list, the document window, then strFileName opened when one
    // is given. False ends the program: the window could not be made or the file not opened.
    bool InitInstance(const QString& strFileName = QString());
    // Saves the recent-file list and deletes the store. The program's exit status.
    int ExitInstance();

    CProfile& Profile() { return *m_pProfile; }
    CMessageBox& MessageBox();
    // nullptr returns to the Qt message boxes. The box is not owned.
    void SetMessageBox(CMessageBox* pMessageBox);

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CPelmarDoc* Document() const { return m_pDocument.get(); }
    CRecentFileList* RecentFileList() const { return m_pRecentFileList.get(); }

    // Opens path into the one document. The path already open is not opened again: its
    // document is returned as it is. nullptr when the file cannot be opened.
    CPelmarDoc* OpenDocumentFile(const QString& strPath);

    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();
    // Opens a recent-file entry; one that cannot be opened any more leaves the list.
    void OnOpenRecentFile(int nIndex);

    // The settings store, from the first step of start-up until ExitInstance.
    std::unique_ptr<CProfile> m_pProfile;
    // Whether the About box's mail and web links have been opened during this run (1) or
    // not (0).
    int m_bMailLinkVisited = 0;
    int m_bWebLinkVisited = 0;

private:
    std::unique_ptr<CQtMessageBox> m_pQtMessageBox;
    CMessageBox* m_pMessageBox = nullptr;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CPelmarDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
