// Message boxes for the command line: each text goes to a stream, followed by a newline.
#pragma once

#include "platform/MessageBox.h"

#include <iosfwd>

class CStreamMessageBox : public CMessageBox {
public:
    // Questions have nobody to answer them; they get the answer given here.
    explicit CStreamMessageBox(std::ostream& out, EMessageAnswer questionAnswer = EMessageAnswer::No);

    EMessageAnswer Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) override;
    void Notice(const std::string& text) override;
    void Beep() override;

private:
    std::ostream& m_out;
    EMessageAnswer m_questionAnswer;
};
