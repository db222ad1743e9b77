#include "metastock/Records.h"

#include <algorithm>

namespace {

constexpr std::size_t kEntryRecordLengthOffset = 3;
constexpr std::size_t kEntryFieldCountOffset = 4;
constexpr std::size_t kEntryTimeFrameOffset = 33;
constexpr std::size_t kDirectoryMarkOffset = 18; // "<DIR>" at name positions 11 to 15
constexpr std::size_t kDirectoryNameChars = 8;

constexpr const char* kDopNames[kFieldCount] = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};

} // namespace

SMasterHeader SMasterHeader::FromBytes(const MasterRecord& record) {
    SMasterHeader header;
    header.nEntryCount = ReadInt16(record.data());
    header.nFileCounter = ReadInt16(record.data() + 2);
    std::copy(record.begin() + 4, record.end(), header.reserved.begin());
    return header;
}

MasterRecord SMasterHeader::ToBytes() const {
    MasterRecord record{};
    WriteInt16(record.data(), nEntryCount);
    WriteInt16(record.data() + 2, nFileCounter);
    std::copy(reserved.begin(), reserved.end(), record.begin() + 4);
    return record;
}
static_assert(sizeof(SMasterHeader::reserved) + 4 == kMasterRecordSize);

MasterRecord SSecurityEntry::ToBytes() const {
    MasterRecord record{};
    record[0] = nFileNumber;
    record[1] = 0x00;
    record[2] = 0x65;
    record[kEntryRecordLengthOffset] = nRecordLength;
    record[kEntryFieldCountOffset] = nFieldCount;
    const auto name = PadEntryText(strName);
    std::copy(name.begin(), name.end(), record.begin() + kEntryNameOffset);
    std::copy(firstDate.begin(), firstDate.end(), record.begin() + kEntryFirstDateOffset);
    std::copy(lastDate.begin(), lastDate.end(), record.begin() + kEntryLastDateOffset);
    record[kEntryTimeFrameOffset] = 'D';
    const auto symbol = PadEntryText(strSymbol);
    std::copy(symbol.begin(), symbol.end(), record.begin() + kEntrySymbolOffset);
    return record;
}
static_assert(kEntrySymbolOffset + kEntryTextChars + 1 == kMasterRecordSize);

bool IsDirectoryEntry(const MasterRecord& record) {
    static constexpr std::string_view kMark = "<DIR>";
    return record[kEntryNameOffset] != ' ' &&
           std::equal(kMark.begin(), kMark.end(), record.begin() + kDirectoryMarkOffset);
}

std::string DirectoryEntryName(const MasterRecord& record) {
    std::string name(record.begin() + kEntryNameOffset, record.begin() + kEntryNameOffset + kDirectoryNameChars);
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

std::string EntryNameText(const MasterRecord& record) {
    const auto first = record.begin() + kEntryNameOffset;
    const auto end = std::find(first, first + kEntryTextChars, std::uint8_t{0});
    std::string name(first, end);
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

std::string EntrySymbolText(const MasterRecord& record, std::size_t nSpaces) {
    // The field may fill all 16 bytes, so the text runs on to the record's last byte.
    const auto first = record.begin() + kEntrySymbolOffset;
    const auto end = std::find(first, record.end(), std::uint8_t{0});
    std::size_t nSeen = 0;
    for (auto it = first; it != end; ++it) {
        if (*it == ' ' && nSeen++ == nSpaces) {
            return std::string(first, it);
        }
    }
    return std::string(first, end);
}

std::vector<std::uint8_t> MakeDataHeader(int nFieldCount) {
    std::vector<std::uint8_t> header;
    for (int i = 0; i < nFieldCount; ++i) {
        header.insert(header.end(), {0x00, 0x00, 0x01, 0x00});
    }
    return header;
}

const char* DopFieldName(int field) {
    return field >= 0 && field < kFieldCount ? kDopNames[field] : "";
}

std::string MakeDopText(const FieldFlags& fieldOn) {
    std::string text;
    for (int i = 0; i < kFieldCount; ++i) {
        if (fieldOn[static_cast<std::size_t>(i)]) {
            text += '"';
            text += kDopNames[i];
            text += i == kFieldDate ? "\",0,0\r\n" : "\",4,4\r\n";
        }
    }
    return text;
}

std::array<std::uint8_t, kEntryTextChars> PadEntryText(const std::string& text) {
    std::array<std::uint8_t, kEntryTextChars> field;
    field.fill(' ');
    std::copy_n(text.begin(), std::min(text.size(), kEntryTextChars), field.begin());
    return field;
}
