// The "Conversion Settings" dialog: which columns hold which fields, delimiter, date format,
// rows to skip, reversing, the output directory, the master mode, symbol and name. The
// Settings command fills its value members, runs it and reads them back after OK; the dialog
// never touches the store or the job. OK is refused until the values can make a run.
#pragma once

#include "engine/JobSettings.h"

#include <QDialog>
#include <QMap>
#include <QString>

class CMessageBox;
class CUpDown;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // Messages of the dialog and of the directory chooser go to messages.
    explicit CSettingsDlg(CMessageBox& messages, QWidget* pParent = nullptr);
    ~CSettingsDlg() override;

    // The exchange between value members and controls: true fills the members from the
    // controls with the checks, stopping at the first refusal (its message shown, the focus
    // on its control, the members after it unchanged); false fills the controls.
    bool UpdateData(bool bSaveAndValidate = true);

    // The value members as the checks and the job take them.
    SImportSettings Settings() const;

    // The control of a template id, for the command and for tests.
    QWidget* Control(int nId) const { return m_controls.value(nId); }

    // Date format number handed to the job: the position from 1 of the list entry selected
    // when OK was accepted, 0 when none was. Meaningful only after OK.
    int m_nDateFormatNumber = 0;

    // Control objects.
    QComboBox* m_pDateFormatCombo = nullptr;
    QLineEdit* m_pRowsToSkipEdit = nullptr;
    CUpDown* m_pRowsToSkipSpin = nullptr;
    CUpDown* m_pVolColSpin = nullptr;
    CUpDown* m_pOpenColSpin = nullptr;
    CUpDown* m_pOIColSpin = nullptr;
    CUpDown* m_pLoColSpin = nullptr;
    CUpDown* m_pHiColSpin = nullptr;
    CUpDown* m_pCloColSpin = nullptr;
    QLineEdit* m_pVolColEdit = nullptr;
    QLineEdit* m_pOpenColEdit = nullptr;
    QLineEdit* m_pOIColEdit = nullptr;
    QLineEdit* m_pLoColEdit = nullptr;
    QLineEdit* m_pHiColEdit = nullptr;
    QLineEdit* m_pCloColEdit = nullptr;
    CUpDown* m_pDateColSpin = nullptr;
    QLineEdit* m_pDateColEdit = nullptr;

    // Value members. Columns count from 1; numbers are held as the store holds them, so
    // that one out of range is shown and refused rather than wrapped.
    int m_bHiOn = 0;
    int m_bLoOn = 0;
    int m_bOIOn = 0;
    int m_bOpenOn = 0;
    int m_bVolOn = 0;
    int m_nDateCol = 0;
    int m_nOpenCol = 0;
    int m_nHiCol = 0;
    int m_nLoCol = 0;
    int m_nCloCol = 0;
    int m_nVolCol = 0;
    int m_nOICol = 0;
    int m_nExist = -1;      // 0 "Use Existing Master", 1 "Make New Master", -1 neither checked
    QString m_strName;
    QString m_strPathOut;
    QString m_strSymbol;
    int m_nRowsToSkip = 0;
    int m_bSkipOn = 0;
    int m_nDelimiter = -1;  // 0 comma, 1 tab, 2 space, -1 none checked
    QString m_strDateFormat;
    int m_bReverseOrder = 0;
    QString m_strPathIn;    // travels in the hidden edit; the user never sees it

    void OnOK();
    void OnBrowse();

protected:
    virtual void OnInitDialog();
    void accept() override;
    void showEvent(QShowEvent* pEvent) override;

private:
    void OnFieldCheck(QCheckBox* pBox, QLineEdit* pEdit, CUpDown* pSpin);
    void OnSkipRows();
    void OnReverse();
    void Fail(QWidget* pControl, const std::string& message);
    QWidget* ControlOf(ESettingsItem item) const;
    QCheckBox* CheckBox(int nId) const;
    QLineEdit* Edit(int nId) const;
    QButtonGroup* RadioGroup(int nId) const;

    CMessageBox& m_messages;
    QMap<int, QWidget*> m_controls;
    bool m_bInitialised = false;
};
