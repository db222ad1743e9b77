#include "platform/Console.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

bool IsStderrTerminal() {
    // A console answers GetConsoleMode; a file, a pipe or the NUL device does not.
    DWORD nMode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &nMode) != 0;
}
