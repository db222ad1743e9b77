// The main window: menu, toolbar and status bar around the log view, the recent-file list and
// the help window. It takes its place from the settings store ("Screen": the saved geometry,
// else the x, y, cx, cy values of older versions) and saves both when it closes. The
// application object answers Open, New, About and the recent files.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <memory>

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

    explicit CMainFrame(CSettingsStore& store, QWidget* pParent = nullptr);
    ~CMainFrame() override;

    CPelmarView* GetView() const;
    const Ui::CMainFrame& Ui() const { return *m_pUi; }

    // The recent files, newest first, as the store keeps them.
    QStringList RecentFiles() const;
    // Puts path at the head of the list (moving it up when listed), or takes it off.
    void AddRecentFile(const QString& strPath);
    void RemoveRecentFile(const QString& strPath);
    // Brings the enabling of the commands up to date.
    void UpdateCommandUI();

    void OnHelpFinder();

signals:
    void recentFileChosen(const QString& strPath);

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void PreCreateWindow();
    void OnClose();
    void WriteRecentFiles(const QStringList& files);
    void UpdateRecentFileMenu();

    std::unique_ptr<Ui::CMainFrame> m_pUi;
    CSettingsStore& m_store;
    QList<QAction*> m_recentActions;
    QDialog* m_pHelpWindow = nullptr;
};
