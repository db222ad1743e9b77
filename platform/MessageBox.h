// Message boxes and the beep as the conversion steps ask for them. The window program
// shows them with Qt, the command line writes them to stderr, tests record them.
#pragma once

#include <string>

enum class EMessageButtons { Ok, YesNo };
enum class EMessageIcon { None, Information };
enum class EMessageAnswer { Ok, Yes, No };

class CMessageBox {
public:
    virtual ~CMessageBox() = default;

    // Modal: returns once the user has answered. An Ok box always answers Ok.
    virtual EMessageAnswer Show(const std::string& text, EMessageButtons buttons = EMessageButtons::Ok,
                                EMessageIcon icon = EMessageIcon::None) = 0;
    // The system's information beep.
    virtual void Beep() = 0;
};
