#include "app/StaticLink.h"

#include "app/Desktop.h"
#include "resources/AboutDlgTemplate.h"

#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QPicture>

CStaticLink::CStaticLink(QWidget* pParent) : QLabel(pParent) {
    m_timerJustClicked.setInterval(kJustClickedMs);
    connect(&m_timerJustClicked, &QTimer::timeout, this, [this] { OnTimer(LINK_TIMER_ID); });
}

bool CStaticLink::CtlColor(QPainter& painter) {
    // A label reports pointer moves without a button held only with tracking on.
    if (!hasMouseTracking()) {
        setMouseTracking(true);
    }
    if (!pixmap().isNull() || movie() != nullptr || !picture().isNull()) {
        return false;
    }
    if (!m_font) {
        m_font = font();
        m_font->setUnderline(true);
    }
    painter.setFont(*m_font);
    painter.setPen(m_pbVisited != nullptr && *m_pbVisited == 1 ? m_colorVisited : m_colorUnvisited);
    painter.setBackgroundMode(Qt::TransparentMode);
    return true;
}

void CStaticLink::paintEvent(QPaintEvent* pEvent) {
    {
        QPainter painter(this);
        if (CtlColor(painter)) {
            const int nFlags = int(alignment()) | (wordWrap() ? int(Qt::TextWordWrap) : 0);
            painter.drawText(contentsRect(), nFlags, text());
            return;
        }
    }
    QLabel::paintEvent(pEvent);
}

void CStaticLink::mouseMoveEvent(QMouseEvent* pEvent) {
    QLabel::mouseMoveEvent(pEvent);
    OnMouseMove(pEvent->position().toPoint());
}

void CStaticLink::leaveEvent(QEvent* pEvent) {
    QLabel::leaveEvent(pEvent);
    // Leaving is the move that takes the pointer off the control.
    OnMouseMove(QPoint(-1, -1));
}

void CStaticLink::mousePressEvent(QMouseEvent* pEvent) {
    QLabel::mousePressEvent(pEvent);
    if (pEvent->button() == Qt::LeftButton) {
        OnClicked();
        pEvent->accept();
    }
}

void CStaticLink::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    // The second press of a double click is no second click: the target opens once.
    pEvent->accept();
}

void CStaticLink::OnMouseMove(const QPoint& point) {
    if (m_bJustClicked) {
        return;
    }
    const bool bInside = rect().contains(point);
    if (!m_bCaptured && bInside) {
        m_bCaptured = 1;
        setCursor(Qt::PointingHandCursor);
    } else if (m_bCaptured && !bInside) {
        m_bCaptured = 0;
        setCursor(Qt::ArrowCursor);
    }
}

void CStaticLink::OnClicked() {
    if (m_strLink.isEmpty()) {
        m_strLink = text();
    }
    static const QString marker = QString::fromUtf8(kAuthorMailMarker.data(), qsizetype(kAuthorMailMarker.size()));
    static const QString mailScheme = QStringLiteral("mailto:");
    if (m_strLink.contains(marker) && !m_strLink.startsWith(mailScheme)) {
        m_strLink.prepend(mailScheme);
    }
    // The hand goes with the hover; it comes back with the first move after the quiet second.
    m_bCaptured = 0;
    setCursor(Qt::ArrowCursor);
    m_bJustClicked = 1;
    m_timerJustClicked.start();

    CDesktop& desktop = CDesktop::Current();
    if (!desktop.Open(m_strLink)) {
        desktop.Beep();
#ifndef NDEBUG
        qDebug("*** WARNING: CStaticLink: unable to execute file %s", qUtf8Printable(m_strLink));
#endif
        return;
    }
    if (m_pbVisited != nullptr) {
        *m_pbVisited = 1;
    }
    update();
}

void CStaticLink::OnTimer(int nIdEvent) {
    if (nIdEvent == LINK_TIMER_ID) {
        m_timerJustClicked.stop();
        m_bJustClicked = 0;
    }
}
