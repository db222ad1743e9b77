#include "metastock/DataFile.h"

#include "platform/FileSystem.h"
#include "platform/ReplacementFile.h"

#include <string>
#include <vector>

namespace {

bool WriteNewFile(CFileSystem& fs, const std::filesystem::path& path, const void* pData, std::size_t size) {
    auto pFile = fs.Open(path, EOpenMode::Create);
    if (!pFile) {
        return false;
    }
    const bool bWritten = pFile->Write(pData, size);
    return pFile->Close() && bWritten;
}

} // namespace

bool CreateDataFile(CFileSystem& fs, const std::filesystem::path& dataFile, int nFieldCount) {
    const std::vector<std::uint8_t> header = MakeDataHeader(nFieldCount);
    return WriteNewFile(fs, dataFile, header.data(), header.size());
}

bool CreateDopFile(CFileSystem& fs, const std::filesystem::path& dopFile, const FieldFlags& fieldOn) {
    const std::string text = MakeDopText(fieldOn);
    return WriteNewFile(fs, dopFile, text.data(), text.size());
}

bool AppendDataRecord(CFileSystem& fs, const std::filesystem::path& dataFile, const void* pRecord, std::size_t size) {
    auto pFile = fs.Open(dataFile, EOpenMode::Append);
    if (!pFile) {
        return false;
    }
    const bool bWritten = pFile->Write(pRecord, size);
    return pFile->Close() && bWritten;
}

bool UpdateDataHeaderCount(CFileSystem& fs, const std::filesystem::path& dataFile,
                           const std::filesystem::path& temporary, std::size_t nRecordLength,
                           std::uint16_t nBarCount) {
    if (nRecordLength < kDataHeaderCountOffset + 2) {
        return false;
    }
    auto pSource = fs.Open(dataFile, EOpenMode::Read);
    if (!pSource) {
        return false;
    }
    std::vector<std::uint8_t> record(nRecordLength);
    if (ReadUpTo(*pSource, record.data(), record.size()) != static_cast<std::ptrdiff_t>(record.size())) {
        return false;
    }
    WriteInt16(record.data() + kDataHeaderCountOffset, static_cast<std::int16_t>(nBarCount + 1));

    CReplacementFile file(fs, temporary, dataFile);
    if (!file.Open() || !file.Write(record.data(), record.size())) {
        return false;
    }
    // Whole records only, copied in blocks rather than one record per call.
    std::vector<std::uint8_t> block(nRecordLength * 2048);
    for (;;) {
        const std::ptrdiff_t n = ReadUpTo(*pSource, block.data(), block.size());
        if (n < 0) {
            return false;
        }
        const std::size_t nWhole = static_cast<std::size_t>(n) / nRecordLength * nRecordLength;
        if (nWhole > 0 && !file.Write(block.data(), nWhole)) {
            return false;
        }
        if (static_cast<std::size_t>(n) < block.size()) {
            break;
        }
    }
    pSource.reset();
    return file.Commit();
}
