#include "app/DialogTemplate.h"

#include "app/MultiLineCheckBox.h"
#include "app/UpDown.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>

namespace {

// The platform's MulDiv: a × b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

QWidget* MakeStandardControl(const SDialogControl& control, QWidget* pParent) {
    const QString text = QString::fromUtf8(control.pszText ? control.pszText : "");
    switch (control.eKind) {
    case EControlKind::Label:
    case EControlKind::CentredLabel: {
        auto* pLabel = new QLabel(text, pParent);
        pLabel->setAlignment((control.eKind == EControlKind::CentredLabel ? Qt::AlignHCenter : Qt::AlignLeft) |
                             Qt::AlignTop);
        pLabel->setWordWrap(true);
        return pLabel;
    }
    case EControlKind::Icon: {
        auto* pLabel = new QLabel(pParent);
        pLabel->setPixmap(QIcon(text).pixmap(32, 32));
        return pLabel;
    }
    case EControlKind::GroupBox: {
        auto* pBox = new QGroupBox(text, pParent);
        pBox->setAttribute(Qt::WA_TransparentForMouseEvents);
        pBox->setFocusPolicy(Qt::NoFocus);
        return pBox;
    }
    case EControlKind::PushButton:
    case EControlKind::DefPushButton: {
        auto* pButton = new QPushButton(text, pParent);
        pButton->setAutoDefault(false);
        pButton->setDefault(control.eKind == EControlKind::DefPushButton);
        return pButton;
    }
    case EControlKind::CheckBox:
        if (control.nStyle & kMultiLine) {
            return new CMultiLineCheckBox(text, pParent);
        }
        return new QCheckBox(text, pParent);
    case EControlKind::RadioButton: {
        auto* pRadio = new QRadioButton(text, pParent);
        pRadio->setAutoExclusive(false);  // the template's groups decide, not the parent
        return pRadio;
    }
    case EControlKind::Edit:
        return new QLineEdit(text, pParent);
    case EControlKind::UpDown:
        // Only the arrows: the edit before it holds the text.
        return new CUpDown(pParent);
    case EControlKind::ComboBox: {
        auto* pCombo = new QComboBox(pParent);
        pCombo->setEditable(true);
        pCombo->setInsertPolicy(QComboBox::NoInsert);
        // The text stays as typed; completing it would choose an entry for the user.
        pCombo->setCompleter(nullptr);
        return pCombo;
    }
    case EControlKind::ListBox:
        return new QListWidget(pParent);
    }
    return new QWidget(pParent);
}

bool TakesFocus(const QWidget* pWidget) {
    return pWidget->focusPolicy() != Qt::NoFocus && !qobject_cast<const QLabel*>(pWidget) &&
           !qobject_cast<const QGroupBox*>(pWidget);
}

}  // namespace

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int nWidth = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((nWidth / 26 + 1) / 2, metrics.height());
}

QRect DialogUnitsToPixels(const QRect& rect, const QSize& baseUnits) {
    const int nLeft = MulDiv(rect.x(), baseUnits.width(), 4);
    const int nTop = MulDiv(rect.y(), baseUnits.height(), 8);
    const int nRight = MulDiv(rect.x() + rect.width(), baseUnits.width(), 4);
    const int nBottom = MulDiv(rect.y() + rect.height(), baseUnits.height(), 8);
    return QRect(nLeft, nTop, nRight - nLeft, nBottom - nTop);
}

QMap<int, QWidget*> BuildDialog(QDialog& dialog, const SDialogTemplate& dialogTemplate,
                                const ControlFactory& factory) {
    QFont font(QString::fromUtf8(dialogTemplate.pszFontName), dialogTemplate.nPointSize);
    font.setStyleHint(QFont::SansSerif);
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.pszCaption));
    const QSize baseUnits = DialogBaseUnits(font);
    dialog.setFixedSize(DialogUnitsToPixels(QRect(0, 0, dialogTemplate.cx, dialogTemplate.cy), baseUnits).size());

    QMap<int, QWidget*> controls;
    QList<QWidget*> created;
    QList<QWidget*> groupBoxes;
    QList<QLabel*> labelsWaitingForBuddy;
    QWidget* pPreviousFocus = nullptr;
    QButtonGroup* pRadioGroup = nullptr;
    QLineEdit* pLastEdit = nullptr;
    for (const SDialogControl& control : dialogTemplate.controls) {
        QWidget* pWidget = factory ? factory(control, &dialog) : nullptr;
        if (!pWidget) {
            pWidget = MakeStandardControl(control, &dialog);
        }
        const QRect rect = DialogUnitsToPixels(QRect(control.x, control.y, control.cx, control.cy), baseUnits);
        if (auto* pCombo = qobject_cast<QComboBox*>(pWidget)) {
            // A combo box's template height includes its dropped-down list; closed it is
            // as tall as its text needs.
            const int nClosed = pCombo->sizeHint().height();
            pCombo->setGeometry(rect.x(), rect.y(), rect.width(), nClosed);
            const int nItem = std::max(1, QFontMetrics(pCombo->font()).height() + 2);
            pCombo->setMaxVisibleItems(std::max(1, (rect.height() - nClosed) / nItem));
        } else {
            pWidget->setGeometry(rect);
        }
        if (auto* pUpDown = qobject_cast<CUpDown*>(pWidget)) {
            pUpDown->SetBuddy(pLastEdit);
        }
        if (auto* pEdit = qobject_cast<QLineEdit*>(pWidget)) {
            pLastEdit = pEdit;
        }
        pWidget->setVisible(!(control.nStyle & kHidden));
        pWidget->setEnabled(!(control.nStyle & kDisabled));
        if (control.nId != kStaticId) {
            pWidget->setObjectName(QString::number(control.nId));
            controls.insert(control.nId, pWidget);
        }
        if (control.eKind == EControlKind::GroupBox) {
            groupBoxes.append(pWidget);
        }

        if (auto* pRadio = qobject_cast<QRadioButton*>(pWidget)) {
            if (!pRadioGroup || (control.nStyle & kGroup)) {
                pRadioGroup = new QButtonGroup(&dialog);
            }
            pRadioGroup->addButton(pRadio, pRadioGroup->buttons().size());
        } else if (control.nStyle & kGroup) {
            pRadioGroup = nullptr;
        }

        if (auto* pLabel = qobject_cast<QLabel*>(pWidget)) {
            labelsWaitingForBuddy.append(pLabel);
        } else if (TakesFocus(pWidget)) {
            // A label's mnemonic moves the focus to the next control that takes it.
            for (QLabel* pLabel : labelsWaitingForBuddy) {
                pLabel->setBuddy(pWidget);
            }
            labelsWaitingForBuddy.clear();
            if (!(control.nStyle & kTabStop)) {
                pWidget->setFocusPolicy(Qt::ClickFocus);
            }
            if (pPreviousFocus) {
                QWidget::setTabOrder(pPreviousFocus, pWidget);
            }
            pPreviousFocus = pWidget;
        }
        created.append(pWidget);
    }
    for (QWidget* pBox : groupBoxes) {
        pBox->lower();
    }
    return controls;
}
