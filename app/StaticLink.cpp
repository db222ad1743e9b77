#include "app/StaticLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

CStaticLink::CStaticLink(QWidget* pParent) : QLabel(pParent) {
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(this, &QLabel::linkActivated, this, &CStaticLink::OnClicked);
}

void CStaticLink::showEvent(QShowEvent* pEvent) {
    // The form sets the plain text after construction; it becomes the link when shown.
    if (m_strText.isEmpty()) {
        m_strText = text();
        Render();
    }
    QLabel::showEvent(pEvent);
}

void CStaticLink::Render() {
    QPalette colours = palette();
    colours.setColor(QPalette::Link, m_pbVisited != nullptr && *m_pbVisited ? m_colorVisited : m_colorUnvisited);
    setPalette(colours);
    setText(QStringLiteral("<a href=\"#\">%1</a>").arg(m_strText.toHtmlEscaped()));
}

void CStaticLink::OnClicked() {
    if (m_strLink.isEmpty()) {
        m_strLink = m_strText;
    }
    if (!QDesktopServices::openUrl(QUrl(m_strLink))) {
        QApplication::beep();
        return;
    }
    if (m_pbVisited != nullptr) {
        *m_pbVisited = true;
    }
    Render();
}
