// The write buffer of an open file and what follows from it, shared by the POSIX and the
// Windows files: writes gather in the buffer, every other call flushes it first, and once a
// write is lost every later call that could claim the file was stored fails. The system's own
// calls on the descriptor or handle are the subclass's.
#pragma once

#include "platform/FileSystem.h"

#include <vector>

class CBufferedFile : public CFile {
public:
    std::ptrdiff_t Read(void* pBuffer, std::size_t size) final;
    bool Write(const void* pData, std::size_t size) final;
    bool Seek(std::uint64_t offset) final;
    std::optional<std::uint64_t> Size() final;
    bool Truncate(std::uint64_t size) final;
    bool Sync() final;
    bool Close() final;

protected:
    virtual bool IsOpen() const = 0;
    virtual std::ptrdiff_t ReadRaw(void* pBuffer, std::size_t size) = 0;
    // Writes every byte or fails.
    virtual bool WriteRaw(const char* pData, std::size_t size) = 0;
    virtual bool SeekRaw(std::uint64_t offset) = 0;
    virtual std::optional<std::uint64_t> SizeRaw() = 0;
    virtual bool TruncateRaw(std::uint64_t size) = 0;
    virtual bool SyncRaw() = 0;
    // The descriptor or handle is gone afterwards whatever the result.
    virtual bool CloseRaw() = 0;

    // For the subclass's destructor, which closes quietly.
    bool Flush();

private:
    std::vector<char> m_buffer;
    bool m_bFailed = false;
};
