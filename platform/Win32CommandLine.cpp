#include "platform/CommandLine.h"

#include "platform/Win32Text.h"

#include <algorithm>

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

std::vector<std::string> ExpandFileArgument(const std::string& argument) {
    if (argument.find_first_of("*?") == std::string::npos) {
        return {argument};
    }
    // The folder part of the pattern stays as the user wrote it.
    const std::size_t nCut = argument.find_last_of("\\/:");
    const std::string folder = nCut == std::string::npos ? std::string() : argument.substr(0, nCut + 1);
    std::vector<std::string> files;
    WIN32_FIND_DATAW found;
    const HANDLE hFind = ::FindFirstFileW(Utf8ToWide(argument).c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                files.push_back(folder + WideToUtf8(found.cFileName));
            }
        } while (::FindNextFileW(hFind, &found));
        ::FindClose(hFind);
    }
    if (files.empty()) {
        return {argument};
    }
    std::sort(files.begin(), files.end());
    return files;
}
