#include "app/SettingsDlg.h"

#include "app/ChooseDir.h"
#include "app/UpDown.h"
#include "platform/MessageBox.h"
#include "resources/SettingsDlgTemplate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <optional>

namespace {

constexpr char kReverseWarning[] =
    "Your original input file will be \nsaved with the extension BAK.\n\nThen the file will be reversed so\n"
    "the oldest entry is first.";

// An unsigned decimal number with blanks around it allowed. Numbers too long for any column
// come back as a large value, so that the range check names the allowed range.
std::optional<long long> UnsignedNumber(const QString& text) {
    QString digits = text.trimmed();
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return std::nullopt;
    }
    while (digits.size() > 1 && digits.front() == u'0') {
        digits.remove(0, 1);
    }
    constexpr long long kTooLarge = 1'000'000'000'000LL;
    return digits.size() > 12 ? kTooLarge : digits.toLongLong();
}

// The text of an edit whose typing limit is nMax. A longer text put there keeps every
// character, so that the check on OK can refuse it instead of it being cut.
void SetLimitedText(QLineEdit* pEdit, const QString& text, int nMax) {
    pEdit->setMaxLength(std::max<qsizetype>(nMax, text.size()));
    pEdit->setText(text);
    pEdit->setCursorPosition(0);
}

}  // namespace

CSettingsDlg::CSettingsDlg(CMessageBox& messages, QWidget* pParent) : QDialog(pParent), m_messages(messages) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_controls = BuildDialog(*this, kSettingsDlgTemplate);

    m_pDateFormatCombo = qobject_cast<QComboBox*>(Control(IDC_DATE_FORMAT));
    m_pRowsToSkipEdit = Edit(IDC_ROWS_TO_SKIP);
    m_pRowsToSkipSpin = qobject_cast<CUpDown*>(Control(IDC_ROWS_SPIN));
    m_pVolColSpin = qobject_cast<CUpDown*>(Control(IDC_VOL_SPIN));
    m_pOpenColSpin = qobject_cast<CUpDown*>(Control(IDC_OPEN_SPIN));
    m_pOIColSpin = qobject_cast<CUpDown*>(Control(IDC_OI_SPIN));
    m_pLoColSpin = qobject_cast<CUpDown*>(Control(IDC_LO_SPIN));
    m_pHiColSpin = qobject_cast<CUpDown*>(Control(IDC_HI_SPIN));
    m_pCloColSpin = qobject_cast<CUpDown*>(Control(IDC_CLO_SPIN));
    m_pVolColEdit = Edit(IDC_VOL_COL);
    m_pOpenColEdit = Edit(IDC_OPEN_COL);
    m_pOIColEdit = Edit(IDC_OI_COL);
    m_pLoColEdit = Edit(IDC_LO_COL);
    m_pHiColEdit = Edit(IDC_HI_COL);
    m_pCloColEdit = Edit(IDC_CLO_COL);
    m_pDateColSpin = qobject_cast<CUpDown*>(Control(IDC_DATE_SPIN));
    m_pDateColEdit = Edit(IDC_DATE_COL);

    for (const char* pszName : kDateFormatNames) {
        m_pDateFormatCombo->addItem(QString::fromLatin1(pszName));
    }
    m_pDateFormatCombo->setCurrentIndex(-1);
    m_pDateFormatCombo->setEditText(QString());

    auto* pOk = qobject_cast<QPushButton*>(Control(IDOK));
    connect(pOk, &QPushButton::clicked, this, &CSettingsDlg::OnOK);
    connect(qobject_cast<QPushButton*>(Control(IDCANCEL)), &QPushButton::clicked, this, &QDialog::reject);
    connect(qobject_cast<QPushButton*>(Control(IDC_BROWSE)), &QPushButton::clicked, this, &CSettingsDlg::OnBrowse);

    const struct {
        int nBox;
        QLineEdit* pEdit;
        CUpDown* pSpin;
    } fields[] = {
        {IDC_HI_ON, m_pHiColEdit, m_pHiColSpin},    {IDC_LO_ON, m_pLoColEdit, m_pLoColSpin},
        {IDC_OI_ON, m_pOIColEdit, m_pOIColSpin},    {IDC_OPEN_ON, m_pOpenColEdit, m_pOpenColSpin},
        {IDC_VOL_ON, m_pVolColEdit, m_pVolColSpin},
    };
    for (const auto& field : fields) {
        QCheckBox* pBox = CheckBox(field.nBox);
        connect(pBox, &QCheckBox::clicked, this,
                [this, pBox, pEdit = field.pEdit, pSpin = field.pSpin] { OnFieldCheck(pBox, pEdit, pSpin); });
    }
    connect(CheckBox(IDC_SKIP_ON), &QCheckBox::clicked, this, &CSettingsDlg::OnSkipRows);
    connect(CheckBox(IDC_REVERSE), &QCheckBox::clicked, this, &CSettingsDlg::OnReverse);
}

CSettingsDlg::~CSettingsDlg() = default;

QCheckBox* CSettingsDlg::CheckBox(int nId) const {
    return qobject_cast<QCheckBox*>(Control(nId));
}

QLineEdit* CSettingsDlg::Edit(int nId) const {
    return qobject_cast<QLineEdit*>(Control(nId));
}

QButtonGroup* CSettingsDlg::RadioGroup(int nId) const {
    auto* pRadio = qobject_cast<QRadioButton*>(Control(nId));
    return pRadio ? pRadio->group() : nullptr;
}

QWidget* CSettingsDlg::ControlOf(ESettingsItem item) const {
    switch (item) {
    case ESettingsItem::DateCol: return m_pDateColEdit;
    case ESettingsItem::OpenCol: return m_pOpenColEdit;
    case ESettingsItem::HiCol: return m_pHiColEdit;
    case ESettingsItem::LoCol: return m_pLoColEdit;
    case ESettingsItem::CloCol: return m_pCloColEdit;
    case ESettingsItem::VolCol: return m_pVolColEdit;
    case ESettingsItem::OICol: return m_pOIColEdit;
    case ESettingsItem::Name: return Control(IDC_NAME);
    case ESettingsItem::PathOut: return Control(IDC_PATH_OUT);
    case ESettingsItem::Symbol: return Control(IDC_SYMBOL);
    case ESettingsItem::RowsToSkip: return m_pRowsToSkipEdit;
    case ESettingsItem::DateFormat: return m_pDateFormatCombo;
    case ESettingsItem::PathIn: return Control(IDC_PATH_IN);
    case ESettingsItem::Columns: return nullptr;
    }
    return nullptr;
}

void CSettingsDlg::Fail(QWidget* pControl, const std::string& message) {
    m_messages.Show(message);
    if (pControl && pControl->isVisible()) {
        pControl->setFocus(Qt::OtherFocusReason);
        if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
            pEdit->selectAll();
        } else if (auto* pCombo = qobject_cast<QComboBox*>(pControl); pCombo && pCombo->lineEdit()) {
            pCombo->lineEdit()->selectAll();
        }
    }
}

bool CSettingsDlg::UpdateData(bool bSaveAndValidate) {
    // The numbers in exchange order, with their members and the checks' view of them.
    struct SNumber {
        QLineEdit* pEdit;
        int* pMember;
        long long SImportSettings::*pSetting;
        ESettingsItem item;
        const char* pszWhat;
    };
    const SNumber columns[] = {
        {m_pDateColEdit, &m_nDateCol, &SImportSettings::nDateCol, ESettingsItem::DateCol, "The Date column"},
        {m_pOpenColEdit, &m_nOpenCol, &SImportSettings::nOpenCol, ESettingsItem::OpenCol, "The Open column"},
        {m_pHiColEdit, &m_nHiCol, &SImportSettings::nHiCol, ESettingsItem::HiCol, "The High column"},
        {m_pLoColEdit, &m_nLoCol, &SImportSettings::nLoCol, ESettingsItem::LoCol, "The Low column"},
        {m_pCloColEdit, &m_nCloCol, &SImportSettings::nCloCol, ESettingsItem::CloCol, "The Close column"},
        {m_pVolColEdit, &m_nVolCol, &SImportSettings::nVolCol, ESettingsItem::VolCol, "The Volume column"},
        {m_pOIColEdit, &m_nOICol, &SImportSettings::nOICol, ESettingsItem::OICol, "The Open Int column"},
    };
    const SNumber rows = {m_pRowsToSkipEdit, &m_nRowsToSkip, &SImportSettings::nRowsToSkip,
                          ESettingsItem::RowsToSkip, "The rows to skip"};
    const struct {
        int nId;
        int* pMember;
    } boxes[] = {
        {IDC_HI_ON, &m_bHiOn}, {IDC_LO_ON, &m_bLoOn}, {IDC_OI_ON, &m_bOIOn}, {IDC_OPEN_ON, &m_bOpenOn},
        {IDC_VOL_ON, &m_bVolOn},
    };
    QLineEdit* pName = Edit(IDC_NAME);
    QLineEdit* pPathOut = Edit(IDC_PATH_OUT);
    QLineEdit* pSymbol = Edit(IDC_SYMBOL);
    QLineEdit* pPathIn = Edit(IDC_PATH_IN);

    if (!bSaveAndValidate) {
        for (const auto& box : boxes) {
            CheckBox(box.nId)->setChecked(*box.pMember != 0);
        }
        for (const SNumber& column : columns) {
            column.pEdit->setText(QString::number(*column.pMember));
        }
        QButtonGroup* pExist = RadioGroup(IDC_EXIST_MASTER);
        SetLimitedText(pName, m_strName, static_cast<int>(kMaxNameChars));
        SetLimitedText(pPathOut, m_strPathOut, static_cast<int>(kMaxPathOutChars));
        SetLimitedText(pSymbol, m_strSymbol, static_cast<int>(kMaxSymbolChars));
        m_pRowsToSkipEdit->setText(QString::number(m_nRowsToSkip));
        CheckBox(IDC_SKIP_ON)->setChecked(m_bSkipOn != 0);
        QButtonGroup* pDelimiter = RadioGroup(IDC_COMMA);
        for (const auto& [pGroup, nValue] : {std::pair{pExist, m_nExist}, std::pair{pDelimiter, m_nDelimiter}}) {
            // An exclusive group will not uncheck its last button: lift that while setting.
            pGroup->setExclusive(false);
            for (QAbstractButton* pButton : pGroup->buttons()) {
                pButton->setChecked(pGroup->id(pButton) == nValue);
            }
            pGroup->setExclusive(true);
        }
        // The first entry that the text begins, shown with the entry's own text; a text that
        // begins none is shown as it is, with no entry selected, so that the number handed
        // to the job never belongs to an entry other than the one shown.
        const int nNumber = DateFormatNumber(m_strDateFormat.toStdString());
        m_pDateFormatCombo->setCurrentIndex(nNumber - 1);
        if (nNumber == 0) {
            m_pDateFormatCombo->setEditText(m_strDateFormat);
        }
        CheckBox(IDC_REVERSE)->setChecked(m_bReverseOrder != 0);
        SetLimitedText(pPathIn, m_strPathIn, static_cast<int>(kMaxPathInChars));
        return true;
    }

    // Values not yet taken stand at the first-run defaults, which pass every check, so a
    // refusal always concerns the value just taken.
    SImportSettings checked;
    const auto failed = [&]() {
        if (auto problem = CheckSettingsValues(checked)) {
            Fail(ControlOf(problem->item), problem->strMessage);
            return true;
        }
        return false;
    };
    const auto takeNumber = [&](const SNumber& number, long long nLower, long long nUpper) {
        const auto nValue = UnsignedNumber(number.pEdit->text());
        if (!nValue) {
            Fail(number.pEdit, std::string(number.pszWhat) + " must be a whole number from " + std::to_string(nLower) +
                                   " to " + std::to_string(nUpper) + ", written in digits only.");
            return false;
        }
        checked.*number.pSetting = *nValue;
        if (failed()) {
            return false;
        }
        *number.pMember = static_cast<int>(*nValue);
        return true;
    };
    const auto takeText = [&](QLineEdit* pEdit, QString& member, std::string SImportSettings::*pSetting) {
        const QString text = pEdit->text();
        checked.*pSetting = text.toStdString();
        if (failed()) {
            return false;
        }
        member = text;
        return true;
    };

    for (const auto& box : boxes) {
        *box.pMember = CheckBox(box.nId)->isChecked() ? 1 : 0;
    }
    for (const SNumber& column : columns) {
        if (!takeNumber(column, 1, kMaxColumn)) {
            return false;
        }
    }
    m_nExist = RadioGroup(IDC_EXIST_MASTER)->checkedId();
    if (!takeText(pName, m_strName, &SImportSettings::strName) ||
        !takeText(pPathOut, m_strPathOut, &SImportSettings::strPathOut) ||
        !takeText(pSymbol, m_strSymbol, &SImportSettings::strSymbol) || !takeNumber(rows, 0, kMaxRowsToSkip)) {
        return false;
    }
    m_bSkipOn = CheckBox(IDC_SKIP_ON)->isChecked() ? 1 : 0;
    m_nDelimiter = RadioGroup(IDC_COMMA)->checkedId();
    const QString dateFormat = m_pDateFormatCombo->currentText();
    checked.strDateFormat = dateFormat.toStdString();
    if (failed()) {
        return false;
    }
    m_strDateFormat = dateFormat;
    m_bReverseOrder = CheckBox(IDC_REVERSE)->isChecked() ? 1 : 0;
    return takeText(pPathIn, m_strPathIn, &SImportSettings::strPathIn);
}

SImportSettings CSettingsDlg::Settings() const {
    SImportSettings s;
    s.strDateFormat = m_strDateFormat.toStdString();
    s.nDateFormatNumber = m_nDateFormatNumber;
    s.nExist = m_nExist;
    s.nDelimiter = m_nDelimiter;
    s.strPathIn = m_strPathIn.toStdString();
    s.strPathOut = m_strPathOut.toStdString();
    s.strSymbol = m_strSymbol.toStdString();
    s.strName = m_strName.toStdString();
    s.bReverseOrder = m_bReverseOrder;
    s.bSkipOn = m_bSkipOn;
    s.nRowsToSkip = m_nRowsToSkip;
    s.nDateCol = m_nDateCol;
    s.bOpenOn = m_bOpenOn;
    s.nOpenCol = m_nOpenCol;
    s.bHiOn = m_bHiOn;
    s.nHiCol = m_nHiCol;
    s.bLoOn = m_bLoOn;
    s.nLoCol = m_nLoCol;
    s.nCloCol = m_nCloCol;
    s.bVolOn = m_bVolOn;
    s.nVolCol = m_nVolCol;
    s.bOIOn = m_bOIOn;
    s.nOICol = m_nOICol;
    return s;
}

void CSettingsDlg::showEvent(QShowEvent* pEvent) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(pEvent);
}

void CSettingsDlg::OnInitDialog() {
    UpdateData(false);
    const struct {
        CUpDown* pSpin;
        QLineEdit* pEdit;
        int nLower, nUpper;
        int bOn;
    } pairs[] = {
        {m_pRowsToSkipSpin, m_pRowsToSkipEdit, 0, static_cast<int>(kMaxRowsToSkip), m_bSkipOn},
        {m_pDateColSpin, m_pDateColEdit, 1, static_cast<int>(kMaxColumn), 1},
        {m_pOpenColSpin, m_pOpenColEdit, 1, static_cast<int>(kMaxColumn), m_bOpenOn},
        {m_pHiColSpin, m_pHiColEdit, 1, static_cast<int>(kMaxColumn), m_bHiOn},
        {m_pLoColSpin, m_pLoColEdit, 1, static_cast<int>(kMaxColumn), m_bLoOn},
        {m_pCloColSpin, m_pCloColEdit, 1, static_cast<int>(kMaxColumn), 1},
        {m_pVolColSpin, m_pVolColEdit, 1, static_cast<int>(kMaxColumn), m_bVolOn},
        {m_pOIColSpin, m_pOIColEdit, 1, static_cast<int>(kMaxColumn), m_bOIOn},
    };
    for (const auto& pair : pairs) {
        pair.pSpin->SetRange(pair.nLower, pair.nUpper);
        pair.pSpin->setEnabled(pair.bOn != 0);
        pair.pEdit->setEnabled(pair.bOn != 0);
    }
    Control(IDOK)->setFocus(Qt::OtherFocusReason);
}

void CSettingsDlg::OnFieldCheck(QCheckBox* pBox, QLineEdit* pEdit, CUpDown* pSpin) {
    // The boxes are taken before any check can refuse, so the pair follows its box even
    // when a later value is refused.
    UpdateData(true);
    pSpin->setEnabled(pBox->isChecked());
    pEdit->setEnabled(pBox->isChecked());
}

void CSettingsDlg::OnSkipRows() {
    UpdateData(true);
    // The box itself decides: a refusal earlier in the exchange leaves its member unread.
    const bool bSkipOn = CheckBox(IDC_SKIP_ON)->isChecked();
    m_pRowsToSkipSpin->setEnabled(bSkipOn);
    m_pRowsToSkipEdit->setEnabled(bSkipOn);
    if (!bSkipOn) {
        m_pRowsToSkipEdit->setText(QStringLiteral("0"));
    }
}

void CSettingsDlg::OnReverse() {
    UpdateData(true);
    if (CheckBox(IDC_REVERSE)->isChecked()) {
        m_messages.Show(kReverseWarning);
    }
}

void CSettingsDlg::OnBrowse() {
    // Refilling the controls afterwards from members that a refusal left unread would throw
    // away what the user typed there.
    if (!UpdateData(true)) {
        return;
    }
    CChooseDir chooser(m_messages, this);
    chooser.SetInitialDir(m_strPathOut);
    if (chooser.exec() != QDialog::Accepted) {
        return;
    }
    m_strPathOut = chooser.GetDirectory();
    UpdateData(false);
}

void CSettingsDlg::accept() {
    OnOK();
}

void CSettingsDlg::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    SImportSettings settings = Settings();
    const auto problem = CheckSettingsForRun(settings);
    if (problem && problem->item == ESettingsItem::Columns) {
        Fail(nullptr, problem->strMessage);
        return;
    }
    // Past the blank-symbol check the dialog shows the symbol as it will be used.
    if (!settings.strSymbol.empty()) {
        m_strSymbol = QString::fromStdString(settings.strSymbol);
        UpdateData(false);
    }
    if (problem) {
        Fail(ControlOf(problem->item), problem->strMessage);
        return;
    }
    m_nDateFormatNumber = m_pDateFormatCombo->currentIndex() + 1;
    if (!UpdateData(true)) {
        return;
    }
    QDialog::accept();
}
