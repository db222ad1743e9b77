// What the window program asks of the desktop beyond its own windows: opening a mail or web
// address in the user's mail program or browser, and the default beep. The links of the
// About box go through Current(), so tests put a recorder there that succeeds or fails.
#pragma once

#include <QString>

class CDesktop {
public:
    virtual ~CDesktop() = default;

    // The desktop's "open" of a "mailto:" address or a web address. False when no program
    // took it (none set up, a malformed target).
    virtual bool Open(const QString& strTarget) = 0;
    // The default beep.
    virtual void Beep() = 0;

    // The desktop in use: the Qt desktop unless SetCurrent named another.
    static CDesktop& Current();
    // nullptr returns to the Qt desktop. The desktop is not owned.
    static void SetCurrent(CDesktop* pDesktop);
};
