#include "platform/CommandLine.h"
#include "platform/Console.h"
#include "platform/Win32ConsoleBuffer.h"

#include <iostream>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

bool IsStderrTerminal() {
    return CConsoleBuffer::IsConsole(::GetStdHandle(STD_ERROR_HANDLE));
}

// std::cout and std::cerr write through buffers of their own: UTF-16 into a console, so that
// every letter shows whatever the console's code page (which stays the shell's), and UTF-8
// bytes into a file or a pipe. The buffers are never destroyed, since the streams are flushed
// once more after every static object has gone.
void UseUtf8Console() {
    const auto use = [](std::ostream& stream, DWORD nHandle) {
        const HANDLE hOutput = ::GetStdHandle(nHandle);
        if (hOutput != nullptr && hOutput != INVALID_HANDLE_VALUE) {
            stream.flush();
            stream.rdbuf(new CConsoleBuffer(hOutput, CConsoleBuffer::IsConsole(hOutput)));
        }
    };
    use(std::cout, STD_OUTPUT_HANDLE);
    use(std::cerr, STD_ERROR_HANDLE);
}
