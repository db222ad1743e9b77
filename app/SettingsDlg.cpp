#include "app/SettingsDlg.h"

#include "app/ChooseDir.h"
#include "engine/BarReader.h"
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
#include <QScreen>
#include <QSet>
#include <QTimer>

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

// The preview table's columns: the fields in field order, then the symbol.
constexpr int kSymbolColumn = kFieldCount;
constexpr QRgb kBadColour = 0xffffc8c8;

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
    connect(ui.symbolColSpin, &QSpinBox::valueChanged, this, &CSettingsDlg::ShowSymbolSource);
    connect(ui.browseButton, &QPushButton::clicked, this, &CSettingsDlg::OnBrowse);
    connect(ui.detectButton, &QPushButton::clicked, this, &CSettingsDlg::OnDetect);
    connect(ui.countButton, &QPushButton::clicked, this, &CSettingsDlg::OnCountBadLines);

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
        connect(ui.*binding.pCheck, &QCheckBox::toggled, this, later);
    }
    connect(m_pDelimiterGroup, &QButtonGroup::idToggled, this, later);
    connect(ui.dateFormatCombo, &QComboBox::editTextChanged, this, later);
    const QFontMetrics metrics(font());
    ui.previewTable->verticalHeader()->setDefaultSectionSize(metrics.lineSpacing() + 4);
    ui.previewTable->setMinimumHeight(metrics.lineSpacing() * 8);
    ui.previewTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui.symbolEdit->setMinimumWidth(metrics.horizontalAdvance(tr("(from the symbol column)")) +
                                   metrics.averageCharWidth() * 2);
    // About 30 characters of a name in sight (of the 44 it may have).
    ui.nameEdit->setMinimumWidth(metrics.averageCharWidth() * 34);
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
    // The first entry that the text begins, ignoring case; a text that begins none is shown
    // as it is, with no entry selected.
    const auto format = DateFormatOfName(m_strDateFormat.toStdString());
    const int nNumber = format ? static_cast<int>(*format) : 0;
    ui.dateFormatCombo->setCurrentIndex(nNumber - 1);
    if (nNumber == 0) {
        ui.dateFormatCombo->setEditText(m_strDateFormat);
    }
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
    if (!ui.symbolEdit->isEnabled()) {
        m_strSymbol = m_bSymbolFromFileNames ? QString() : m_strTypedSymbol;
    }
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
    case ESettingsItem::Name: return ui.nameEdit;
    case ESettingsItem::PathOut: return ui.pathOutEdit;
    case ESettingsItem::Symbol: return ui.symbolEdit;
    case ESettingsItem::RowsToSkip: return ui.rowsToSkipSpin;
    case ESettingsItem::DateFormat: return ui.dateFormatCombo;
    case ESettingsItem::Columns: return ColumnClash() ? ColumnClash()->pControl : nullptr;
    case ESettingsItem::PathIn:
    case ESettingsItem::TimeCol:
    case ESettingsItem::Currency:
    case ESettingsItem::Interval:
        break;
    }
    return nullptr;
}

std::optional<CSettingsDlg::SColumnClash> CSettingsDlg::ColumnClash() const {
    const CUi& ui = *m_pUi;
    // In the order the fields are checked, Date and Close first; the others when switched on.
    const struct {
        bool bOn;
        QSpinBox* pSpin;
        QString strName;
        int nPreviewColumn;
    } fields[] = {
        {true, ui.dateColSpin, tr("Date"), kFieldDate},
        {true, ui.cloColSpin, tr("Close"), kFieldClose},
        {ui.openCheck->isChecked(), ui.openColSpin, tr("Open"), kFieldOpen},
        {ui.highCheck->isChecked(), ui.hiColSpin, tr("High"), kFieldHigh},
        {ui.lowCheck->isChecked(), ui.loColSpin, tr("Low"), kFieldLow},
        {ui.volumeCheck->isChecked(), ui.volColSpin, tr("Volume"), kFieldVolume},
        {ui.openIntCheck->isChecked(), ui.oiColSpin, tr("Open Int"), kFieldOpenInterest},
        {ui.symbolColSpin->value() > 0, ui.symbolColSpin, tr("Symbol"), kSymbolColumn},
    };
    QSet<int> taken;
    for (const auto& field : fields) {
        if (!field.bOn) {
            continue;
        }
        const int nColumn = field.pSpin->value();
        if (!taken.contains(nColumn)) {
            taken.insert(nColumn);
            continue;
        }
        SColumnClash clash{field.pSpin, QString(), {}};
        QMap<int, QString> names; // by preview column: the fields in the table's order
        for (const auto& other : fields) {
            if (other.bOn && other.pSpin->value() == nColumn) {
                names.insert(other.nPreviewColumn, other.strName);
            }
        }
        clash.previewColumns = names.keys();
        const QStringList list = names.values();
        clash.strText = list.size() == 2 ? tr("%1 and %2 are both in column %3.").arg(list[0], list[1]).arg(nColumn)
                                         : tr("%1 and %2 are all in column %3.")
                                               .arg(list.mid(0, list.size() - 1).join(QStringLiteral(", ")),
                                                    list.back())
                                               .arg(nColumn);
        return clash;
    }
    return std::nullopt;
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

SImportSettings CSettingsDlg::ControlSettings() {
    TakeValues();
    return Settings();
}

void CSettingsDlg::OnDetect() {
    const SImportSettings current = ControlSettings();
    const SLayoutDetection detection =
        CLayoutDetector(WindowWording()).DetectFile(GetSystemFileSystem(), Utf8Path(m_strPathIn.toStdString()));
    QLabel& label = *m_pUi->detectionLabel;
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, detection.AllCertain() ? QColor(0, 100, 0) : QColor(150, 60, 0));
    label.setPalette(palette);
    if (detection.failure) {
        label.setText(tr("No layout was detected: %1").arg(QString::fromStdString(*detection.failure)));
        UpdatePreview();
        return;
    }
    SImportSettings detected = current;
    PutLayout(detected, detection.layout);
    SetSettings(detected);
    FillControls();
    QStringList doubts;
    for (const SDoubt& doubt : detection.doubts) {
        doubts << QStringLiteral("\u2022 ") + QString::fromStdString(doubt.strText);
    }
    label.setText(doubts.isEmpty()
                      ? tr("Detected from the first %1 lines of the file.").arg(detection.nLinesRead)
                      : tr("Detected from the first %1 lines of the file; check these:\n%2")
                            .arg(detection.nLinesRead)
                            .arg(doubts.join(u'\n')));
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
    const SImportSettings settings = ControlSettings();
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
        table.setColumnHidden(f, !layout.FieldOn(f) && f != kFieldDate && f != kFieldClose);
    }
    table.setColumnHidden(kSymbolColumn, layout.nSymbolCol < 0);
    table.setRowCount(static_cast<int>(rows.size()));
    const QColor bad = QColor::fromRgb(kBadColour);
    const std::optional<SColumnClash> clash = ColumnClash();
    for (int nRow = 0; nRow < table.rowCount(); ++nRow) {
        const SLinePreview& row = rows[static_cast<std::size_t>(nRow)];
        table.setVerticalHeaderItem(nRow, new QTableWidgetItem(QString::number(row.nLine)));
        for (int nColumn = 0; nColumn < table.columnCount(); ++nColumn) {
            const SFieldCell& cell = nColumn == kSymbolColumn ? row.symbol : row.cells[static_cast<std::size_t>(nColumn)];
            auto* pItem = new QTableWidgetItem(QString::fromStdString(cell.strText));
            if (nColumn != kFieldDate && nColumn != kSymbolColumn) {
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
            QTableWidgetItem* pItem = table.item(nRow, kFieldDate);
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
    const SImportSettings settings = ControlSettings();
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
