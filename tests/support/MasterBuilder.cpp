#include "tests/support/MasterBuilder.h"

#include "metastock/Mbf.h"
#include "tests/support/TempDir.h"

#include <algorithm>

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

} // namespace

MasterRecord MakeSecurityRecord(const SEntrySpec& spec) {
    MasterRecord record{};
    record[0] = spec.nFileNumber;
    record[2] = 0x65;
    record[3] = static_cast<std::uint8_t>(spec.nRecordLength < 0 ? 4 * spec.nFieldCount : spec.nRecordLength);
    record[4] = static_cast<std::uint8_t>(spec.nFieldCount);
    PutText(record, kEntryNameOffset, kEntryTextChars, spec.strName, spec.cPad);
    PutMbf(record.data() + kEntryFirstDateOffset, spec.fFirstDate);
    PutMbf(record.data() + kEntryLastDateOffset, spec.fLastDate);
    record[33] = spec.nTimeFrame;
    PutText(record, kEntrySymbolOffset, kEntryTextChars, spec.strSymbol, spec.cPad);
    if (spec.strSymbol.size() > kEntryTextChars) {
        record[kMasterRecordSize - 1] = static_cast<std::uint8_t>(spec.strSymbol[kEntryTextChars]);
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

CMasterBuilder& CMasterBuilder::Security(const SEntrySpec& spec) {
    return Record(MakeSecurityRecord(spec));
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
