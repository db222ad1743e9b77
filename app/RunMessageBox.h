// The message boxes of a conversion run: the application's own, shown with the ordinary
// pointer while the rest of the program shows the wait cursor, so that a box asking for an
// answer does not look busy. Lives for one run of the Settings command.
#pragma once

#include "platform/MessageBox.h"

class CRunMessageBox : public CMessageBox {
public:
    explicit CRunMessageBox(CMessageBox& messages) : m_messages(messages) {}

    EMessageAnswer Show(const std::string& text, EMessageButtons buttons = EMessageButtons::Ok,
                        EMessageIcon icon = EMessageIcon::None) override;
    void Beep() override;

private:
    CMessageBox& m_messages;
};
