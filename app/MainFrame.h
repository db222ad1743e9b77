// The main window: menu, toolbar and status bar around the log view, the recent-file list, the
// help window and the Database window. It takes its place from the settings store ("Screen":
// the saved geometry, else the x, y, cx, cy values of older versions) and saves both when it
// closes, with the Database window's place (which starts centred on the main window). Files
// dropped on it are handed on to be opened. The application object connects its commands:
// Open, New, About and the recent files to itself, Settings to the conversion controller.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <memory>

class CDatabaseWindow;
class CMessageBox;
class CPelmarView;
class CSettingsStore;
class QAction;
class QDialog;
namespace Ui {
class CMainFrame;
}

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The number of recent files the File menu lists.
    static constexpr int kRecentFiles = 4;

    // The store keeps the window's place and the recent files; messages takes the Database
    // window's questions and refusals.
    CMainFrame(CSettingsStore& store, CMessageBox& messages, QWidget* pParent = nullptr);
    ~CMainFrame() override;

    CPelmarView* GetView() const;
    const Ui::CMainFrame& Ui() const { return *m_pUi; }

    // The recent files, newest first, as the store keeps them.
    QStringList RecentFiles() const;
    // Puts path at the head of the list (moving it up when listed), or takes it off.
    void AddRecentFile(const QString& strPath);
    void RemoveRecentFile(const QString& strPath);

    void OnHelpFinder();
    // View > Database: the Database window, on the stored output folder when it is new.
    void OnViewDatabase();
    // The Database window on strFolder with strSymbol (UTF-8) selected; made at its first use.
    CDatabaseWindow* ShowDatabase(const QString& strFolder, const QString& strSymbol = QString());
    // Under the log, until the log is emptied: a run wrote into strFolder; a button opens it.
    void OfferDatabase(const QString& strFolder, const QString& strSymbol);

signals:
    void recentFileChosen(const QString& strPath);
    // Local files dropped on the window, in the order given.
    void filesDropped(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void PreCreateWindow();
    void OnClose();
    void WriteRecentFiles(const QStringList& files);
    void UpdateRecentFileMenu();

    std::unique_ptr<Ui::CMainFrame> m_pUi;
    CSettingsStore& m_store;
    CMessageBox& m_messages;
    QList<QAction*> m_recentActions;
    QDialog* m_pHelpWindow = nullptr;
    CDatabaseWindow* m_pDatabaseWindow = nullptr;
    QString m_strOfferedFolder;
    QString m_strOfferedSymbol;
};
