#include "tests/support/MasterBuilder.h"

#include "metastock/Mbf.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

void PutText(MasterRecord& record, std::size_t offset, std::size_t width, const std::string& text, char pad) {
    for (std::size_t i = 0; i < width; ++i) {
        record[offset + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : pad);
    }
}

void PutMbf(std::uint8_t* p, float value) {
    const MbfSingle bytes = EncodeMbf(value);
    std::copy(bytes.begin(), bytes.end(), p);
}

void PutBytes(std::string& bytes, std::size_t offset, const std::string& text) {
    bytes.replace(offset, text.size(), text);
}

void PutLe(std::string& bytes, std::size_t offset, std::uint32_t value, int nBytes) {
    for (int i = 0; i < nBytes; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
}

} // namespace

MasterRecord MakeSecurityRecord(const SEntryDesc& desc) {
    MasterRecord record{};
    record[0] = static_cast<std::uint8_t>(desc.nFileNumber);
    record[2] = 0x65;
    record[3] = static_cast<std::uint8_t>(desc.nRecordLength < 0 ? 4 * desc.nFieldCount : desc.nRecordLength);
    record[4] = static_cast<std::uint8_t>(desc.nFieldCount);
    PutText(record, kEntryNameOffset, kEntryTextChars, desc.strName.substr(0, 16), desc.cPad);
    PutMbf(record.data() + kEntryFirstDateOffset, desc.fFirstDate);
    PutMbf(record.data() + kEntryLastDateOffset, desc.fLastDate);
    record[33] = desc.nTimeFrame;
    record[34] = static_cast<std::uint8_t>(desc.nInterval);
    PutText(record, kEntrySymbolOffset, kEntryTextChars, desc.strSymbol, desc.cPad);
    if (desc.strSymbol.size() > kEntryTextChars) {
        record[kMasterRecordSize - 1] = static_cast<std::uint8_t>(desc.strSymbol[kEntryTextChars]);
    }
    return record;
}

MasterRecord MakeDirectoryRecord(std::uint8_t nFileNumber, const std::string& dir) {
    MasterRecord record{};
    record[0] = nFileNumber;
    PutText(record, kEntryNameOffset, kEntryTextChars, dir.substr(0, 8), ' ');
    PutText(record, kEntryNameOffset + 11, 5, "<DIR>", ' ');
    return record;
}

CMasterBuilder& CMasterBuilder::Security(const SEntryDesc& desc) {
    return Record(MakeSecurityRecord(desc));
}

CMasterBuilder& CMasterBuilder::Directory(std::uint8_t nFileNumber, const std::string& dir) {
    return Record(MakeDirectoryRecord(nFileNumber, dir));
}

CMasterBuilder& CMasterBuilder::Record(const MasterRecord& record) {
    m_records.push_back(record);
    return *this;
}

CMasterBuilder& CMasterBuilder::EntryCount(std::int16_t nCount) {
    m_nEntryCount = nCount;
    return *this;
}

CMasterBuilder& CMasterBuilder::FileCounter(std::int16_t nCounter) {
    m_nFileCounter = nCounter;
    return *this;
}

CMasterBuilder& CMasterBuilder::Reserved(std::uint8_t fill) {
    m_nReservedFill = fill;
    return *this;
}

std::string CMasterBuilder::Bytes() const {
    const auto nAdded = static_cast<std::int16_t>(m_records.size());
    SMasterHeader header;
    header.nEntryCount = m_nEntryCount.value_or(nAdded);
    header.nFileCounter = m_nFileCounter.value_or(nAdded);
    header.reserved.fill(m_nReservedFill);
    const MasterRecord headerBytes = header.ToBytes();
    std::string bytes(headerBytes.begin(), headerBytes.end());
    for (const MasterRecord& record : m_records) {
        bytes.append(record.begin(), record.end());
    }
    return bytes;
}

bool CMasterBuilder::Write(const std::filesystem::path& path) const {
    return WriteFile(path, Bytes());
}

std::string MakeEmasterBytes(const std::vector<SEntryDesc>& descs) {
    std::string bytes(192 * (descs.size() + 1), '\0');
    PutLe(bytes, 0, static_cast<std::uint32_t>(descs.size() * 0x10001), 4); // count and highest number
    PutBytes(bytes, 49, "\x12\x34\x56\x78");
    PutBytes(bytes, 53, "Notice text of the charting software");
    for (std::size_t i = 0; i < descs.size(); ++i) {
        const SEntryDesc& desc = descs[i];
        const std::size_t at = 192 * (i + 1);
        PutBytes(bytes, at, "66");
        bytes[at + 2] = static_cast<char>(desc.nFileNumber);
        bytes[at + 6] = static_cast<char>(desc.nFieldCount);
        bytes[at + 7] = static_cast<char>(desc.nFieldSet);
        bytes[at + 9] = ' ';
        PutBytes(bytes, at + 11, desc.strSymbol.substr(0, 14));
        PutBytes(bytes, at + 32, desc.strName.substr(0, 16));
        bytes[at + 60] = static_cast<char>(desc.nTimeFrame);
        PutLe(bytes, at + 62, static_cast<std::uint32_t>(desc.nInterval), 2);
        PutLe(bytes, at + 64, std::bit_cast<std::uint32_t>(desc.fFirstDate), 4); // IEEE singles
        PutLe(bytes, at + 72, std::bit_cast<std::uint32_t>(desc.fLastDate), 4);
        PutLe(bytes, at + 126, static_cast<std::uint32_t>(std::lround(desc.fFirstDate) + 19000000), 4);
        if (desc.strName.size() > 16) {
            PutBytes(bytes, at + 139, desc.strName);
        }
    }
    return bytes;
}

std::string MakeXmasterBytes(const std::vector<SEntryDesc>& descs, int nNextNumber) {
    std::string bytes(150 * (descs.size() + 1), '\0');
    PutBytes(bytes, 0, "\x5D\xFE\x58\x4D\x20\x03\x12\x34\x56\x78");
    PutLe(bytes, 10, static_cast<std::uint32_t>(descs.size()), 2);
    PutLe(bytes, 14, static_cast<std::uint32_t>(descs.size()), 2);
    int nHighest = 255;
    for (const SEntryDesc& desc : descs) {
        nHighest = std::max(nHighest, desc.nFileNumber);
    }
    PutLe(bytes, 18, static_cast<std::uint32_t>(nNextNumber != 0 ? nNextNumber : nHighest + 1), 2);
    PutBytes(bytes, 22, "Notice");
    for (std::size_t i = 0; i < descs.size(); ++i) {
        const SEntryDesc& desc = descs[i];
        const std::size_t at = 150 * (i + 1);
        bytes[at] = 0x01;
        PutBytes(bytes, at + 1, (desc.strSymbol + std::string(1, '\0') + "LEFTOVER").substr(0, 14));
        PutBytes(bytes, at + 16, desc.strName);
        bytes[at + 62] = static_cast<char>(desc.nTimeFrame);
        PutLe(bytes, at + 63, static_cast<std::uint32_t>(desc.nInterval), 2);
        PutLe(bytes, at + 65, static_cast<std::uint32_t>(desc.nFileNumber), 2);
        bytes[at + 70] = static_cast<char>(desc.nFieldSet);
        PutLe(bytes, at + 80, 19800317, 4);
        PutBytes(bytes, at + 84, std::string("\xFD\x20\x2E\x00", 4));
        PutLe(bytes, at + 104, 19000101, 4);
        PutLe(bytes, at + 108, static_cast<std::uint32_t>(std::lround(desc.fFirstDate) + 19000000), 4);
        PutLe(bytes, at + 116, static_cast<std::uint32_t>(std::lround(desc.fLastDate) + 19000000), 4);
    }
    return bytes;
}

std::string MakeDataFileBytes(int nFieldCount, const std::vector<std::vector<float>>& bars,
                              std::optional<std::uint16_t> headerRecordCount) {
    std::vector<std::uint8_t> header = MakeDataHeader(nFieldCount);
    if (header.size() >= kDataHeaderCountOffset + 2) {
        const auto nCount = headerRecordCount.value_or(static_cast<std::uint16_t>(bars.size() + 1));
        WriteInt16(header.data() + kDataHeaderCountOffset, static_cast<std::int16_t>(nCount));
    }
    std::string bytes(header.begin(), header.end());
    for (const std::vector<float>& bar : bars) {
        for (int i = 0; i < nFieldCount; ++i) {
            const MbfSingle value = EncodeMbf(static_cast<std::size_t>(i) < bar.size() ? bar[static_cast<std::size_t>(i)] : 0.0f);
            bytes.append(value.begin(), value.end());
        }
    }
    return bytes;
}

FieldFlags MakeFieldFlags(const std::vector<int>& fields) {
    FieldFlags flags{};
    for (int field : fields) {
        flags[static_cast<std::size_t>(field)] = true;
    }
    return flags;
}
