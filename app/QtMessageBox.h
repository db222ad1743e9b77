// The window program's message boxes: modal, captioned "Pelmar", over the window that is
// active when the box is asked for.
#pragma once

#include "platform/MessageBox.h"

class CQtMessageBox : public CMessageBox {
public:
    EMessageAnswer Show(const std::string& text, EMessageButtons buttons = EMessageButtons::Ok,
                        EMessageIcon icon = EMessageIcon::None) override;
    void Beep() override;
};
