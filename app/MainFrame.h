// The main window: menu, toolbar and a one-pane status bar around the log view, with the
// accelerators of the program. It places itself from section "Screen" of the settings store
// before it is shown and saves its placement there when it closes. The application object
// owns it and answers the commands that belong to the application (Open, New, About, the
// recent files); the frame answers Exit and help, the view the log's commands.
#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QRect>
#include <QSize>

class CPelmarView;
class CRecentFileList;
class CSettingsStore;
class QAction;
class QDialog;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

// The window's rectangle, frame included: the stored left, top, width and height when its size is positive and no
// larger than the work area and its left and top edges lie within 0 and the work area's
// width and height; else 85 % of the work area's size, centred in a rectangle of that size
// at the screen's origin.
QRect FramePlacement(int x, int y, int cx, int cy, const QSize& workArea);

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Reads the placement and builds menu, toolbar, status bar and view. A frame whose
    // bars could not be made reports false from IsCreated and must not be shown.
    explicit CMainFrame(CSettingsStore& store, QWidget* pParent = nullptr);
    ~CMainFrame() override;

    bool IsCreated() const { return m_bCreated; }
    CPelmarView* GetView() const { return m_pView; }
    // The command's action; nullptr for an id the frame does not offer.
    QAction* Action(int nId) const { return m_actions.value(nId); }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QMenu* FileMenu() const { return m_pFileMenu; }
    // The placement read at creation, which the window takes when it is first shown.
    QRect InitialPlacement() const { return m_rectPlacement; }

    void SetRecentFileList(const CRecentFileList* pList);
    // Rebuilds the recent-file entries of the File menu.
    void UpdateRecentFileMenu();
    // Brings the enabling of the commands up to date.
    void UpdateCommandUI();

    void OnHelpFinder();
    void OnHelp();
    void OnContextHelp();

signals:
    // A recent-file entry was chosen; nIndex counts from 0.
    void recentFileChosen(int nIndex);

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void moveEvent(QMoveEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    QMenu* createPopupMenu() override;

private:
    void PreCreateWindow();
    bool OnCreate();
    void OnClose();
    QAction* AddCommand(int nId, const QString& text, const QList<QKeySequence>& keys = {});
    void FitFrameToPlacement();
    // In the desktop's browser, else in a window of its own.
    void ShowHelpPage();

    CSettingsStore& m_store;
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_pIdleLabel = nullptr;
    QDialog* m_pHelpWindow = nullptr;
    CPelmarView* m_pView = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentPlaceholder = nullptr;
    QList<QAction*> m_recentActions;
    const CRecentFileList* m_pRecentFileList = nullptr;
    QHash<int, QAction*> m_actions;
    QRect m_rectPlacement;
    bool m_bCreated = false;
    // Until the window manager has put its frame around the window, the size given to the
    // window is the frame's; once the frame is known the inner size is set to fit.
    bool m_bFitPending = true;
    bool m_bShown = false;
};
