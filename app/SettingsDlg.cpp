#include "app/SettingsDlg.h"

#include "app/ChooseDir.h"
#include "engine/BarReader.h"
#include "engine/Converter.h"
#include "engine/LayoutDetector.h"
#include "engine/Wording.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "ui_SettingsDlg.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <utility>

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
    {&CSettingsDlg::m_nTimeCol, &SImportSettings::nTimeCol, &CUi::timeColSpin},
    {&CSettingsDlg::m_nRowsToSkip, &SImportSettings::nRowsToSkip, &CUi::rowsToSkipSpin},
    {&CSettingsDlg::m_nInterval, &SImportSettings::nInterval, &CUi::intervalSpin},
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
    {&CSettingsDlg::m_bReverseOrder, &SImportSettings::bReverseOrder, &CUi::reverseCheck},
    {&CSettingsDlg::m_bDateTime, &SImportSettings::bDateTime, &CUi::dateTimeCheck},
    {&CSettingsDlg::m_bKeepLast, &SImportSettings::bKeepLast, &CUi::keepLastCheck},
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
    {&CSettingsDlg::m_strCurrency, &SImportSettings::strCurrency, &CUi::currencyEdit},
};

// Members whose control is a group of radio buttons or a list: their number.
constexpr std::pair<int CSettingsDlg::*, long long SImportSettings::*> kNumbers[] = {
    {&CSettingsDlg::m_nExist, &SImportSettings::nExist},
    {&CSettingsDlg::m_nDelimiter, &SImportSettings::nDelimiter},
    {&CSettingsDlg::m_nPeriod, &SImportSettings::nPeriod},
};

// The fields that can be switched off, with their check box and column box.
struct SOptionalField {
    int nField;
    EDetectChoice choice;
    QCheckBox* CUi::*pCheck;
    QSpinBox* CUi::*pSpin;
    long long SImportSettings::*pOn;
    long long SImportSettings::*pCol;
};
constexpr SOptionalField kOptionalFields[] = {
    {kFieldOpen, EDetectChoice::Open, &CUi::openCheck, &CUi::openColSpin, &SImportSettings::bOpenOn,
     &SImportSettings::nOpenCol},
    {kFieldHigh, EDetectChoice::High, &CUi::highCheck, &CUi::hiColSpin, &SImportSettings::bHiOn,
     &SImportSettings::nHiCol},
    {kFieldLow, EDetectChoice::Low, &CUi::lowCheck, &CUi::loColSpin, &SImportSettings::bLoOn,
     &SImportSettings::nLoCol},
    {kFieldVolume, EDetectChoice::Volume, &CUi::volumeCheck, &CUi::volColSpin, &SImportSettings::bVolOn,
     &SImportSettings::nVolCol},
    {kFieldOpenInterest, EDetectChoice::OpenInterest, &CUi::openIntCheck, &CUi::oiColSpin, &SImportSettings::bOIOn,
     &SImportSettings::nOICol},
};

const SOptionalField* OptionalField(EDetectChoice choice) {
    for (const SOptionalField& field : kOptionalFields) {
        if (field.choice == choice) {
            return &field;
        }
    }
    return nullptr;
}

// The preview table's columns: the date, the time, the other fields in field order, the symbol.
constexpr int kTimeColumn = 1;
constexpr int kSymbolColumn = kFieldCount + 1;
constexpr int kPreviewColumns = kFieldCount + 2;
constexpr QRgb kBadColour = 0xffffc8c8;

// The preview column of a field of SLayoutCheck (a field, kSymbolField or kTimeField).
int PreviewColumn(int nField) {
    return nField == kFieldDate     ? 0
           : nField == kTimeField   ? kTimeColumn
           : nField == kSymbolField ? kSymbolColumn
                                    : nField + 1;
}

void CheckButton(QButtonGroup* pGroup, int nId) {
    if (QAbstractButton* pButton = pGroup->button(nId)) {
        pButton->setChecked(true);
    }
}

// The dynamic property that the dialog's style sheet highlights.
constexpr const char* kUnchosenProperty = "unchosen";

// What shows a control's choice as unchosen: a radio button's group box, else the control.
QWidget* HighlightOf(QWidget* pControl) {
    return qobject_cast<QRadioButton*>(pControl) ? pControl->parentWidget() : pControl;
}

void SetHighlight(QWidget* pWidget, bool bOn, const QString& strWhy) {
    if (pWidget->property(kUnchosenProperty).toBool() == bOn) {
        return;
    }
    if (bOn) {
        pWidget->setProperty("pelmarToolTip", pWidget->toolTip());
        pWidget->setToolTip(strWhy);
    } else {
        pWidget->setToolTip(pWidget->property("pelmarToolTip").toString());
    }
    pWidget->setProperty(kUnchosenProperty, bOn);
    pWidget->style()->unpolish(pWidget);
    pWidget->style()->polish(pWidget);
    pWidget->update();
}

// A control showing no value: "?" below a column box's range, no radio button of its group
// checked, no entry of a list, a check box neither on nor off, "?" in an empty text box.
void ShowNoValue(QWidget* pControl) {
    if (auto* pSpin = qobject_cast<QSpinBox*>(pControl)) {
        if (!pSpin->property("pelmarMinimum").isValid()) {
            pSpin->setProperty("pelmarMinimum", pSpin->minimum());
            pSpin->setProperty("pelmarSpecial", pSpin->specialValueText());
            pSpin->setMinimum(pSpin->minimum() - 1);
            pSpin->setSpecialValueText(QStringLiteral("?"));
        }
        pSpin->setValue(pSpin->minimum());
    } else if (auto* pRadio = qobject_cast<QRadioButton*>(pControl)) {
        QButtonGroup* pGroup = pRadio->group();
        pGroup->setExclusive(false);
        for (QAbstractButton* pButton : pGroup->buttons()) {
            pButton->setChecked(false);
        }
        pGroup->setExclusive(true);
    } else if (auto* pCombo = qobject_cast<QComboBox*>(pControl)) {
        pCombo->setCurrentIndex(-1);
        if (pCombo->isEditable()) {
            pCombo->setEditText(QString());
        }
    } else if (auto* pCheck = qobject_cast<QCheckBox*>(pControl)) {
        pCheck->setTristate(true);
        pCheck->setCheckState(Qt::PartiallyChecked);
    } else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
        pEdit->clear();
        pEdit->setPlaceholderText(QStringLiteral("?"));
    }
}

// Whether a control still shows no value (a text box's empty text is a value).
bool ShowsNoValue(const QWidget* pControl) {
    if (const auto* pSpin = qobject_cast<const QSpinBox*>(pControl)) {
        const QVariant minimum = pSpin->property("pelmarMinimum");
        return minimum.isValid() && pSpin->value() < minimum.toInt();
    }
    if (const auto* pRadio = qobject_cast<const QRadioButton*>(pControl)) {
        return pRadio->group()->checkedId() == -1;
    }
    if (const auto* pCombo = qobject_cast<const QComboBox*>(pControl)) {
        return pCombo->currentIndex() == -1 && pCombo->currentText().isEmpty();
    }
    if (const auto* pCheck = qobject_cast<const QCheckBox*>(pControl)) {
        return pCheck->checkState() == Qt::PartiallyChecked;
    }
    return false;
}

// The control back to its own range and look; its value stays, where it shows one (a check
// box neither on nor off is off).
void ShowValue(QWidget* pControl) {
    if (auto* pSpin = qobject_cast<QSpinBox*>(pControl)) {
        const QVariant minimum = pSpin->property("pelmarMinimum");
        if (minimum.isValid()) {
            pSpin->setSpecialValueText(pSpin->property("pelmarSpecial").toString());
            pSpin->setMinimum(minimum.toInt());
            pSpin->setProperty("pelmarMinimum", QVariant());
            pSpin->setProperty("pelmarSpecial", QVariant());
        }
    } else if (auto* pCheck = qobject_cast<QCheckBox*>(pControl)) {
        if (pCheck->checkState() == Qt::PartiallyChecked) {
            pCheck->setCheckState(Qt::Unchecked);
        }
        pCheck->setTristate(false);
    } else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
        pEdit->setPlaceholderText(QString());
    }
}

// The settings of a choice, copied from one set of settings to another.
void CopyChoice(EDetectChoice choice, const SImportSettings& from, SImportSettings& to) {
    const auto copy = [&](auto pMember) { to.*pMember = from.*pMember; };
    if (const SOptionalField* pField = OptionalField(choice)) {
        copy(pField->pOn);
        copy(pField->pCol);
        return;
    }
    switch (choice) {
    case EDetectChoice::Delimiter: copy(&SImportSettings::nDelimiter); break;
    case EDetectChoice::DecimalMark: copy(&SImportSettings::bDecimalComma); break;
    case EDetectChoice::HeaderRows:
        copy(&SImportSettings::bSkipOn);
        copy(&SImportSettings::nRowsToSkip);
        break;
    case EDetectChoice::DateColumn: copy(&SImportSettings::nDateCol); break;
    case EDetectChoice::DateFormat: copy(&SImportSettings::strDateFormat); break;
    case EDetectChoice::Time:
        copy(&SImportSettings::nTimeCol);
        copy(&SImportSettings::bDateTime);
        break;
    case EDetectChoice::Period:
        copy(&SImportSettings::nPeriod);
        copy(&SImportSettings::nInterval);
        break;
    case EDetectChoice::Currency: copy(&SImportSettings::strCurrency); break;
    case EDetectChoice::Close: copy(&SImportSettings::nCloCol); break;
    case EDetectChoice::Order: copy(&SImportSettings::bReverseOrder); break;
    default: break;
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
    m_pDecimalGroup = new QButtonGroup(this);
    m_pDecimalGroup->addButton(ui.decimalPointRadio, 0);
    m_pDecimalGroup->addButton(ui.decimalCommaRadio, 1);
    m_pExistGroup = new QButtonGroup(this);
    m_pExistGroup->addButton(ui.useExistingRadio, static_cast<int>(EMasterMode::UseExisting));
    m_pExistGroup->addButton(ui.makeNewRadio, static_cast<int>(EMasterMode::MakeNew));
    m_pExistGroup->addButton(ui.addNewBarsRadio, static_cast<int>(EMasterMode::AddNewBars));
    m_pExistGroup->addButton(ui.addOrUpdateRadio, static_cast<int>(EMasterMode::AddOrUpdate));

    // A choice that detection could not make stands out until the user makes it.
    setStyleSheet(QStringLiteral("*[unchosen=\"true\"] { background-color: #ffd966; }"));
    ui.delimiterBox->setAttribute(Qt::WA_StyledBackground);
    ui.decimalBox->setAttribute(Qt::WA_StyledBackground);

    // Enabling rules beyond the field boxes, which the form connects to their columns.
    connect(ui.skipRowsCheck, &QCheckBox::toggled, this, [this](bool bOn) {
        if (!bOn) {
            m_pUi->rowsToSkipSpin->setValue(0);
        }
    });
    // A decimal comma cannot be told from the delimiter in a comma-separated file.
    connect(m_pDelimiterGroup, &QButtonGroup::idToggled, this, [this](int nId, bool bChecked) {
        if (nId == static_cast<int>(EDelimiter::Comma)) {
            m_pUi->decimalCommaRadio->setEnabled(!bChecked);
            if (bChecked) {
                m_pUi->decimalPointRadio->setChecked(true);
            }
        }
    });
    // Only intraday bars have an interval.
    connect(ui.periodCombo, &QComboBox::currentIndexChanged, this, [this](int nIndex) {
        const bool bIntraday = nIndex == static_cast<int>(EStoredPeriod::Intraday);
        if (!bIntraday) {
            m_pUi->intervalSpin->setValue(0);
        }
        m_pUi->intervalSpin->setEnabled(bIntraday);
    });
    // A field neither on nor off (in doubt) reads no column.
    for (const SOptionalField& field : kOptionalFields) {
        connect(ui.*field.pCheck, &QCheckBox::stateChanged, this,
                [this, &field](int nState) { (m_pUi.get()->*field.pSpin)->setEnabled(nState == Qt::Checked); });
    }
    // With a symbol column each line names its security.
    connect(ui.symbolColSpin, &QSpinBox::valueChanged, this, &CSettingsDlg::ShowSymbolSource);
    connect(ui.browseButton, &QPushButton::clicked, this, &CSettingsDlg::OnBrowse);
    connect(ui.detectButton, &QPushButton::clicked, this, &CSettingsDlg::OnDetect);
    connect(ui.countButton, &QPushButton::clicked, this, &CSettingsDlg::OnCountBadLines);

    // A change of a control by the user makes its choice: its doubts are settled.
    for (std::size_t n = 0; n < kDetectChoiceCount; ++n) {
        const auto choice = static_cast<EDetectChoice>(n);
        const auto settle = [this, choice] {
            if (!m_bFilling) {
                Settle(choice);
            }
        };
        for (QWidget* pControl : SettlingControls(choice)) {
            if (auto* pSpin = qobject_cast<QSpinBox*>(pControl)) {
                connect(pSpin, &QSpinBox::valueChanged, this, settle);
            } else if (auto* pCheck = qobject_cast<QCheckBox*>(pControl)) {
                connect(pCheck, &QCheckBox::stateChanged, this, settle);
            } else if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) {
                connect(pButton, &QAbstractButton::toggled, this, settle);
            } else if (auto* pCombo = qobject_cast<QComboBox*>(pControl)) {
                connect(pCombo, &QComboBox::currentIndexChanged, this, settle);
                connect(pCombo, &QComboBox::editTextChanged, this, settle);
            } else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
                connect(pEdit, &QLineEdit::textChanged, this, settle);
            }
        }
    }

    // The preview follows the input settings a moment after they stop changing.
    m_pPreviewTimer = new QTimer(this);
    m_pPreviewTimer->setSingleShot(true);
    m_pPreviewTimer->setInterval(150);
    connect(m_pPreviewTimer, &QTimer::timeout, this, &CSettingsDlg::UpdatePreview);
    const auto later = [this] { m_pPreviewTimer->start(); };
    for (const SSpinBinding& binding : kSpins) {
        connect(ui.*binding.pSpin, &QSpinBox::valueChanged, this, later);
    }
    for (const SCheckBinding& binding : kChecks) {
        connect(ui.*binding.pCheck, &QCheckBox::stateChanged, this, later);
    }
    connect(m_pDelimiterGroup, &QButtonGroup::idToggled, this, later);
    connect(m_pDecimalGroup, &QButtonGroup::idToggled, this, later);
    connect(ui.dateFormatCombo, &QComboBox::editTextChanged, this, later);
    connect(ui.periodCombo, &QComboBox::currentIndexChanged, this, later);
    connect(ui.currencyEdit, &QLineEdit::textChanged, this, later);
    const QFontMetrics metrics(font());
    ui.previewTable->verticalHeader()->setDefaultSectionSize(metrics.lineSpacing() + 4);
    ui.previewTable->setMinimumHeight(metrics.lineSpacing() * 8);
    ui.previewTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui.symbolEdit->setMinimumWidth(metrics.horizontalAdvance(tr("(from the symbol column)")) +
                                   metrics.averageCharWidth() * 2);
    // About 30 characters of a name in sight (of the 44 it may have), and of a path more.
    ui.nameEdit->setMinimumWidth(metrics.averageCharWidth() * 34);
    ui.pathOutEdit->setMinimumWidth(metrics.averageCharWidth() * 40);
    // A sign or a code of up to four letters.
    ui.currencyEdit->setMaximumWidth(metrics.horizontalAdvance(QStringLiteral("WWWW")) + metrics.averageCharWidth() * 3);
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
    for (const auto& [pMember, pSetting] : kNumbers) {
        this->*pMember = static_cast<int>(settings.*pSetting);
    }
    m_bDecimalComma = settings.bDecimalComma != 0;
    m_strDateFormat = QString::fromStdString(settings.strDateFormat);
    m_strPathIn = QString::fromStdString(settings.strPathIn);
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
    for (const auto& [pMember, pSetting] : kNumbers) {
        settings.*pSetting = this->*pMember;
    }
    settings.bDecimalComma = m_bDecimalComma ? 1 : 0;
    settings.strDateFormat = m_strDateFormat.toStdString();
    settings.strPathIn = m_strPathIn.toStdString();
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
    // Room for about a dozen more rows of the preview, where the screen has it (a tenth of it
    // is left for the caption and a panel).
    const int nRowHeight = m_pUi->previewTable->verticalHeader()->defaultSectionSize();
    resize(width(), std::min(sizeHint().height() + nRowHeight * 12, screen()->availableGeometry().height() * 9 / 10));
    FillControls();
    m_pUi->okButton->setFocus(Qt::OtherFocusReason);
    m_bDetect ? OnDetect() : UpdatePreview();
}

void CSettingsDlg::FillControls() {
    CUi& ui = *m_pUi;
    const bool bFilling = std::exchange(m_bFilling, true);
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
    // The box holds the symbol just filled in, until a batch or a symbol column says otherwise.
    m_strTypedSymbol = m_strSymbol;
    ui.symbolEdit->setEnabled(true);
    ShowSymbolSource();
    CheckButton(m_pExistGroup, m_nExist);
    CheckButton(m_pDelimiterGroup, m_nDelimiter);
    CheckButton(m_pDecimalGroup, m_bDecimalComma ? 1 : 0);
    ui.periodCombo->setCurrentIndex(m_nPeriod >= 0 && m_nPeriod < ui.periodCombo->count() ? m_nPeriod : 0);
    ui.intervalSpin->setValue(m_nInterval);
    ui.intervalSpin->setEnabled(ui.periodCombo->currentIndex() == static_cast<int>(EStoredPeriod::Intraday));
    // The first entry that the text begins, ignoring case; a text that begins none is shown
    // as it is, with no entry selected.
    const auto format = DateFormatOfName(m_strDateFormat.toStdString());
    const int nNumber = format ? static_cast<int>(*format) : 0;
    ui.dateFormatCombo->setCurrentIndex(nNumber - 1);
    if (nNumber == 0) {
        ui.dateFormatCombo->setEditText(m_strDateFormat);
    }
    m_bFilling = bFilling;
}

SImportSettings CSettingsDlg::ReadControls() const {
    const CUi& ui = *m_pUi;
    SImportSettings settings;
    for (const SSpinBinding& binding : kSpins) {
        settings.*binding.pSetting = (ui.*binding.pSpin)->value();
    }
    for (const SCheckBinding& binding : kChecks) {
        settings.*binding.pSetting = (ui.*binding.pCheck)->isChecked() ? 1 : 0;
    }
    for (const STextBinding& binding : kTexts) {
        settings.*binding.pSetting = (ui.*binding.pEdit)->text().toStdString();
    }
    settings.nExist = m_pExistGroup->checkedId();
    settings.nDelimiter = m_pDelimiterGroup->checkedId();
    settings.bDecimalComma = m_pDecimalGroup->checkedId() == 1 ? 1 : 0;
    settings.nPeriod = ui.periodCombo->currentIndex();
    settings.strDateFormat = ui.dateFormatCombo->currentText().toStdString();
    if (!ui.symbolEdit->isEnabled()) {
        settings.strSymbol = m_bSymbolFromFileNames ? std::string() : m_strTypedSymbol.toStdString();
    }
    settings.strPathIn = m_strPathIn.toStdString();
    return settings;
}

SImportSettings CSettingsDlg::PreviewSettings() const {
    SImportSettings settings = ReadControls();
    for (const EDetectChoice choice : m_unchosen) {
        CopyChoice(choice, m_guess, settings);
    }
    return settings;
}

void CSettingsDlg::TakeValues() {
    SetSettings(ReadControls());
}

void CSettingsDlg::ShowSymbolSource() {
    QLineEdit& edit = *m_pUi->symbolEdit;
    const bool bColumn = m_pUi->symbolColSpin->value() > 0;
    const bool bTyped = !bColumn && !m_bSymbolFromFileNames;
    if (bTyped && !edit.isEnabled()) {
        edit.setText(m_strTypedSymbol);
    } else if (!bTyped && edit.isEnabled()) {
        m_strTypedSymbol = edit.text();
        edit.clear();
    }
    edit.setEnabled(bTyped);
    edit.setPlaceholderText(bColumn                  ? tr("(from the symbol column)")
                            : m_bSymbolFromFileNames ? tr("(from file names)")
                                                     : QString());
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
    case ESettingsItem::TimeCol: return ui.timeColSpin;
    case ESettingsItem::Name: return ui.nameEdit;
    case ESettingsItem::PathOut: return ui.pathOutEdit;
    case ESettingsItem::Symbol: return ui.symbolEdit;
    case ESettingsItem::RowsToSkip: return ui.rowsToSkipSpin;
    case ESettingsItem::DateFormat: return ui.dateFormatCombo;
    case ESettingsItem::Currency: return ui.currencyEdit;
    // Intraday bars with an interval refused lack a time of day.
    case ESettingsItem::Interval:
        return ui.intervalSpin->value() > 0 && ui.timeColSpin->value() == 0 && !ui.dateTimeCheck->isChecked()
                   ? static_cast<QWidget*>(ui.timeColSpin)
                   : ui.intervalSpin;
    case ESettingsItem::Columns: return ColumnClash() ? ColumnClash()->pControl : nullptr;
    case ESettingsItem::PathIn: break;
    }
    return nullptr;
}

QList<QWidget*> CSettingsDlg::UnchosenControls(EDetectChoice choice) const {
    const CUi& ui = *m_pUi;
    if (const SOptionalField* pField = OptionalField(choice)) {
        // A field detection took as there shows its column in doubt; one it left out, whether
        // it is there at all.
        if (m_guess.*pField->pOn != 0) {
            return {ui.*pField->pSpin};
        }
        return {ui.*pField->pCheck};
    }
    switch (choice) {
    case EDetectChoice::Delimiter: return {ui.commaRadio, ui.tabRadio, ui.spaceRadio, ui.semicolonRadio};
    case EDetectChoice::DecimalMark: return {ui.decimalPointRadio, ui.decimalCommaRadio};
    case EDetectChoice::HeaderRows: return {ui.rowsToSkipSpin};
    case EDetectChoice::DateColumn: return {ui.dateColSpin};
    case EDetectChoice::DateFormat: return {ui.dateFormatCombo};
    case EDetectChoice::Time: return {ui.timeColSpin};
    // Intraday bars whose interval is in doubt, else the period itself.
    case EDetectChoice::Period:
        if (m_guess.nPeriod == static_cast<long long>(EStoredPeriod::Intraday)) {
            return {ui.intervalSpin};
        }
        return {ui.periodCombo};
    case EDetectChoice::Currency: return {ui.currencyEdit};
    case EDetectChoice::Close: return {ui.cloColSpin};
    case EDetectChoice::Order: return {ui.reverseCheck};
    default: break;
    }
    // The reading as a whole: the preview and the count of bad lines show it.
    return {};
}

QList<QWidget*> CSettingsDlg::SettlingControls(EDetectChoice choice) const {
    const CUi& ui = *m_pUi;
    if (const SOptionalField* pField = OptionalField(choice)) {
        return {ui.*pField->pCheck, ui.*pField->pSpin};
    }
    switch (choice) {
    case EDetectChoice::HeaderRows: return {ui.skipRowsCheck, ui.rowsToSkipSpin};
    case EDetectChoice::Time: return {ui.timeColSpin, ui.dateTimeCheck};
    case EDetectChoice::Period: return {ui.periodCombo, ui.intervalSpin};
    case EDetectChoice::Reading: return {ui.skipBadCheck};
    default: return UnchosenControls(choice);
    }
}

QString CSettingsDlg::ChoiceName(EDetectChoice choice) const {
    switch (choice) {
    case EDetectChoice::Delimiter: return tr("the delimiter (Comma, Tab, Space or Semicolon)");
    case EDetectChoice::DecimalMark: return tr("\"Decimal point\" or \"Decimal comma\"");
    case EDetectChoice::HeaderRows: return tr("\"Skip Rows\"");
    case EDetectChoice::DateColumn: return tr("the Date column");
    case EDetectChoice::DateFormat: return tr("\"Date Format\"");
    case EDetectChoice::Time: return tr("the Time column");
    case EDetectChoice::Period:
        return m_guess.nPeriod == static_cast<long long>(EStoredPeriod::Intraday) ? tr("\"Interval\"") : tr("\"Period\"");
    case EDetectChoice::Currency: return tr("\"Currency\"");
    case EDetectChoice::Open: return tr("the Open column");
    case EDetectChoice::High: return tr("the High column");
    case EDetectChoice::Low: return tr("the Low column");
    case EDetectChoice::Close: return tr("the Close column");
    case EDetectChoice::Volume: return tr("the Volume column");
    case EDetectChoice::OpenInterest: return tr("the Open Int column");
    case EDetectChoice::Order: return tr("\"Reverse File Order\"");
    case EDetectChoice::Reading: return tr("\"Skip bad lines\"");
    }
    return QString();
}

bool CSettingsDlg::Unchosen(EDetectChoice choice) const {
    return m_unchosen.contains(choice);
}

void CSettingsDlg::ShowUnchosen() {
    const bool bFilling = std::exchange(m_bFilling, true);
    for (const EDetectChoice choice : std::as_const(m_unchosen)) {
        QStringList why;
        for (const SDoubt& doubt : m_detection.doubts) {
            if (doubt.IsAbout(choice) && doubt.confidence == EConfidence::Unsure) {
                why << QString::fromStdString(doubt.strText);
            }
        }
        for (QWidget* pControl : UnchosenControls(choice)) {
            ShowNoValue(pControl);
            SetHighlight(HighlightOf(pControl), true, why.join(u'\n'));
        }
        if (const SOptionalField* pField = OptionalField(choice)) {
            (m_pUi.get()->*pField->pSpin)->setEnabled((m_pUi.get()->*pField->pCheck)->checkState() == Qt::Checked);
        }
    }
    m_bFilling = bFilling;
}

void CSettingsDlg::Settle(EDetectChoice choice) {
    if (m_detection.doubts.empty()) {
        return;
    }
    m_detection.Settle(choice);
    CUi& ui = *m_pUi;
    const bool bFilling = std::exchange(m_bFilling, true);
    // A doubt about two choices (high and low) is settled by either.
    const QList<EDetectChoice> unchosen = m_unchosen;
    for (const EDetectChoice each : unchosen) {
        if (m_detection.Confidence(each) == EConfidence::Unsure) {
            continue;
        }
        m_unchosen.removeAll(each);
        for (QWidget* pControl : UnchosenControls(each)) {
            const bool bEmpty = ShowsNoValue(pControl);
            ShowValue(pControl);
            SetHighlight(HighlightOf(pControl), false, QString());
            if (!bEmpty) {
                continue;
            }
            // Shown empty still: detection's guess, as the preview read it.
            for (const SSpinBinding& binding : kSpins) {
                if (ui.*binding.pSpin == pControl) {
                    (ui.*binding.pSpin)->setValue(static_cast<int>(m_guess.*binding.pSetting));
                }
            }
            for (const SCheckBinding& binding : kChecks) {
                if (ui.*binding.pCheck == pControl) {
                    (ui.*binding.pCheck)->setChecked(m_guess.*binding.pSetting != 0);
                }
            }
            if (pControl == ui.periodCombo) {
                ui.periodCombo->setCurrentIndex(static_cast<int>(m_guess.nPeriod));
            } else if (pControl == ui.dateFormatCombo) {
                ui.dateFormatCombo->setCurrentText(QString::fromStdString(m_guess.strDateFormat));
            } else if (m_pDelimiterGroup->buttons().contains(pControl)) {
                CheckButton(m_pDelimiterGroup, static_cast<int>(m_guess.nDelimiter));
            } else if (m_pDecimalGroup->buttons().contains(pControl)) {
                CheckButton(m_pDecimalGroup, m_guess.bDecimalComma != 0 ? 1 : 0);
            }
        }
        if (const SOptionalField* pField = OptionalField(each)) {
            (ui.*pField->pSpin)->setEnabled((ui.*pField->pCheck)->checkState() == Qt::Checked);
        }
    }
    m_bFilling = bFilling;
    ShowDoubts();
    m_pPreviewTimer->start();
}

void CSettingsDlg::ShowDoubts() {
    QStringList choose;
    QStringList notes;
    for (const SDoubt& doubt : m_detection.doubts) {
        const bool bUnchosen =
            doubt.confidence == EConfidence::Unsure &&
            (m_unchosen.contains(doubt.choice) || (doubt.alsoChoice && m_unchosen.contains(*doubt.alsoChoice)));
        (bUnchosen ? choose : notes) << QStringLiteral("\u2022 ") + QString::fromStdString(doubt.strText);
    }
    QString text = tr("Detected from the first %1 lines of the file.").arg(m_detection.nLinesRead);
    if (!choose.isEmpty()) {
        text += u'\n' + tr("Choose the highlighted settings yourself; until you do, the preview reads with a guess:") +
                u'\n' + choose.join(u'\n');
    }
    if (!notes.isEmpty()) {
        text += u'\n' + tr("Check these:") + u'\n' + notes.join(u'\n');
    }
    QLabel& label = *m_pUi->detectionLabel;
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, !choose.isEmpty() ? QColor(170, 0, 0)
                                           : !notes.isEmpty() ? QColor(150, 60, 0)
                                                              : QColor(0, 100, 0));
    label.setPalette(palette);
    label.setText(text);
}

bool CSettingsDlg::CheckChosen() {
    if (m_unchosen.isEmpty()) {
        return true;
    }
    QStringList lines;
    for (const SDoubt& doubt : m_detection.doubts) {
        QStringList names;
        for (const EDetectChoice choice : std::as_const(m_unchosen)) {
            if (doubt.confidence == EConfidence::Unsure && doubt.IsAbout(choice)) {
                names << ChoiceName(choice);
            }
        }
        if (!names.isEmpty()) {
            lines << QStringLiteral("\u2022 %1: %2").arg(names.join(tr(" and ")), QString::fromStdString(doubt.strText));
        }
    }
    Refuse(UnchosenControls(m_unchosen.front()).value(0),
           tr("Detection could not make these choices for certain. Look at the preview, and choose each in its "
              "highlighted control:\n\n%1")
               .arg(lines.join(u'\n')));
    return false;
}

std::optional<CSettingsDlg::SColumnClash> CSettingsDlg::ColumnClash() const {
    const SLayoutCheck check = CheckLayout(LayoutOf(PreviewSettings()));
    if (check.problem != ELayoutProblem::SharedColumn || check.fields.size() < 2) {
        return std::nullopt;
    }
    const CUi& ui = *m_pUi;
    const auto spinOf = [&ui](int nField) -> QSpinBox* {
        switch (nField) {
        case kFieldDate: return ui.dateColSpin;
        case kFieldOpen: return ui.openColSpin;
        case kFieldHigh: return ui.hiColSpin;
        case kFieldLow: return ui.loColSpin;
        case kFieldClose: return ui.cloColSpin;
        case kFieldVolume: return ui.volColSpin;
        case kFieldOpenInterest: return ui.oiColSpin;
        case kSymbolField: return ui.symbolColSpin;
        default: return ui.timeColSpin;
        }
    };
    // The fields as the dialog names them.
    const auto nameOf = [](int nField) {
        switch (nField) {
        case kFieldDate: return tr("Date");
        case kFieldOpen: return tr("Open");
        case kFieldHigh: return tr("High");
        case kFieldLow: return tr("Low");
        case kFieldClose: return tr("Close");
        case kFieldVolume: return tr("Volume");
        case kFieldOpenInterest: return tr("Open Int");
        case kSymbolField: return tr("Symbol");
        default: return tr("Time");
        }
    };
    SColumnClash clash;
    clash.pControl = spinOf(check.fields[1]);
    QStringList names;
    for (const int nField : check.fields) {
        names << nameOf(nField);
        clash.previewColumns << PreviewColumn(nField);
    }
    const int nColumn = check.nColumn + 1;
    clash.strText = names.size() == 2
                        ? tr("%1 and %2 are both in column %3.").arg(names[0], names[1]).arg(nColumn)
                        : tr("%1 and %2 are all in column %3.")
                              .arg(names.mid(0, names.size() - 1).join(QStringLiteral(", ")), names.back())
                              .arg(nColumn);
    return clash;
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
    const QString path = QDir::toNativeSeparators(m_strPathOut);
    if (folder.isDir()) {
        // The run starts a database in a folder that holds none; asked first, since a wrong
        // folder would get one.
        const bool bAdds = m_nExist == static_cast<int>(EMasterMode::UseExisting) ||
                           m_nExist == static_cast<int>(EMasterMode::AddOrUpdate);
        if (bAdds && !HoldsDatabaseFiles(GetSystemFileSystem(), Utf8Path(m_strPathOut.toStdString())) &&
            m_messages.Show(tr("The folder %1 holds no database. Start a new one there?").arg(path).toStdString(),
                            EMessageButtons::YesNo) != EMessageAnswer::Yes) {
            pEdit->setFocus(Qt::OtherFocusReason);
            return false;
        }
        return true;
    }
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
    // A folder made just now holds no database to add to: it starts a new one.
    if (m_nExist == static_cast<int>(EMasterMode::UseExisting)) {
        m_nExist = static_cast<int>(EMasterMode::MakeNew);
        m_pUi->makeNewRadio->setChecked(true);
    }
    return true;
}

void CSettingsDlg::accept() {
    OnOK();
}

void CSettingsDlg::OnOK() {
    if (!CheckChosen()) {
        return;
    }
    TakeValues();
    SImportSettings settings = Settings();
    auto problem = CheckSettings(settings, m_nSymbolCol > 0 || m_bSymbolFromFileNames);
    if (problem) {
        QString message = QString::fromStdString(problem->strMessage);
        if (const auto clash = problem->item == ESettingsItem::Columns ? ColumnClash() : std::nullopt) {
            message += QStringLiteral("\n\n") + clash->strText;
        }
        // Which path, and the two ways to give it.
        if (problem->item == ESettingsItem::PathOut && m_strPathOut.trimmed().isEmpty()) {
            message = tr("Please enter path: the output folder, where the database is or is to be made. Type it in "
                         "Directory Path, or choose a folder with Browse...");
        }
        Refuse(ControlOf(problem->item), message);
        return;
    }
    // The dialog shows the symbol as the run will use it.
    if (m_pUi->symbolEdit->isEnabled()) {
        m_strSymbol = QString::fromStdString(settings.strSymbol);
        m_pUi->symbolEdit->setText(m_strSymbol);
    }
    m_nDateFormatNumber = static_cast<int>(DateFormatOfName(settings.strDateFormat).value_or(EDateFormat::MMDDYY));
    m_strDateFormat = QString::fromLatin1(kDateFormatNames[static_cast<std::size_t>(m_nDateFormatNumber - 1)]);
    m_pUi->dateFormatCombo->setCurrentIndex(m_nDateFormatNumber - 1);
    if (!ConfirmOutputFolder() || (m_fnApply && !m_fnApply())) {
        return;
    }
    QDialog::accept();
}

void CSettingsDlg::OnDetect() {
    // The choices still unchosen start from the last guess, so that a field the file lacks
    // keeps a column in range.
    SImportSettings detected = PreviewSettings();
    const SLayoutDetection detection =
        CLayoutDetector(WindowWording()).DetectFile(GetSystemFileSystem(), Utf8Path(m_strPathIn.toStdString()));
    const bool bFilling = std::exchange(m_bFilling, true);
    for (const EDetectChoice choice : std::exchange(m_unchosen, {})) {
        for (QWidget* pControl : UnchosenControls(choice)) {
            ShowValue(pControl);
            SetHighlight(HighlightOf(pControl), false, QString());
        }
    }
    m_bFilling = bFilling;
    m_detection = detection;
    if (detection.failure) {
        // What the controls held is shown again.
        SetSettings(detected);
        FillControls();
        QLabel& label = *m_pUi->detectionLabel;
        QPalette palette = label.palette();
        palette.setColor(QPalette::WindowText, QColor(150, 60, 0));
        label.setPalette(palette);
        label.setText(tr("No layout was detected: %1").arg(QString::fromStdString(*detection.failure)));
        UpdatePreview();
        return;
    }
    PutLayout(detected, detection.layout);
    m_guess = detected;
    SetSettings(detected);
    FillControls();
    for (std::size_t n = 0; n < kDetectChoiceCount; ++n) {
        const auto choice = static_cast<EDetectChoice>(n);
        if (detection.Confidence(choice) == EConfidence::Unsure && !UnchosenControls(choice).isEmpty()) {
            m_unchosen << choice;
        }
    }
    ShowUnchosen();
    ShowDoubts();
    UpdatePreview();
}

void CSettingsDlg::UpdatePreview() {
    m_pPreviewTimer->stop();
    // Until the controls are filled they do not hold the settings.
    if (!m_bInitialised) {
        return;
    }
    CUi& ui = *m_pUi;
    QTableWidget& table = *ui.previewTable;
    table.clearSpans();
    table.setRowCount(0);
    if (m_strPathIn.isEmpty()) {
        ShowBadLines(QString(), false);
        return;
    }
    const SImportSettings settings = PreviewSettings();
    const SInputLayout layout = LayoutOf(settings);
    std::vector<SLinePreview> rows = CBarReader(layout, ReadOptionsOf(settings), WindowWording()).PreviewFile(
        GetSystemFileSystem(), Utf8Path(m_strPathIn.toStdString()), kPreviewLines + static_cast<std::size_t>(layout.nSkipRows));
    // Text that names no layout of the list reads no line.
    if (!DateFormatOfName(settings.strDateFormat)) {
        for (SLinePreview& row : rows) {
            row = SLinePreview{row.nLine, false, {}, {}, {}, tr("No date format is chosen.").toStdString()};
        }
    }
    for (int f = 0; f < kFieldCount; ++f) {
        table.setColumnHidden(PreviewColumn(f), !layout.FieldOn(f) && f != kFieldDate && f != kFieldClose);
    }
    table.setColumnHidden(kTimeColumn, !layout.HasTime());
    table.setColumnHidden(kSymbolColumn, layout.nSymbolCol < 0);
    table.setRowCount(static_cast<int>(rows.size()));
    const QColor bad = QColor::fromRgb(kBadColour);
    const std::optional<SColumnClash> clash = ColumnClash();
    for (int nRow = 0; nRow < table.rowCount(); ++nRow) {
        const SLinePreview& row = rows[static_cast<std::size_t>(nRow)];
        table.setVerticalHeaderItem(nRow, new QTableWidgetItem(QString::number(row.nLine)));
        for (int nColumn = 0; nColumn < kPreviewColumns; ++nColumn) {
            const SFieldCell& cell = nColumn == kSymbolColumn ? row.symbol
                                     : nColumn == kTimeColumn ? row.time
                                     : row.cells[static_cast<std::size_t>(nColumn == 0 ? 0 : nColumn - 1)];
            auto* pItem = new QTableWidgetItem(QString::fromStdString(cell.strText));
            if (nColumn != 0 && nColumn != kTimeColumn && nColumn != kSymbolColumn) {
                pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            const std::optional<std::string>& error = cell.error ? cell.error : row.lineError;
            if (error) {
                pItem->setBackground(bad);
                pItem->setToolTip(QString::fromStdString(*error));
            } else if (clash && clash->previewColumns.contains(nColumn) && !row.bSkipped) {
                pItem->setBackground(bad);
                pItem->setToolTip(clash->strText);
            }
            table.setItem(nRow, nColumn, pItem);
        }
        // A row with nothing to show per field says what it is across the table.
        const bool bEmpty = std::all_of(row.cells.begin(), row.cells.end(),
                                        [](const SFieldCell& cell) { return cell.strText.empty() && !cell.error; });
        if (row.bSkipped || (row.lineError && bEmpty)) {
            QTableWidgetItem* pItem = table.item(nRow, 0);
            pItem->setText(row.bSkipped ? tr("(skipped)") : QString::fromStdString(*row.lineError));
            if (row.bSkipped) {
                pItem->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            }
            table.setSpan(nRow, 0, 1, table.columnCount());
        }
    }
    // Lines read with two fields from one column are no count to go by.
    if (clash) {
        ShowBadLines(clash->strText + QLatin1Char(' ') + tr("Correct a column or switch a field off."), true);
        return;
    }
    if (QFileInfo(m_strPathIn).size() <= kCountBytes) {
        OnCountBadLines();
        return;
    }
    ShowBadLines(tr("The file is large (%1 MB): its bad lines are counted when you ask.")
                     .arg(QFileInfo(m_strPathIn).size() / (1024 * 1024)),
                 false);
    ui.countButton->show();
}

void CSettingsDlg::OnCountBadLines() {
    const SImportSettings settings = PreviewSettings();
    if (!DateFormatOfName(settings.strDateFormat)) {
        ShowBadLines(tr("%1: No date format is chosen.").arg(QFileInfo(m_strPathIn).fileName()), true);
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const SReadResult read =
        CBarReader(LayoutOf(settings), ReadOptionsOf(settings), WindowWording())
            .ReadFile(GetSystemFileSystem(), Utf8Path(m_strPathIn.toStdString()));
    QGuiApplication::restoreOverrideCursor();
    const QString file = QFileInfo(m_strPathIn).fileName();
    if (read.nBadLines > 0) {
        ShowBadLines(tr("%1: %2 of its %3 lines are bad, the first line %4. %5")
                         .arg(file)
                         .arg(read.nBadLines)
                         .arg(read.nLines)
                         .arg(read.badLines.empty() ? 0 : read.badLines.front().nLine)
                         .arg(settings.bSkipBadLines != 0 ? tr("\"Skip bad lines\" leaves them out.")
                                                          : tr("The conversion fails unless \"Skip bad lines\" is on.")),
                     true);
    } else if (!read.Ok()) {
        ShowBadLines(QStringLiteral("%1: %2").arg(file, QString::fromStdString(read.errors.front())), true);
    } else {
        ShowBadLines(tr("%1: no bad lines in its %2 lines.").arg(file).arg(read.nLines), false);
    }
}

void CSettingsDlg::ShowBadLines(const QString& strText, bool bBad) {
    QLabel& label = *m_pUi->badLinesLabel;
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, bBad ? QColor(170, 0, 0) : this->palette().color(QPalette::WindowText));
    label.setPalette(palette);
    label.setText(strText);
    m_pUi->countButton->hide();
}
