#include "platform/RecordingMessageBox.h"

EMessageAnswer CRecordingMessageBox::Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) {
    m_shown.push_back({text, buttons, icon});
    if (buttons == EMessageButtons::Ok) {
        return EMessageAnswer::Ok;
    }
    if (m_answers.empty()) {
        return EMessageAnswer::No;
    }
    const EMessageAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void CRecordingMessageBox::Notice(const std::string& text) {
    m_notices.push_back(text);
}

void CRecordingMessageBox::Beep() {
    ++m_nBeeps;
}

void CRecordingMessageBox::QueueAnswer(EMessageAnswer answer) {
    m_answers.push_back(answer);
}

std::vector<std::string> CRecordingMessageBox::Texts() const {
    std::vector<std::string> texts;
    texts.reserve(m_shown.size());
    for (const SShown& shown : m_shown) {
        texts.push_back(shown.strText);
    }
    return texts;
}

void CRecordingMessageBox::Clear() {
    m_shown.clear();
    m_answers.clear();
    m_notices.clear();
    m_nBeeps = 0;
}
