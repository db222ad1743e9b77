// The "Conversion Settings" dialog: which columns hold which fields, the delimiter and decimal
// mark, the date format, rows to skip, bad lines, reversal, the output directory, the master
// mode, symbol and name. The Settings command fills its value members, runs it and reads them
// back after OK; the dialog never touches the store or the job. OK is refused, with the
// dialog kept open as typed and the focus on the control to fix, until the values can make a
// run; a missing output folder is offered to be created.
#pragma once

#include "engine/JobSettings.h"

#include <QDialog>
#include <QString>

#include <memory>

class CMessageBox;
class QButtonGroup;
namespace Ui {
class CSettingsDlg;
}

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // Messages of the dialog and of the directory chooser go to messages.
    explicit CSettingsDlg(CMessageBox& messages, QWidget* pParent = nullptr);
    ~CSettingsDlg() override;

    // The value members from the settings and back.
    void SetSettings(const SImportSettings& settings);
    SImportSettings Settings() const;

    // The date format number handed to the job (1 to 12), set when OK is accepted.
    int m_nDateFormatNumber = 0;

    // Value members. Columns count from 1; a radio group's value is its checked button's
    // number (EDelimiter, EMasterMode), -1 when none is checked.
    bool m_bHiOn = false;
    bool m_bLoOn = false;
    bool m_bOIOn = false;
    bool m_bOpenOn = false;
    bool m_bVolOn = false;
    int m_nDateCol = 0;
    int m_nOpenCol = 0;
    int m_nHiCol = 0;
    int m_nLoCol = 0;
    int m_nCloCol = 0;
    int m_nVolCol = 0;
    int m_nOICol = 0;
    int m_nSymbolCol = 0; // 0: the symbol is the one typed
    int m_nExist = -1;
    QString m_strName;
    QString m_strPathOut;
    QString m_strSymbol;
    int m_nRowsToSkip = 0;
    bool m_bSkipOn = false;
    bool m_bSkipBadLines = false;
    int m_nDelimiter = -1;
    bool m_bDecimalComma = false;
    QString m_strDateFormat;
    bool m_bReverseOrder = false;
    QString m_strPathIn; // the file to convert; not shown
    // A batch: each file's symbol comes from its name, so the Symbol field says so and is off.
    bool m_bSymbolFromFileNames = false;

    void OnOK();
    void OnBrowse();

protected:
    // Fills the controls from the value members when the dialog is first shown.
    void OnInitDialog();
    void showEvent(QShowEvent* pEvent) override;
    void accept() override;

private:
    void TakeValues();
    void Refuse(QWidget* pControl, const QString& message);
    QWidget* ControlOf(ESettingsItem item) const;
    QWidget* DuplicateColumnControl() const;
    bool ConfirmOutputFolder();

    std::unique_ptr<Ui::CSettingsDlg> m_pUi;
    CMessageBox& m_messages;
    QButtonGroup* m_pDelimiterGroup;
    QButtonGroup* m_pExistGroup;
    bool m_bInitialised = false;
};
