#include "app/PriceChart.h"

#include "metastock/Dates.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGap = 6;           // pixels between the plot and its labels
constexpr QRgb kGridColour = 0xffdcdcdc;

struct SPriceAxis {
    double fStep = 1;   // between two labelled prices
    int nDecimals = 0;  // that the labels show, [0, 9]
};

// A step of 1, 2 or 5 times a power of ten that gives about nTicks labels over the range.
SPriceAxis PriceAxis(double fLow, double fHigh, int nTicks) {
    const double fRaw = (fHigh - fLow) / std::max(nTicks, 1);
    const double fMagnitude = std::pow(10.0, std::floor(std::log10(fRaw)));
    const double fNorm = fRaw / fMagnitude;
    SPriceAxis axis;
    axis.fStep = (fNorm <= 1 ? 1 : fNorm <= 2 ? 2 : fNorm <= 5 ? 5 : 10) * fMagnitude;
    axis.nDecimals = std::clamp(static_cast<int>(-std::floor(std::log10(axis.fStep))), 0, 9);
    return axis;
}

QString PriceLabel(double fPrice, const SPriceAxis& axis) {
    return QString::number(fPrice, 'f', axis.nDecimals);
}

struct SDateTick {
    std::size_t nIndex = 0; // the bar the label stands under
    QString text;
};

// Labels where a period begins: months, or 3, 6, 12 ... months, the first that leaves at most
// nMaxTicks labels; a series of less than two months gets every k-th day instead.
std::vector<SDateTick> DateTicks(const std::vector<SBarValues>& bars, int nMaxTicks) {
    nMaxTicks = std::max(nMaxTicks, 1);
    std::vector<SDateTick> ticks;
    for (const int nMonths : {1, 3, 6, 12, 24, 60, 120, 240, 600}) {
        ticks.clear();
        const auto key = [nMonths](const SBarValues& bar) {
            const SDate date = DateOfValue(bar.nDate);
            return (date.nYear * 12 + date.nMonth - 1) / nMonths;
        };
        for (std::size_t i = 1; i < bars.size(); ++i) {
            if (key(bars[i]) != key(bars[i - 1])) {
                const SDate date = DateOfValue(bars[i].nDate);
                ticks.push_back({i, nMonths < 12 ? QStringLiteral("%1-%2").arg(date.nYear).arg(date.nMonth, 2, 10, QChar(u'0'))
                                                 : QString::number(date.nYear)});
            }
        }
        if (nMonths == 1 && ticks.size() < 2) {
            break;
        }
        if (ticks.size() <= static_cast<std::size_t>(nMaxTicks)) {
            return ticks;
        }
    }
    if (ticks.size() >= 2) {
        return ticks;
    }
    ticks.clear();
    const std::size_t nEvery = (bars.size() + static_cast<std::size_t>(nMaxTicks) - 1) / static_cast<std::size_t>(nMaxTicks);
    for (std::size_t i = 0; i < bars.size(); i += std::max<std::size_t>(nEvery, 1)) {
        ticks.push_back({i, QString::fromStdString(DateValueText(bars[i].nDate))});
    }
    return ticks;
}

// The minute of the day of an intraday bar's time (HHMMSS), [0, 1439].
int MinuteOf(const SBarValues& bar) {
    return std::clamp(bar.nTime / 10000, 0, 23) * 60 + std::clamp(bar.nTime / 100 % 100, 0, 59);
}

// Labels of intraday bars: where a day begins (its date) and where a step of the clock begins
// ("14:00", "10:15"), the finest step of 1, 5, 10, 15 or 30 minutes or 1 to 12 hours that leaves
// at most nMaxTicks labels; days alone when none does, and months and years as for daily bars
// when days are too many.
std::vector<SDateTick> TimeTicks(const std::vector<SBarValues>& bars, int nMaxTicks) {
    nMaxTicks = std::max(nMaxTicks, 1);
    std::vector<SDateTick> ticks;
    for (const int nStep : {1, 5, 10, 15, 30, 60, 120, 180, 240, 360, 720, 1440}) {
        ticks.clear();
        for (std::size_t i = 1; i < bars.size(); ++i) {
            const int nMinute = MinuteOf(bars[i]) / nStep * nStep;
            if (bars[i].nDate != bars[i - 1].nDate) {
                ticks.push_back({i, QString::fromStdString(DateValueText(bars[i].nDate))});
            } else if (nMinute != MinuteOf(bars[i - 1]) / nStep * nStep) {
                ticks.push_back({i, QStringLiteral("%1:%2")
                                        .arg(nMinute / 60, 2, 10, QChar(u'0'))
                                        .arg(nMinute % 60, 2, 10, QChar(u'0'))});
            }
        }
        if (ticks.size() <= static_cast<std::size_t>(nMaxTicks)) {
            return ticks;
        }
    }
    return DateTicks(bars, nMaxTicks);
}

std::vector<SDateTick> AxisTicks(const std::vector<SBarValues>& bars, bool bTime, int nMaxTicks) {
    return bTime ? TimeTicks(bars, nMaxTicks) : DateTicks(bars, nMaxTicks);
}

// Labels at most this many to the plot's width: one a date's width apart.
int MaxTicks(const QFontMetrics& metrics, const QRect& plot) {
    return plot.width() / (metrics.horizontalAdvance(QStringLiteral("0000-00-00")) + 2 * kGap);
}

} // namespace

CPriceChart::CPriceChart(QWidget* pParent) : QWidget(pParent) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    SetMessage(tr("Choose a security to see its prices."));
}

void CPriceChart::SetBars(const SSecurityBars& bars, const QString& strTitle) {
    m_bars = bars.bars;
    m_bTime = bars.bTime;
    m_bOpen = std::find(bars.fields.begin(), bars.fields.end(), kFieldOpen) != bars.fields.end();
    m_bHighLow = std::find(bars.fields.begin(), bars.fields.end(), kFieldHigh) != bars.fields.end() &&
                 std::find(bars.fields.begin(), bars.fields.end(), kFieldLow) != bars.fields.end();
    m_strTitle = strTitle;
    m_strMessage = m_bars.empty() ? tr("%1 holds no bars.").arg(strTitle) : QString();
    update();
}

void CPriceChart::SetMessage(const QString& strText) {
    m_bars.clear();
    m_strTitle.clear();
    m_strMessage = strText;
    update();
}

QSize CPriceChart::sizeHint() const {
    return QSize(fontMetrics().averageCharWidth() * 90, fontMetrics().lineSpacing() * 18);
}

QSize CPriceChart::minimumSizeHint() const {
    return QSize(fontMetrics().averageCharWidth() * 30, fontMetrics().lineSpacing() * 8);
}

std::pair<double, double> CPriceChart::PriceRange() const {
    double fLow = HUGE_VAL;
    double fHigh = -HUGE_VAL;
    for (const SBarValues& bar : m_bars) {
        for (const int nField : {kFieldOpen, kFieldHigh, kFieldLow, kFieldClose}) {
            const bool bDrawn = nField == kFieldClose || (nField == kFieldOpen ? m_bOpen && DrawsBars() : m_bHighLow && DrawsBars());
            const double fValue = bar.values[static_cast<std::size_t>(nField)];
            if (bDrawn && std::isfinite(fValue)) {
                fLow = std::min(fLow, fValue);
                fHigh = std::max(fHigh, fValue);
            }
        }
    }
    if (fLow > fHigh) {
        return {0, 1};
    }
    // A flat series gets a band around its price; any other a twentieth of room above and below.
    const double fPad = fHigh > fLow ? (fHigh - fLow) / 20 : std::max(std::abs(fHigh) / 20, 0.5);
    return {fLow - fPad, fHigh + fPad};
}

QRect CPriceChart::PlotRect() const {
    if (m_bars.empty()) {
        return QRect();
    }
    const QFontMetrics metrics = fontMetrics();
    const int nTop = metrics.lineSpacing() + 2 * kGap;
    const int nBottom = metrics.lineSpacing() + 2 * kGap;
    const auto [fLow, fHigh] = PriceRange();
    const SPriceAxis axis = PriceAxis(fLow, fHigh, std::max(2, (height() - nTop - nBottom) / (3 * metrics.lineSpacing())));
    const int nLeft = std::max(metrics.horizontalAdvance(PriceLabel(fLow, axis)),
                               metrics.horizontalAdvance(PriceLabel(fHigh, axis))) + 2 * kGap;
    return QRect(QPoint(nLeft, nTop), QPoint(width() - 2 * kGap, height() - nBottom)).normalized();
}

bool CPriceChart::DrawsBars() const {
    // The margins do not depend on this; an estimate of the plot's width is enough.
    const double fWidth = width() - fontMetrics().averageCharWidth() * 10.0;
    return m_bHighLow && !m_bars.empty() && fWidth / static_cast<double>(m_bars.size()) >= kMinBarPixels;
}

QStringList CPriceChart::AxisLabels() const {
    QStringList labels;
    if (!m_bars.empty()) {
        for (const SDateTick& tick : AxisTicks(m_bars, m_bTime, MaxTicks(fontMetrics(), PlotRect()))) {
            labels << tick.text;
        }
    }
    return labels;
}

// Where a price and a bar are drawn: a price by its height within the range, a bar at the middle
// of its equal share of the plot's width.
struct CPriceChart::SPlotScale {
    QRect plot;
    double fLow = 0;
    double fHigh = 1;
    double fBarWidth = 1;
    double Y(double fValue) const { return plot.bottom() - (fValue - fLow) / (fHigh - fLow) * plot.height(); }
    double X(std::size_t nIndex) const { return plot.left() + (static_cast<double>(nIndex) + 0.5) * fBarWidth; }
};

void CPriceChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_bars.empty()) {
        painter.drawText(rect().adjusted(kGap, kGap, -kGap, -kGap), Qt::AlignCenter | Qt::TextWordWrap, m_strMessage);
        return;
    }
    const QRect plot = PlotRect();
    if (plot.width() < 2 || plot.height() < 2) {
        return;
    }
    DrawTitle(painter);
    const auto [fLow, fHigh] = PriceRange();
    const SPlotScale scale{plot, fLow, fHigh, static_cast<double>(plot.width()) / static_cast<double>(m_bars.size())};
    DrawPriceAxis(painter, scale);
    DrawDateAxis(painter, scale);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot);

    painter.setClipRect(plot);
    painter.setPen(QPen(QColor::fromRgb(kPriceColour), 1));
    if (DrawsBars()) {
        DrawBars(painter, scale);
    } else {
        DrawCloseLine(painter, scale);
    }
}

void CPriceChart::DrawTitle(QPainter& painter) const {
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(QRect(kGap, kGap, width() - 2 * kGap, fontMetrics().lineSpacing()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(m_strTitle, Qt::ElideRight, width() - 2 * kGap));
    painter.setFont(font());
}

// Grid lines across the plot, labels to its left.
void CPriceChart::DrawPriceAxis(QPainter& painter, const SPlotScale& scale) const {
    const QFontMetrics metrics = fontMetrics();
    const QRect& plot = scale.plot;
    const int nTicks = std::max(2, plot.height() / (3 * metrics.lineSpacing()));
    const SPriceAxis axis = PriceAxis(scale.fLow, scale.fHigh, nTicks);
    for (double fPrice = std::ceil(scale.fLow / axis.fStep) * axis.fStep; fPrice <= scale.fHigh; fPrice += axis.fStep) {
        const int nY = static_cast<int>(std::lround(scale.Y(fPrice)));
        painter.setPen(QColor::fromRgb(kGridColour));
        painter.drawLine(plot.left(), nY, plot.right(), nY);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(0, nY - metrics.lineSpacing() / 2, plot.left() - kGap, metrics.lineSpacing()),
                         Qt::AlignRight | Qt::AlignVCenter, PriceLabel(std::abs(fPrice) < axis.fStep / 2 ? 0 : fPrice, axis));
    }
}

// Dates (and hours of intraday bars): grid lines up the plot, labels below it within its width
// (not under the prices' labels, not past its right side), each where it does not cover the last.
void CPriceChart::DrawDateAxis(QPainter& painter, const SPlotScale& scale) const {
    const QFontMetrics metrics = fontMetrics();
    const QRect& plot = scale.plot;
    int nFree = plot.left();
    for (const SDateTick& tick : AxisTicks(m_bars, m_bTime, MaxTicks(metrics, plot))) {
        const int nX = static_cast<int>(std::lround(scale.X(tick.nIndex)));
        painter.setPen(QColor::fromRgb(kGridColour));
        painter.drawLine(nX, plot.top(), nX, plot.bottom());
        const int nWidth = metrics.horizontalAdvance(tick.text);
        const int nLeft = std::max(std::min(nX - nWidth / 2, plot.right() - nWidth), plot.left());
        if (nLeft >= nFree && nLeft + nWidth <= plot.right()) {
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(QPoint(nLeft, plot.bottom() + kGap + metrics.ascent()), tick.text);
            nFree = nLeft + nWidth + kGap;
        }
    }
}

void CPriceChart::DrawBars(QPainter& painter, const SPlotScale& scale) const {
    const double fTick = std::max(1.0, scale.fBarWidth * 0.35);
    for (std::size_t i = 0; i < m_bars.size(); ++i) {
        const auto& values = m_bars[i].values;
        const double fX = scale.X(i);
        // From the lowest to the highest of the four, so that an open or close outside the
        // high-low range (a wrong column, a lost decimal) stands out as a long bar.
        const auto [fMin, fMax] = std::minmax({values[kFieldLow], values[kFieldHigh], values[kFieldClose],
                                               m_bOpen ? values[kFieldOpen] : values[kFieldClose]});
        painter.drawLine(QPointF(fX, scale.Y(fMin)), QPointF(fX, scale.Y(fMax)));
        if (m_bOpen) {
            const double fOpenY = scale.Y(values[kFieldOpen]);
            painter.drawLine(QPointF(fX - fTick, fOpenY), QPointF(fX, fOpenY));
        }
        const double fCloseY = scale.Y(values[kFieldClose]);
        painter.drawLine(QPointF(fX, fCloseY), QPointF(fX + fTick, fCloseY));
    }
}

void CPriceChart::DrawCloseLine(QPainter& painter, const SPlotScale& scale) const {
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath line;
    for (std::size_t i = 0; i < m_bars.size(); ++i) {
        const QPointF point(scale.X(i), scale.Y(m_bars[i].values[kFieldClose]));
        i == 0 ? line.moveTo(point) : line.lineTo(point);
    }
    if (m_bars.size() == 1) {
        painter.drawEllipse(line.currentPosition(), 2, 2);
    }
    painter.drawPath(line);
}
