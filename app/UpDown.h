// The arrows beside a number edit (its buddy). A click or an Up/Down key in the edit moves
// the edit's number one step within the range and writes it back as plain digits; at either
// end of the range it stays. The edit otherwise keeps whatever it is given, also a number
// outside the range, so that the dialog's check can refuse it instead of it being cut.
#pragma once

#include <QLineEdit>
#include <QWidget>

class QToolButton;

class CUpDown : public QWidget {
    Q_OBJECT
public:
    explicit CUpDown(QWidget* pParent = nullptr);

    // Attaches to the edit and takes the right end of its rectangle, the edit giving up the
    // arrows' width, so that edit and arrows read as one control.
    void SetBuddy(QLineEdit* pBuddy);
    QLineEdit* Buddy() const { return m_pBuddy; }

    void SetRange(int nLower, int nUpper);
    int Lower() const { return m_nLower; }
    int Upper() const { return m_nUpper; }

    // The edit's number when it holds one (blanks around it allowed), else the last position.
    int Pos() const;
    // Writes nPos into the edit as plain digits.
    void SetPos(int nPos);
    // What a click or a key does: nSteps up (positive) or down from Pos, kept in the range.
    void StepBy(int nSteps);

    QToolButton* UpButton() const { return m_pUp; }
    QToolButton* DownButton() const { return m_pDown; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    QToolButton* m_pUp;
    QToolButton* m_pDown;
    QLineEdit* m_pBuddy = nullptr;
    // The buddy as its filter sees it: compared without a cast, also while it is being destroyed.
    QObject* m_pBuddyObject = nullptr;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
};
