// The application object of the window program: owns the settings store, the message box, and
// the one document window (main frame, log view, document), and answers the commands that
// belong to the application: Open, New, About and the recent files.
//
// The design in short: engine/ and metastock/ do the conversion, settings/ holds the store;
// here CPelmarApp starts up, CMainFrame is the window, CPelmarDoc stands for the opened file,
// CPelmarView is the log with the file's preview and the Settings command (CSettingsDlg, with
// CChooseDir behind Browse), CAboutDlg the About box with its CStaticLink links.
//
// Start-up order (InitInstance): the store (CProfile, its key made and the legacy file copied
// on the first run), the main window placed from the store, the window shown, then the file
// named on the command line opened. Exit (ExitInstance): the window, which saves its place on
// closing, then the store, which writes what changed.
#pragma once

#include "app/QtMessageBox.h"

#include <QObject>
#include <QString>

#include <memory>

class CMainFrame;
class CPelmarDoc;
class CProfile;

class CPelmarApp : public QObject {
    Q_OBJECT
public:
    CPelmarApp();
    ~CPelmarApp() override;
    CPelmarApp(const CPelmarApp&) = delete;
    CPelmarApp& operator=(const CPelmarApp&) = delete;

    // The running application; nullptr when there is none.
    static CPelmarApp* Instance();

    // Start-up as above. A file that cannot be opened is reported; the window stays.
    void InitInstance(const QString& strFileName = QString());
    // Closes the window and deletes the store.
    void ExitInstance();

    // Every message of the program goes here; nullptr returns to the Qt message boxes.
    CMessageBox& MessageBox() { return *m_pMessageBox; }
    void SetMessageBox(CMessageBox* pMessageBox) { m_pMessageBox = pMessageBox ? pMessageBox : &m_qtMessageBox; }
    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }

    // Opens path into the one document: preview, settings dialog and run. False when the
    // file cannot be opened.
    bool OpenDocumentFile(const QString& strPath);
    // Opens several files as one batch (one file as above): Open with several chosen, or
    // files dropped on the window.
    bool OpenDocumentFiles(const QStringList& paths);

    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();
    // A recent file that cannot be opened any more leaves the list.
    void OnOpenRecentFile(const QString& strPath);

    // The settings store, from the first step of start-up until ExitInstance.
    std::unique_ptr<CProfile> m_pProfile;
    // Whether the About box's links have been opened during this run.
    bool m_bMailLinkVisited = false;
    bool m_bWebLinkVisited = false;

private:
    CQtMessageBox m_qtMessageBox;
    CMessageBox* m_pMessageBox = &m_qtMessageBox;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CPelmarDoc> m_pDocument;
};
