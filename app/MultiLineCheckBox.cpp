#include "app/MultiLineCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

CMultiLineCheckBox::CMultiLineCheckBox(const QString& text, QWidget* pParent) : QCheckBox(text, pParent) {}

QRect CMultiLineCheckBox::TextRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const int nSpacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    return QRect(indicator.right() + 1 + nSpacing, 0, width() - indicator.right() - 1 - nSpacing, height());
}

void CMultiLineCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The indicator at the left, centred on the text block as the original platform draws it.
    QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    indicator.moveTop((height() - indicator.height()) / 2);
    option.rect = indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);

    const QRect textRect = TextRect();
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const int nFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    painter.drawText(textRect, nFlags, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(textRect, nFlags, text()).adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool CMultiLineCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}
