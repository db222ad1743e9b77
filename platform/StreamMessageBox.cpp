#include "platform/StreamMessageBox.h"

#include <ostream>

CStreamMessageBox::CStreamMessageBox(std::ostream& out, EMessageAnswer questionAnswer)
    : m_out(out), m_questionAnswer(questionAnswer) {}

EMessageAnswer CStreamMessageBox::Show(const std::string& text, EMessageButtons buttons, EMessageIcon) {
    m_out << text << '\n';
    m_out.flush();
    return buttons == EMessageButtons::Ok ? EMessageAnswer::Ok : m_questionAnswer;
}

void CStreamMessageBox::Notice(const std::string& text) {
    m_out << text << '\n';
    m_out.flush();
}

void CStreamMessageBox::Beep() {}
