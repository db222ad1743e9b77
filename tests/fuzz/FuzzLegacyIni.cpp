// The legacy settings file's parser on any bytes, read as the store reads it.
#include "platform/TextReader.h"
#include "settings/LegacyIniFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class CMemoryFile : public CFile {
public:
    CMemoryFile(const std::uint8_t* pData, std::size_t size) : m_pData(pData), m_size(size) {}
    std::ptrdiff_t Read(void* pBuffer, std::size_t size) override {
        const std::size_t n = std::min(size, m_size - m_pos);
        std::memcpy(pBuffer, m_pData + m_pos, n);
        m_pos += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    bool Write(const void*, std::size_t) override { return false; }
    bool Seek(std::uint64_t offset) override {
        m_pos = std::min<std::size_t>(offset, m_size);
        return true;
    }
    std::optional<std::uint64_t> Size() override { return m_size; }
    bool Sync() override { return true; }
    bool Close() override { return true; }

private:
    const std::uint8_t* m_pData;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

class CCheckingSink : public CLegacyIniSink {
public:
    bool OnSection(const std::string& strSection) override {
        if (strSection.size() > kLegacyIniPieceChars) {
            std::abort();
        }
        return strSection != "stop";
    }
    void OnValue(const std::string&, const std::string& strName, const std::string& strValue) override {
        if (strName.size() + strValue.size() > kLegacyIniPieceChars) {
            std::abort();
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    CTextReader reader(std::make_unique<CMemoryFile>(pData, size));
    CCheckingSink sink;
    ReadLegacyIniFile(reader, sink);
    return 0;
}
