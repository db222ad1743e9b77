// The Database window's Rename dialog: a security's new symbol and name. OK is refused, with
// the focus on the field to fix, until the symbol is one the settings dialog would take and
// the name fits the directory files (44 characters of Windows-1252).
#pragma once

#include <QDialog>
#include <QString>

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

protected:
    void accept() override;

private:
    std::unique_ptr<Ui::CRenameDlg> m_pUi;
    CMessageBox& m_messages;
};
