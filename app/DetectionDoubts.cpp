#include "app/DetectionDoubts.h"

#include "app/ChoiceDisplay.h"
#include "app/SettingsBindings.h"

#include <QRadioButton>

namespace {

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

CDetectionDoubts::CDetectionDoubts(Ui::CSettingsDlg& ui) : m_ui(ui) {
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
}

QScopedValueRollback<bool> CDetectionDoubts::Filling() {
    return QScopedValueRollback<bool>(m_bFilling, true);
}

void CDetectionDoubts::Reset(const SLayoutDetection& detection) {
    const QScopedValueRollback<bool> filling(m_bFilling, true);
    for (const EDetectChoice choice : std::exchange(m_unchosen, {})) {
        for (QWidget* pControl : UnchosenControls(choice)) {
            ShowValue(pControl);
            SetHighlight(HighlightOf(pControl), false, QString());
        }
    }
    m_detection = detection;
}

void CDetectionDoubts::ShowUnsure(const SImportSettings& guess) {
    m_guess = guess;
    for (std::size_t n = 0; n < kDetectChoiceCount; ++n) {
        const auto choice = static_cast<EDetectChoice>(n);
        if (m_detection.Confidence(choice) == EConfidence::Unsure && !UnchosenControls(choice).isEmpty()) {
            m_unchosen << choice;
        }
    }
    const QScopedValueRollback<bool> filling(m_bFilling, true);
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
        EnableColumn(choice);
    }
    ShowDoubts();
}

bool CDetectionDoubts::Unchosen(EDetectChoice choice) const {
    return m_unchosen.contains(choice);
}

void CDetectionDoubts::PutGuesses(SImportSettings& settings) const {
    for (const EDetectChoice choice : m_unchosen) {
        CopyChoice(choice, m_guess, settings);
    }
}

QString CDetectionDoubts::UnchosenText() const {
    if (m_unchosen.isEmpty()) {
        return QString();
    }
    QStringList lines;
    for (const SDoubt& doubt : m_detection.doubts) {
        QStringList names;
        for (const EDetectChoice choice : m_unchosen) {
            if (doubt.confidence == EConfidence::Unsure && doubt.IsAbout(choice)) {
                names << ChoiceName(choice);
            }
        }
        if (!names.isEmpty()) {
            lines << QStringLiteral("\u2022 %1: %2").arg(names.join(tr(" and ")), QString::fromStdString(doubt.strText));
        }
    }
    return tr("Detection could not make these choices for certain. Look at the preview, and choose each in its "
              "highlighted control:\n\n%1")
        .arg(lines.join(u'\n'));
}

QWidget* CDetectionDoubts::FirstUnchosenControl() const {
    return m_unchosen.isEmpty() ? nullptr : UnchosenControls(m_unchosen.front()).value(0);
}

QList<QWidget*> CDetectionDoubts::UnchosenControls(EDetectChoice choice) const {
    const CUi& ui = m_ui;
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

QList<QWidget*> CDetectionDoubts::SettlingControls(EDetectChoice choice) const {
    const CUi& ui = m_ui;
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

QString CDetectionDoubts::ChoiceName(EDetectChoice choice) const {
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

void CDetectionDoubts::Settle(EDetectChoice choice) {
    if (m_detection.doubts.empty()) {
        return;
    }
    m_detection.Settle(choice);
    {
        const QScopedValueRollback<bool> filling(m_bFilling, true);
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
                if (bEmpty) {
                    ShowGuess(pControl);
                }
            }
            EnableColumn(each);
        }
    }
    ShowDoubts();
    emit Settled();
}

void CDetectionDoubts::ShowGuess(QWidget* pControl) {
    CUi& ui = m_ui;
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
    } else if (auto* pRadio = qobject_cast<QRadioButton*>(pControl)) {
        // The delimiter's group, else the decimal mark's.
        const bool bDelimiter = pRadio->group() == ui.commaRadio->group();
        CheckButton(pRadio->group(),
                    bDelimiter ? static_cast<int>(m_guess.nDelimiter) : (m_guess.bDecimalComma != 0 ? 1 : 0));
    }
}

void CDetectionDoubts::EnableColumn(EDetectChoice choice) {
    if (const SOptionalField* pField = OptionalField(choice)) {
        (m_ui.*pField->pSpin)->setEnabled((m_ui.*pField->pCheck)->checkState() == Qt::Checked);
    }
}

void CDetectionDoubts::ShowDoubts() {
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
    QLabel& label = *m_ui.detectionLabel;
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, !choose.isEmpty() ? QColor(170, 0, 0)
                                           : !notes.isEmpty() ? QColor(150, 60, 0)
                                                              : QColor(0, 100, 0));
    label.setPalette(palette);
    label.setText(text);
}
