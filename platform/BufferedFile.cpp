#include "platform/BufferedFile.h"

namespace {

constexpr std::size_t kWriteBufferSize = 64 * 1024;

} // namespace

std::ptrdiff_t CBufferedFile::Read(void* pBuffer, std::size_t size) {
    return IsOpen() && Flush() ? ReadRaw(pBuffer, size) : -1;
}

bool CBufferedFile::Write(const void* pData, std::size_t size) {
    if (!IsOpen() || m_bFailed) {
        return false;
    }
    const char* pBytes = static_cast<const char*>(pData);
    if (size <= kWriteBufferSize - m_buffer.size()) {
        m_buffer.reserve(kWriteBufferSize);
        m_buffer.insert(m_buffer.end(), pBytes, pBytes + size);
        return true;
    }
    if (!Flush()) {
        return false;
    }
    if (size >= kWriteBufferSize) {
        m_bFailed = !WriteRaw(pBytes, size);
        return !m_bFailed;
    }
    m_buffer.assign(pBytes, pBytes + size);
    return true;
}

bool CBufferedFile::Seek(std::uint64_t offset) {
    return IsOpen() && Flush() && SeekRaw(offset);
}

std::optional<std::uint64_t> CBufferedFile::Size() {
    if (!IsOpen() || !Flush()) {
        return std::nullopt;
    }
    return SizeRaw();
}

bool CBufferedFile::Truncate(std::uint64_t size) {
    return IsOpen() && Flush() && TruncateRaw(size);
}

bool CBufferedFile::Sync() {
    return IsOpen() && Flush() && SyncRaw();
}

bool CBufferedFile::Close() {
    if (!IsOpen()) {
        return false;
    }
    const bool bFlushed = Flush();
    // An error on closing may mean that written data never reached the file.
    const bool bClosed = CloseRaw();
    return bFlushed && bClosed;
}

bool CBufferedFile::Flush() {
    if (m_bFailed) {
        return false;
    }
    if (m_buffer.empty()) {
        return true;
    }
    if (!WriteRaw(m_buffer.data(), m_buffer.size())) {
        // Once a write is lost, nothing later may claim that the file was stored.
        m_bFailed = true;
        return false;
    }
    m_buffer.clear();
    return true;
}
