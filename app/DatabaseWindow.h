// The Database window (View > Database...): the securities of one database folder in a list
// that takes the window's height (symbol, name, period, first and last date, bars, data file; sorted
// by any column, narrowed by a symbol or name typed into Find), the price chart of the one
// selected beside it, Rename and Delete, and Repair of a folder that the charting software or
// a crash left inconsistent. It reads through CDatabase without the lock; a change takes the
// lock, reads the folder afresh, is refused when the folder is damaged, and is committed at
// once; a repair (CFolderRepair) says what it would change and asks first. The main window
// owns it; it stays open beside the log.
#pragma once

#include "metastock/Database.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class CMessageBox;
class CSecurityListModel;
class QSortFilterProxyModel;
namespace Ui {
class CDatabaseWindow;
}

class CDatabaseWindow : public QWidget {
    Q_OBJECT
public:
    // Confirmations and refusals go to messages.
    explicit CDatabaseWindow(CMessageBox& messages, QWidget* pParent = nullptr);
    ~CDatabaseWindow() override;

    // Lists the securities of folder and selects the one whose symbol (UTF-8) is strSymbol
    // (the text in Find is cleared when it hides that one), else the first listed.
    void ShowFolder(const QString& strFolder, const QString& strSymbol = QString());

    void OnBrowse();
    void OnDelete();
    void OnRename();
    void OnRepair();

private:
    using FChange = std::function<bool(CDatabase&, const SSecurity&, std::string&)>;

    void OnSelectionChanged();
    // Lists what Find holds; the selection stays where it is still listed, else goes to the
    // first row.
    void OnFilterChanged();
    // Lists what Find holds and says how many of the folder's securities that is.
    void ApplyFilter();
    // Selects a row of the list as shown (-1: none) and charts it.
    void SelectRow(int nRow);
    // Column widths for the symbols and names listed, within bounds.
    void FitColumns();
    std::optional<SSecurity> SelectedSecurity() const;
    // Locks the folder, finds the listed security again and applies change; then lists the
    // folder anew, selecting strSelect (listed when nothing changed). False, with the reason
    // shown, when nothing changed.
    bool Change(const SSecurity& listed, const FChange& change, const QString& strSelect);

    std::unique_ptr<Ui::CDatabaseWindow> m_pUi;
    CMessageBox& m_messages;
    std::unique_ptr<CDatabase> m_pDatabase; // the folder as last listed
    CSecurityListModel* m_pModel;           // its securities
    QSortFilterProxyModel* m_pProxy;        // as sorted and found
    QString m_strStatus;                    // what the listing says of the folder
    bool m_bSelecting = false;              // SelectRow is at work
};
