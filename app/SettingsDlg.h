// The "Conversion Settings" dialog: which columns hold which fields (a time of day among them),
// the delimiter and decimal mark, the date format, rows to skip, bad lines, reversal, the
// period and interval of the bars, the newest bars kept, a currency the prices carry, the
// output directory, the master mode, symbol and name. The Settings command fills its value
// members, runs it and reads them back after OK; the dialog never touches the store or the
// job. OK is refused, with the dialog kept open as typed and the focus on the control to fix,
// until the values can make a run; a missing output folder is offered to be created, and a
// folder that holds no database to start one in. Given m_fnApply, OK also makes the run, and a
// run that is refused keeps the dialog open as well.
//
// Detect fills the input settings from the file's first lines (CLayoutDetector). A choice it
// could not make for certain is shown unchosen and highlighted (no radio button checked, an
// empty list entry, "?" in a column box) and OK waits until the user picks it; what it only
// thinks likely is a note under the button. Under the settings, a preview table shows the
// file's first lines as the settings read them (with detection's guess for a choice not made
// yet), bad cells marked with their reason, and the count of bad lines in the whole file;
// both follow every change of an input setting.
#pragma once

#include "engine/JobSettings.h"
#include "engine/LayoutDetector.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CDetectionDoubts;
class CMessageBox;
class QButtonGroup;
class QTimer;
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

    // Value members. Columns count from 1; a radio group's or a list's value is its checked
    // button's or its entry's number (EDelimiter, EMasterMode, EStoredPeriod), -1 when none is
    // chosen.
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
    int m_nTimeCol = 0; // 0: no time column
    bool m_bDateTime = false;
    int m_nPeriod = 0;  // EStoredPeriod
    int m_nInterval = 0;
    bool m_bKeepLast = false;
    QString m_strCurrency;
    QString m_strPathIn; // the file to convert; not shown
    // A batch: each file's symbol comes from its name, so the Symbol field says so and is off.
    bool m_bSymbolFromFileNames = false;
    // A file opened afresh: its input settings are detected when the dialog is first shown.
    bool m_bDetect = false;
    // Runs the conversion of the values just accepted (the value members hold them); false
    // when the run was refused, having said why, which keeps the dialog open. Without one OK
    // only checks.
    std::function<bool()> m_fnApply;

    // Lines the preview shows, beyond the rows to skip.
    static constexpr int kPreviewLines = 20;
    // Files up to this size are read whole for the count of bad lines at every change; a
    // larger one is counted when asked (Count bad lines).
    static constexpr qint64 kCountBytes = 32 * 1024 * 1024;

    void OnOK();
    void OnBrowse();
    // Detects the input settings of m_strPathIn into the controls; the output folder, the
    // master mode, symbol, name and "Skip bad lines" stay as they are.
    void OnDetect();
    // The preview table and the count of bad lines (for a file up to kCountBytes) from the
    // controls as they stand.
    void UpdatePreview();
    void OnCountBadLines();

    // Whether a choice of the last detection is still shown unchosen.
    bool Unchosen(EDetectChoice choice) const;

protected:
    // Fills the controls from the value members when the dialog is first shown, then detects
    // the layout (m_bDetect) or previews the file.
    void OnInitDialog();
    void showEvent(QShowEvent* pEvent) override;
    void accept() override;

private:
    // The steps of construction: the controls' ranges, lists and radio groups; the rules that
    // open and close controls as others change; the preview's timer, which every input
    // setting starts; the sizes that depend on the font.
    void SetUpControls();
    void ConnectEnablingRules();
    void ConnectPreview();
    void SizeControls();

    void FillControls();
    void TakeValues();
    // The settings as the controls hold them, without taking them into the value members.
    SImportSettings ReadControls() const;
    // The same, with detection's guess for each choice still unchosen: what the preview reads.
    SImportSettings PreviewSettings() const;
    // The Symbol box: the symbol typed, or greyed with where the symbols come from (a symbol
    // column, the file names of a batch); the typed symbol comes back with the column at None.
    void ShowSymbolSource();
    void Refuse(QWidget* pControl, const QString& message);
    QWidget* ControlOf(ESettingsItem item) const;

    // Switched-on fields that share a column, as the layout's check finds them: the column
    // box of the first field whose column an earlier one has, the sentence that names them
    // all ("Close and Volume are both in column 5.") and their columns in the preview table.
    struct SColumnClash {
        QWidget* pControl = nullptr;
        QString strText;
        QList<int> previewColumns;
    };
    std::optional<SColumnClash> ColumnClash() const;
    bool ConfirmOutputFolder();

    void ShowBadLines(const QString& strText, bool bBad);

    std::unique_ptr<Ui::CSettingsDlg> m_pUi;
    CMessageBox& m_messages;
    QTimer* m_pPreviewTimer;
    QButtonGroup* m_pDelimiterGroup;
    QButtonGroup* m_pDecimalGroup;
    QButtonGroup* m_pExistGroup;
    bool m_bInitialised = false;
    // The choices of the last detection still to make, shown in the controls above.
    std::unique_ptr<CDetectionDoubts> m_pDoubts;
    // The symbol typed, kept while a symbol column makes the box show where symbols come from.
    QString m_strTypedSymbol;
};
