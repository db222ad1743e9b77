// The Database window (View > Database...): the securities of one database folder in a table
// (symbol, name, first and last date, bars, data file), the price chart of the one selected,
// and Rename and Delete. It reads through CDatabase without the lock; a change takes the lock,
// reads the folder afresh, is refused when the folder is damaged, and is committed at once.
// The main window owns it; it stays open beside the log.
#pragma once

#include "metastock/Database.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class CMessageBox;
namespace Ui {
class CDatabaseWindow;
}

class CDatabaseWindow : public QWidget {
    Q_OBJECT
public:
    // Confirmations and refusals go to messages.
    explicit CDatabaseWindow(CMessageBox& messages, QWidget* pParent = nullptr);
    ~CDatabaseWindow() override;

    // Lists the securities of folder and selects the one whose symbol (UTF-8) is strSymbol,
    // else the first.
    void ShowFolder(const QString& strFolder, const QString& strSymbol = QString());

    void OnBrowse();
    void OnDelete();
    void OnRename();

private:
    using FChange = std::function<bool(CDatabase&, const SSecurity&, std::string&)>;

    void OnSelectionChanged();
    std::optional<SSecurity> SelectedSecurity() const;
    // Locks the folder, finds the listed security again and applies change; then lists the
    // folder anew, selecting strSelect (listed when nothing changed). False, with the reason
    // shown, when nothing changed.
    bool Change(const SSecurity& listed, const FChange& change, const QString& strSelect);

    std::unique_ptr<Ui::CDatabaseWindow> m_pUi;
    CMessageBox& m_messages;
    std::unique_ptr<CDatabase> m_pDatabase; // the folder as last listed
    QString m_strStatus;                    // what the listing says of the folder
};
