// The stream buffer behind std::cout and std::cerr of a Windows program. The program writes
// UTF-8; a console shows it letter for letter only when it is handed UTF-16 (WriteConsoleW),
// whatever its code page, while a file or a pipe gets the UTF-8 bytes as they are. Windows
// only.
#pragma once

#include <cstddef>
#include <streambuf>

class CConsoleBuffer : public std::streambuf {
public:
    // hOutput: a standard output handle; bConsole: whether it is a console (IsConsole).
    CConsoleBuffer(void* hOutput, bool bConsole);
    ~CConsoleBuffer() override;
    CConsoleBuffer(const CConsoleBuffer&) = delete;
    CConsoleBuffer& operator=(const CConsoleBuffer&) = delete;

    static bool IsConsole(void* hOutput);

protected:
    int_type overflow(int_type c) override;
    int sync() override;

    // Where the text goes: a console, or a file or pipe. False when it could not be written.
    virtual bool WriteWide(const wchar_t* pText, std::size_t nChars);
    virtual bool WriteBytes(const char* pBytes, std::size_t nBytes);

private:
    bool Flush();

    static constexpr std::size_t kBufferBytes = 4096;
    void* m_hOutput;
    bool m_bConsole;
    char m_buffer[kBufferBytes];
};
