#include "app/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>
#include <optional>

namespace {

std::optional<int> NumberIn(const QString& text) {
    bool bOk = false;
    const int nValue = text.trimmed().toInt(&bOk, 10);
    return bOk ? std::optional<int>(nValue) : std::nullopt;
}

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* pParent) {
    auto* pButton = new QToolButton(pParent);
    pButton->setArrowType(arrow);
    pButton->setAutoRepeat(true);
    pButton->setFocusPolicy(Qt::NoFocus);
    pButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return pButton;
}

}  // namespace

CUpDown::CUpDown(QWidget* pParent)
    : QWidget(pParent), m_pUp(MakeArrow(Qt::UpArrow, this)), m_pDown(MakeArrow(Qt::DownArrow, this)) {
    setFocusPolicy(Qt::NoFocus);
    connect(m_pUp, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void CUpDown::SetBuddy(QLineEdit* pBuddy) {
    if (m_pBuddy) {
        m_pBuddy->removeEventFilter(this);
        disconnect(m_pBuddy, nullptr, this, nullptr);
    }
    m_pBuddy = pBuddy;
    m_pBuddyObject = pBuddy;
    if (!pBuddy) {
        return;
    }
    pBuddy->installEventFilter(this);
    connect(pBuddy, &QObject::destroyed, this, [this] {
        m_pBuddy = nullptr;
        m_pBuddyObject = nullptr;
    });
    QRect buddyRect = pBuddy->geometry();
    const int nWidth = std::min(width(), buddyRect.width() - 1);
    buddyRect.setWidth(buddyRect.width() - nWidth);
    pBuddy->setGeometry(buddyRect);
    setGeometry(buddyRect.right() + 1, buddyRect.top(), nWidth, buddyRect.height());
}

void CUpDown::SetRange(int nLower, int nUpper) {
    m_nLower = std::min(nLower, nUpper);
    m_nUpper = std::max(nLower, nUpper);
    m_nPos = std::clamp(m_nPos, m_nLower, m_nUpper);
}

int CUpDown::Pos() const {
    if (m_pBuddy) {
        if (const auto nNumber = NumberIn(m_pBuddy->text())) {
            return *nNumber;
        }
    }
    return m_nPos;
}

void CUpDown::SetPos(int nPos) {
    m_nPos = nPos;
    if (m_pBuddy) {
        m_pBuddy->setText(QString::number(nPos));
    }
}

void CUpDown::StepBy(int nSteps) {
    if (!isEnabled()) {
        return;
    }
    // Wide, so that a stored number near the int limits cannot overflow on the step.
    const long long nWanted = static_cast<long long>(Pos()) + nSteps;
    SetPos(static_cast<int>(std::clamp<long long>(nWanted, m_nLower, m_nUpper)));
    if (m_pBuddy) {
        m_pBuddy->selectAll();
    }
}

bool CUpDown::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pBuddyObject && pEvent->type() == QEvent::KeyPress && isEnabled()) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->key() == Qt::Key_Up || pKey->key() == Qt::Key_Down) {
            StepBy(pKey->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void CUpDown::resizeEvent(QResizeEvent* pEvent) {
    QWidget::resizeEvent(pEvent);
    const int nUpperHalf = height() / 2;
    m_pUp->setGeometry(0, 0, width(), nUpperHalf);
    m_pDown->setGeometry(0, nUpperHalf, width(), height() - nUpperHalf);
}
