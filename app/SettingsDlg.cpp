#include "app/SettingsDlg.h"

#include "app/ChoiceDisplay.h"
#include "app/ChooseDir.h"
#include "app/DetectionDoubts.h"
#include "app/PreviewTable.h"
#include "app/SettingsBindings.h"
#include "engine/BarReader.h"
#include "engine/Converter.h"
#include "engine/LayoutDetector.h"
#include "engine/Wording.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

// Sets each control's range or length from the one table of settings.
void SetRanges(CUi& ui) {
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
}

} // namespace

CSettingsDlg::CSettingsDlg(CMessageBox& messages, QWidget* pParent)
    : QDialog(pParent), m_pUi(std::make_unique<CUi>()), m_messages(messages) {
    m_pUi->setupUi(this);
    SetUpControls();
    ConnectEnablingRules();
    // A change of a control by the user makes its choice: its doubts are settled.
    m_pDoubts = std::make_unique<CDetectionDoubts>(*m_pUi);
    ConnectPreview();
    SizeControls();
}

void CSettingsDlg::SetUpControls() {
    CUi& ui = *m_pUi;
    SetRanges(ui);
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
    setStyleSheet(HighlightStyleSheet());
    ui.delimiterBox->setAttribute(Qt::WA_StyledBackground);
    ui.decimalBox->setAttribute(Qt::WA_StyledBackground);

    connect(ui.browseButton, &QPushButton::clicked, this, &CSettingsDlg::OnBrowse);
    connect(ui.detectButton, &QPushButton::clicked, this, &CSettingsDlg::OnDetect);
    connect(ui.countButton, &QPushButton::clicked, this, &CSettingsDlg::OnCountBadLines);
}

void CSettingsDlg::ConnectEnablingRules() {
    CUi& ui = *m_pUi;
    // Beyond the field boxes, which the form connects to their columns.
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
}

void CSettingsDlg::ConnectPreview() {
    CUi& ui = *m_pUi;
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
    connect(m_pDoubts.get(), &CDetectionDoubts::Settled, this, later);
}

void CSettingsDlg::SizeControls() {
    CUi& ui = *m_pUi;
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
    const auto filling = m_pDoubts->Filling();
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
    m_pDoubts->PutGuesses(settings);
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

bool CSettingsDlg::Unchosen(EDetectChoice choice) const {
    return m_pDoubts->Unchosen(choice);
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
    if (const QString unchosen = m_pDoubts->UnchosenText(); !unchosen.isEmpty()) {
        Refuse(m_pDoubts->FirstUnchosenControl(), unchosen);
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
    m_pDoubts->Reset(detection);
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
    SetSettings(detected);
    FillControls();
    m_pDoubts->ShowUnsure(detected);
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
    const std::optional<SColumnClash> clash = ColumnClash();
    FillPreviewTable(table, rows, layout, clash ? clash->previewColumns : QList<int>(),
                     clash ? clash->strText : QString(), palette().color(QPalette::Disabled, QPalette::Text));
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
