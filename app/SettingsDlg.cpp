#include "app/SettingsDlg.h"

#include "app/ChooseDir.h"
#include "platform/MessageBox.h"
#include "ui_SettingsDlg.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

using CUi = Ui::CSettingsDlg;

// Which value member goes with which setting and which control.
struct SSpinBinding {
    int CSettingsDlg::*pMember;
    long long SImportSettings::*pSetting;
    QSpinBox* CUi::*pSpin;
};
constexpr SSpinBinding kSpins[] = {
    {&CSettingsDlg::m_nDateCol, &SImportSettings::nDateCol, &CUi::dateColSpin},
    {&CSettingsDlg::m_nOpenCol, &SImportSettings::nOpenCol, &CUi::openColSpin},
    {&CSettingsDlg::m_nHiCol, &SImportSettings::nHiCol, &CUi::hiColSpin},
    {&CSettingsDlg::m_nLoCol, &SImportSettings::nLoCol, &CUi::loColSpin},
    {&CSettingsDlg::m_nCloCol, &SImportSettings::nCloCol, &CUi::cloColSpin},
    {&CSettingsDlg::m_nVolCol, &SImportSettings::nVolCol, &CUi::volColSpin},
    {&CSettingsDlg::m_nOICol, &SImportSettings::nOICol, &CUi::oiColSpin},
    {&CSettingsDlg::m_nSymbolCol, &SImportSettings::nSymbolCol, &CUi::symbolColSpin},
    {&CSettingsDlg::m_nRowsToSkip, &SImportSettings::nRowsToSkip, &CUi::rowsToSkipSpin},
};

struct SCheckBinding {
    bool CSettingsDlg::*pMember;
    long long SImportSettings::*pSetting;
    QCheckBox* CUi::*pCheck;
};
constexpr SCheckBinding kChecks[] = {
    {&CSettingsDlg::m_bHiOn, &SImportSettings::bHiOn, &CUi::highCheck},
    {&CSettingsDlg::m_bLoOn, &SImportSettings::bLoOn, &CUi::lowCheck},
    {&CSettingsDlg::m_bOIOn, &SImportSettings::bOIOn, &CUi::openIntCheck},
    {&CSettingsDlg::m_bOpenOn, &SImportSettings::bOpenOn, &CUi::openCheck},
    {&CSettingsDlg::m_bVolOn, &SImportSettings::bVolOn, &CUi::volumeCheck},
    {&CSettingsDlg::m_bSkipOn, &SImportSettings::bSkipOn, &CUi::skipRowsCheck},
    {&CSettingsDlg::m_bSkipBadLines, &SImportSettings::bSkipBadLines, &CUi::skipBadCheck},
    {&CSettingsDlg::m_bDecimalComma, &SImportSettings::bDecimalComma, &CUi::decimalCommaCheck},
    {&CSettingsDlg::m_bReverseOrder, &SImportSettings::bReverseOrder, &CUi::reverseCheck},
};

struct STextBinding {
    QString CSettingsDlg::*pMember;
    std::string SImportSettings::*pSetting;
    QLineEdit* CUi::*pEdit;
};
constexpr STextBinding kTexts[] = {
    {&CSettingsDlg::m_strName, &SImportSettings::strName, &CUi::nameEdit},
    {&CSettingsDlg::m_strPathOut, &SImportSettings::strPathOut, &CUi::pathOutEdit},
    {&CSettingsDlg::m_strSymbol, &SImportSettings::strSymbol, &CUi::symbolEdit},
};

// Radio groups: members without a control object of their own.
constexpr std::pair<int CSettingsDlg::*, long long SImportSettings::*> kGroups[] = {
    {&CSettingsDlg::m_nExist, &SImportSettings::nExist},
    {&CSettingsDlg::m_nDelimiter, &SImportSettings::nDelimiter},
};

void CheckButton(QButtonGroup* pGroup, int nId) {
    if (QAbstractButton* pButton = pGroup->button(nId)) {
        pButton->setChecked(true);
    }
}

} // namespace

CSettingsDlg::CSettingsDlg(CMessageBox& messages, QWidget* pParent)
    : QDialog(pParent), m_pUi(std::make_unique<CUi>()), m_messages(messages) {
    CUi& ui = *m_pUi;
    ui.setupUi(this);
    // Ranges and lengths come from the one table of settings.
    for (const SSpinBinding& binding : kSpins) {
        for (const SIntKey& key : kIntKeys) {
            if (key.pMember == binding.pSetting) {
                (ui.*binding.pSpin)->setRange(static_cast<int>(key.nMin), static_cast<int>(key.nMax));
            }
        }
    }
    for (const STextBinding& binding : kTexts) {
        for (const STextKey& key : kTextKeys) {
            if (key.pMember == binding.pSetting) {
                (ui.*binding.pEdit)->setMaxLength(static_cast<int>(key.nMaxChars));
            }
        }
    }
    for (const char* pszName : kDateFormatNames) {
        ui.dateFormatCombo->addItem(QString::fromLatin1(pszName));
    }
    ui.dateFormatCombo->setCurrentIndex(-1);

    m_pDelimiterGroup = new QButtonGroup(this);
    m_pDelimiterGroup->addButton(ui.commaRadio, static_cast<int>(EDelimiter::Comma));
    m_pDelimiterGroup->addButton(ui.tabRadio, static_cast<int>(EDelimiter::Tab));
    m_pDelimiterGroup->addButton(ui.spaceRadio, static_cast<int>(EDelimiter::Space));
    m_pDelimiterGroup->addButton(ui.semicolonRadio, static_cast<int>(EDelimiter::Semicolon));
    m_pExistGroup = new QButtonGroup(this);
    m_pExistGroup->addButton(ui.useExistingRadio, static_cast<int>(EMasterMode::UseExisting));
    m_pExistGroup->addButton(ui.makeNewRadio, static_cast<int>(EMasterMode::MakeNew));
    m_pExistGroup->addButton(ui.addNewBarsRadio, static_cast<int>(EMasterMode::AddNewBars));

    // Enabling rules beyond the field boxes, which the form connects to their columns.
    connect(ui.skipRowsCheck, &QCheckBox::toggled, this, [this](bool bOn) {
        if (!bOn) {
            m_pUi->rowsToSkipSpin->setValue(0);
        }
    });
    // A decimal comma cannot be told from the delimiter in a comma-separated file.
    connect(m_pDelimiterGroup, &QButtonGroup::idToggled, this, [this](int nId, bool bChecked) {
        if (nId == static_cast<int>(EDelimiter::Comma)) {
            m_pUi->decimalCommaCheck->setEnabled(!bChecked);
            if (bChecked) {
                m_pUi->decimalCommaCheck->setChecked(false);
            }
        }
    });
    // With a symbol column each line names its security.
    connect(ui.symbolColSpin, &QSpinBox::valueChanged, this,
            [this](int nColumn) { m_pUi->symbolEdit->setEnabled(nColumn == 0 && !m_bSymbolFromFileNames); });
    connect(ui.browseButton, &QPushButton::clicked, this, &CSettingsDlg::OnBrowse);
}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::SetSettings(const SImportSettings& settings) {
    for (const SSpinBinding& binding : kSpins) {
        this->*binding.pMember = static_cast<int>(settings.*binding.pSetting);
    }
    for (const SCheckBinding& binding : kChecks) {
        this->*binding.pMember = settings.*binding.pSetting != 0;
    }
    for (const STextBinding& binding : kTexts) {
        this->*binding.pMember = QString::fromStdString(settings.*binding.pSetting);
    }
    for (const auto& [pMember, pSetting] : kGroups) {
        this->*pMember = static_cast<int>(settings.*pSetting);
    }
    m_strDateFormat = QString::fromStdString(settings.strDateFormat);
    m_strPathIn = QString::fromStdString(settings.strPathIn);
    m_nDateFormatNumber = settings.nDateFormatNumber;
}

SImportSettings CSettingsDlg::Settings() const {
    SImportSettings settings;
    for (const SSpinBinding& binding : kSpins) {
        settings.*binding.pSetting = this->*binding.pMember;
    }
    for (const SCheckBinding& binding : kChecks) {
        settings.*binding.pSetting = this->*binding.pMember ? 1 : 0;
    }
    for (const STextBinding& binding : kTexts) {
        settings.*binding.pSetting = (this->*binding.pMember).toStdString();
    }
    for (const auto& [pMember, pSetting] : kGroups) {
        settings.*pSetting = this->*pMember;
    }
    settings.strDateFormat = m_strDateFormat.toStdString();
    settings.strPathIn = m_strPathIn.toStdString();
    settings.nDateFormatNumber = m_nDateFormatNumber;
    return settings;
}

void CSettingsDlg::showEvent(QShowEvent* pEvent) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(pEvent);
}

void CSettingsDlg::OnInitDialog() {
    CUi& ui = *m_pUi;
    for (const SSpinBinding& binding : kSpins) {
        (ui.*binding.pSpin)->setValue(this->*binding.pMember);
    }
    for (const SCheckBinding& binding : kChecks) {
        (ui.*binding.pCheck)->setChecked(this->*binding.pMember);
    }
    for (const STextBinding& binding : kTexts) {
        (ui.*binding.pEdit)->setText(this->*binding.pMember);
        (ui.*binding.pEdit)->setCursorPosition(0);
    }
    if (m_bSymbolFromFileNames) {
        ui.symbolEdit->setText(tr("(from file names)"));
        ui.symbolEdit->setEnabled(false);
    }
    CheckButton(m_pExistGroup, m_nExist);
    CheckButton(m_pDelimiterGroup, m_nDelimiter);
    // The first entry that the text begins, ignoring case; a text that begins none is shown
    // as it is, with no entry selected.
    const int nNumber = DateFormatNumber(m_strDateFormat.toStdString());
    ui.dateFormatCombo->setCurrentIndex(nNumber - 1);
    if (nNumber == 0) {
        ui.dateFormatCombo->setEditText(m_strDateFormat);
    }
    ui.okButton->setFocus(Qt::OtherFocusReason);
}

void CSettingsDlg::TakeValues() {
    const CUi& ui = *m_pUi;
    for (const SSpinBinding& binding : kSpins) {
        this->*binding.pMember = (ui.*binding.pSpin)->value();
    }
    for (const SCheckBinding& binding : kChecks) {
        this->*binding.pMember = (ui.*binding.pCheck)->isChecked();
    }
    for (const STextBinding& binding : kTexts) {
        this->*binding.pMember = (ui.*binding.pEdit)->text();
    }
    m_nExist = m_pExistGroup->checkedId();
    m_nDelimiter = m_pDelimiterGroup->checkedId();
    m_strDateFormat = ui.dateFormatCombo->currentText();
    if (m_bSymbolFromFileNames) {
        m_strSymbol.clear();
    }
}

void CSettingsDlg::Refuse(QWidget* pControl, const QString& message) {
    m_messages.Show(message.toStdString());
    if (pControl == nullptr) {
        return;
    }
    pControl->setFocus(Qt::OtherFocusReason);
    if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
        pEdit->selectAll();
    } else if (auto* pSpin = qobject_cast<QAbstractSpinBox*>(pControl)) {
        pSpin->selectAll();
    }
}

QWidget* CSettingsDlg::ControlOf(ESettingsItem item) const {
    const CUi& ui = *m_pUi;
    switch (item) {
    case ESettingsItem::DateCol: return ui.dateColSpin;
    case ESettingsItem::OpenCol: return ui.openColSpin;
    case ESettingsItem::HiCol: return ui.hiColSpin;
    case ESettingsItem::LoCol: return ui.loColSpin;
    case ESettingsItem::CloCol: return ui.cloColSpin;
    case ESettingsItem::VolCol: return ui.volColSpin;
    case ESettingsItem::OICol: return ui.oiColSpin;
    case ESettingsItem::SymbolCol: return ui.symbolColSpin;
    case ESettingsItem::Name: return ui.nameEdit;
    case ESettingsItem::PathOut: return ui.pathOutEdit;
    case ESettingsItem::Symbol: return ui.symbolEdit;
    case ESettingsItem::RowsToSkip: return ui.rowsToSkipSpin;
    case ESettingsItem::DateFormat: return ui.dateFormatCombo;
    case ESettingsItem::Columns: return DuplicateColumnControl();
    case ESettingsItem::PathIn: break;
    }
    return nullptr;
}

// The column of the first switched-on field whose column an earlier field already has.
QWidget* CSettingsDlg::DuplicateColumnControl() const {
    const CUi& ui = *m_pUi;
    const std::pair<bool, QSpinBox*> fields[] = {
        {true, ui.dateColSpin},           {true, ui.cloColSpin},     {m_bOpenOn, ui.openColSpin},
        {m_bHiOn, ui.hiColSpin},          {m_bLoOn, ui.loColSpin},   {m_bVolOn, ui.volColSpin},
        {m_bOIOn, ui.oiColSpin},          {m_nSymbolCol > 0, ui.symbolColSpin},
    };
    QSet<int> taken;
    for (const auto& [bOn, pSpin] : fields) {
        if (!bOn) {
            continue;
        }
        if (taken.contains(pSpin->value())) {
            return pSpin;
        }
        taken.insert(pSpin->value());
    }
    return nullptr;
}

void CSettingsDlg::OnBrowse() {
    CChooseDir chooser(m_messages, this);
    chooser.SetInitialDir(m_pUi->pathOutEdit->text());
    if (chooser.exec() == QDialog::Accepted) {
        m_pUi->pathOutEdit->setText(chooser.GetDirectory());
    }
}

bool CSettingsDlg::ConfirmOutputFolder() {
    QWidget* pEdit = m_pUi->pathOutEdit;
    const QFileInfo folder(m_strPathOut);
    if (folder.isDir()) {
        return true;
    }
    const QString path = QDir::toNativeSeparators(m_strPathOut);
    if (folder.exists()) {
        Refuse(pEdit, tr("%1 is a file, not a folder. Enter the folder that holds (or is to hold) the database.")
                          .arg(path));
        return false;
    }
    if (m_messages.Show(tr("The folder %1 does not exist. Create it?").arg(path).toStdString(),
                        EMessageButtons::YesNo) != EMessageAnswer::Yes) {
        pEdit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (!QDir().mkpath(m_strPathOut)) {
        Refuse(pEdit, tr("The folder %1 could not be created. Check the name, and that you may write to the "
                         "folder it is to be made in.")
                          .arg(path));
        return false;
    }
    return true;
}

void CSettingsDlg::accept() {
    OnOK();
}

void CSettingsDlg::OnOK() {
    TakeValues();
    SImportSettings settings = Settings();
    auto problem = CheckSettingsValues(settings);
    if (!problem) {
        problem = CheckSettingsForRun(settings, m_nSymbolCol > 0 || m_bSymbolFromFileNames);
    }
    if (problem) {
        Refuse(ControlOf(problem->item), QString::fromStdString(problem->strMessage));
        return;
    }
    // The dialog shows the symbol as the run will use it.
    if (!m_bSymbolFromFileNames) {
        m_strSymbol = QString::fromStdString(settings.strSymbol);
        m_pUi->symbolEdit->setText(m_strSymbol);
    }
    if (settings.nDateFormatNumber < 1 || settings.nDateFormatNumber > static_cast<int>(kDateFormatNames.size())) {
        Refuse(m_pUi->dateFormatCombo,
               tr("\"%1\" is not a date format. Choose one of the Date Format list.").arg(m_strDateFormat));
        return;
    }
    m_nDateFormatNumber = settings.nDateFormatNumber;
    m_strDateFormat = QString::fromLatin1(kDateFormatNames[m_nDateFormatNumber - 1]);
    m_pUi->dateFormatCombo->setCurrentIndex(m_nDateFormatNumber - 1);
    if (!ConfirmOutputFolder()) {
        return;
    }
    QDialog::accept();
}
