// The message boxes of one conversion run: the application's own, shown with the ordinary
// pointer while the rest of the program shows the wait cursor, and each text kept so that a
// failed run can write its reasons into the log. Notices go straight into the log.
#pragma once

#include "platform/MessageBox.h"

#include <QStringList>

class CPelmarView;

class CRunMessageBox : public CMessageBox {
public:
    CRunMessageBox(CMessageBox& messages, CPelmarView& log) : m_messages(messages), m_log(log) {}

    EMessageAnswer Show(const std::string& text, EMessageButtons buttons = EMessageButtons::Ok,
                        EMessageIcon icon = EMessageIcon::None) override;
    void Notice(const std::string& text) override;
    void Beep() override;

    // Every text shown, in order.
    const QStringList& Texts() const { return m_texts; }

private:
    CMessageBox& m_messages;
    CPelmarView& m_log;
    QStringList m_texts;
};
