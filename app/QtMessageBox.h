// The window program's message boxes: modal, captioned "Pelmar", over the window that is
// active when the box is asked for. A question shows the question icon, a box marked as
// information the information icon, every other box (a refusal, a reason) the warning icon.
#pragma once

#include "platform/MessageBox.h"

class CQtMessageBox : public CMessageBox {
public:
    EMessageAnswer Show(const std::string& text, EMessageButtons buttons = EMessageButtons::Ok,
                        EMessageIcon icon = EMessageIcon::None) override;
    // Notices come only from conversion runs, which write them into the log.
    void Notice(const std::string&) override {}
    void Beep() override;
};
