// Message boxes for tests: keeps every text shown and answers questions from a script,
// so that no test ever waits on a modal dialog.
#pragma once

#include "platform/MessageBox.h"

#include <deque>
#include <string>
#include <vector>

class CRecordingMessageBox : public CMessageBox {
public:
    struct SShown {
        std::string strText;
        EMessageButtons buttons;
        EMessageIcon icon;
    };

    EMessageAnswer Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) override;
    void Notice(const std::string& text) override;
    void Beep() override;

    // Answers for the next questions, in order; a question with no scripted answer gets No.
    void QueueAnswer(EMessageAnswer answer);

    const std::vector<SShown>& Shown() const { return m_shown; }
    std::vector<std::string> Texts() const;
    const std::vector<std::string>& Notices() const { return m_notices; }
    int BeepCount() const { return m_nBeeps; }
    void Clear();

private:
    std::vector<SShown> m_shown;
    std::deque<EMessageAnswer> m_answers;
    std::vector<std::string> m_notices;
    int m_nBeeps = 0;
};
