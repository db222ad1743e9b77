// A static text made a hyperlink: drawn underlined in the unvisited or the visited colour,
// a pointing hand while the pointer is over it, and a click hands its target to the desktop.
// Whether it was visited lives in a flag that its owner keeps (m_pbVisited), so the colour
// outlives the control; the About box points it at the application's flags.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QTimer>

#include <optional>

class QPainter;

class CStaticLink : public QLabel {
    Q_OBJECT
public:
    // The timer that ends the quiet second after a click.
    static constexpr int LINK_TIMER_ID = 102;
    static constexpr int kJustClickedMs = 1000;

    explicit CStaticLink(QWidget* pParent = nullptr);

    // Readies the painter for the link's text: underlined font, the colour of the visited
    // state, no background. False for a label that shows no text (a picture, a movie),
    // which paints as any label does.
    bool CtlColor(QPainter& painter);
    // The pointer moved to point (control coordinates); outside the control when it left.
    void OnMouseMove(const QPoint& point);
    void OnClicked();
    void OnTimer(int nIdEvent);

    QColor m_colorUnvisited{0, 0, 255};
    QColor m_colorVisited{128, 0, 128};
    // Owned elsewhere; 1 once the target has been opened. Without one the link stays
    // unvisited.
    int* m_pbVisited = nullptr;
    // 1 while the pointer is over the control (the hand shows).
    int m_bCaptured = 0;
    // 1 for a second after a click: pointer moves are ignored meanwhile.
    int m_bJustClicked = 0;
    // The target handed to the desktop; the control's text unless set before the first click.
    QString m_strLink;
    // The control's font with underline, made on first drawing.
    std::optional<QFont> m_font;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    QTimer m_timerJustClicked;
};
