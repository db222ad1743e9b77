// The Database window's price chart of one security, drawn with QPainter: the close as a
// line, or, when each bar has room (kMinBarPixels), a high-low bar with the open ticked on
// its left and the close on its right; prices along the left side and dates along the bottom
// (for intraday bars, the hours of the day and the date where a day begins).
// A reversed file, a wrong column or a missing decimal shows as a jump at a glance.
#pragma once

#include "metastock/Database.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

class QPainter;

class CPriceChart : public QWidget {
    Q_OBJECT
public:
    // Horizontal pixels a bar needs to be drawn as a bar rather than a point of the line.
    static constexpr double kMinBarPixels = 3.0;
    // The colour of the prices; nothing else is drawn in it.
    static constexpr QRgb kPriceColour = 0xff1f5fbf;

    explicit CPriceChart(QWidget* pParent = nullptr);

    // The bars in record order with the fields their data file holds, and the title above them.
    void SetBars(const SSecurityBars& bars, const QString& strTitle);
    // A text in place of the chart: nothing chosen, or why there is nothing to draw.
    void SetMessage(const QString& strText);

    // The rectangle the prices are drawn in at the present size; empty with no bars.
    QRect PlotRect() const;
    // Whether the bars are drawn as bars (else as the line of the close).
    bool DrawsBars() const;
    // The labels under the plot at the present size, from left to right, those left out for
    // want of room included.
    QStringList AxisLabels() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    struct SPlotScale;

    // The lowest and highest price drawn, a little apart so that a flat series has height.
    std::pair<double, double> PriceRange() const;
    // The parts of the chart, drawn in this order; the prices within the plot's frame.
    void DrawTitle(QPainter& painter) const;
    void DrawPriceAxis(QPainter& painter, const SPlotScale& scale) const;
    void DrawDateAxis(QPainter& painter, const SPlotScale& scale) const;
    void DrawBars(QPainter& painter, const SPlotScale& scale) const;
    void DrawCloseLine(QPainter& painter, const SPlotScale& scale) const;

    std::vector<SBarValues> m_bars;
    bool m_bTime = false; // intraday bars, each with its time of day
    bool m_bOpen = false;
    bool m_bHighLow = false;
    QString m_strTitle;
    QString m_strMessage;
};
