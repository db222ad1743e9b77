// The Database window's Rename dialog: a security's new symbol and name. OK is refused, with
// the focus on the field to fix, until the symbol is one the settings dialog would take and
// the name fits the directory files (44 characters of Windows-1252), and while the rename
// itself is refused (a symbol in use): the dialog stays with what was typed.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class CMessageBox;
namespace Ui {
class CRenameDlg;
}

class CRenameDlg : public QDialog {
    Q_OBJECT
public:
    // Starts with the security's present symbol and name (UTF-8).
    CRenameDlg(CMessageBox& messages, const QString& strSymbol, const QString& strName, QWidget* pParent = nullptr);
    ~CRenameDlg() override;

    // After OK: the symbol cleaned as it is stored, and the name.
    QString m_strSymbol;
    QString m_strName;
    // Makes the rename of checked values (symbol cleaned, name); false when it was refused
    // (having said why), which keeps the dialog open. Without one OK only checks.
    std::function<bool(const QString& strSymbol, const QString& strName)> m_fnApply;

protected:
    void accept() override;

private:
    std::unique_ptr<Ui::CRenameDlg> m_pUi;
    CMessageBox& m_messages;
};
