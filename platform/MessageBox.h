// What the program tells the user and asks of them: modal message boxes, a line of notice
// that needs no answer, and the beep. The window program shows them with Qt, the command line
// writes them to stderr, tests record them.
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
    // A line that the user should see but need not answer, such as a wait for another run;
    // it never blocks.
    virtual void Notice(const std::string& text) = 0;
    // The system's information beep.
    virtual void Beep() = 0;
};
