#include "app/ChoiceDisplay.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QVariant>

namespace {

// The dynamic property that the dialog's style sheet highlights.
constexpr const char* kUnchosenProperty = "unchosen";

} // namespace

QString HighlightStyleSheet() {
    return QStringLiteral("*[%1=\"true\"] { background-color: #ffd966; }").arg(QLatin1String(kUnchosenProperty));
}

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

void CheckButton(QButtonGroup* pGroup, int nId) {
    if (QAbstractButton* pButton = pGroup->button(nId)) {
        pButton->setChecked(true);
    }
}
