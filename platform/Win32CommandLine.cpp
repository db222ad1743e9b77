#include "platform/CommandLine.h"

#include "platform/Win32Text.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    int nCount = 0;
    if (LPWSTR* pWide = ::CommandLineToArgvW(::GetCommandLineW(), &nCount)) {
        for (int i = 0; i < nCount; ++i) {
            arguments.push_back(WideToUtf8(pWide[i]));
        }
        ::LocalFree(pWide);
        return arguments;
    }
    // Without the UTF-16 line the ANSI arguments are all there is.
    for (int i = 0; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return arguments;
}

void UseUtf8Console() {
    ::SetConsoleOutputCP(CP_UTF8);
}
