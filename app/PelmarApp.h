// The application object of the window program: owns the settings store, the message box, the
// main window and the conversion controller, hands each to those that need it, and answers the
// commands that belong to the application: Open, New, About and the recent files.
//
// Start-up (InitInstance): the store (its key made and the legacy file copied on the first
// run), the main window placed from the store, the controller on the window's log, the window
// shown, then the file named on the command line opened. Exit (ExitInstance): the window,
// which saves its place on closing, then the store, which writes what changed.
#pragma once

#include "app/QtMessageBox.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CConversionController;
class CMainFrame;
class CProfile;

class CPelmarApp : public QObject {
    Q_OBJECT
public:
    // Every message of the program goes to pMessageBox; without one, to Qt's message boxes.
    explicit CPelmarApp(CMessageBox* pMessageBox = nullptr);
    ~CPelmarApp() override;
    CPelmarApp(const CPelmarApp&) = delete;
    CPelmarApp& operator=(const CPelmarApp&) = delete;

    // Start-up as above. A file that cannot be opened is reported; the window stays.
    void InitInstance(const QString& strFileName = QString());
    // Closes the window and deletes the store.
    void ExitInstance();

    // From InitInstance until ExitInstance.
    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }

    // Opens path for conversion: preview, settings dialog and run. False when the file cannot
    // be opened.
    bool OpenDocumentFile(const QString& strPath);
    // Opens several files as one batch (one file as above): Open with several chosen, or
    // files dropped on the window.
    bool OpenDocumentFiles(const QStringList& paths);

    void OnAppAbout();
    // A new, empty document: an empty log. The file opened last stays the one to convert.
    void OnFileNew();
    void OnFileOpen();
    // A recent file that cannot be opened any more leaves the list.
    void OnOpenRecentFile(const QString& strPath);

private:
    // The Settings command's enabling follows the file opened.
    void UpdateCommandUI();

    // The settings store, from the first step of start-up until ExitInstance.
    std::unique_ptr<CProfile> m_pProfile;
    // Whether the About box's links have been opened during this run.
    bool m_bMailLinkVisited = false;
    bool m_bWebLinkVisited = false;
    CQtMessageBox m_qtMessageBox;
    CMessageBox& m_messages;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CConversionController> m_pController;
};
