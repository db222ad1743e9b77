#include "metastock/Records.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kDirectoryMarkOffset = 18;
constexpr std::size_t kDirectoryNameChars = 8;

std::string TextUpToZero(const MasterRecord& record, std::size_t nOffset, std::size_t nMax) {
    std::string text;
    for (std::size_t i = nOffset; i < nOffset + nMax && i < record.size() && record[i] != 0; ++i) {
        text += static_cast<char>(record[i]);
    }
    return text;
}

void TrimTrailingSpaces(std::string& text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
}

} // namespace

SMasterHeader SMasterHeader::FromBytes(const MasterRecord& record) {
    SMasterHeader header;
    header.nEntryCount = ReadInt16(record.data());
    header.nFileCounter = ReadInt16(record.data() + 2);
    std::memcpy(header.reserved.data(), record.data() + 4, header.reserved.size());
    return header;
}

MasterRecord SMasterHeader::ToBytes() const {
    MasterRecord record{};
    WriteInt16(record.data(), nEntryCount);
    WriteInt16(record.data() + 2, nFileCounter);
    std::memcpy(record.data() + 4, reserved.data(), reserved.size());
    return record;
}

MasterRecord SSecurityEntry::ToBytes() const {
    MasterRecord record{};
    record[0] = nFileNumber;
    record[2] = 0x65;
    record[3] = nRecordLength;
    record[4] = nFieldCount;
    const auto name = PadEntryText(strName);
    std::memcpy(record.data() + kEntryNameOffset, name.data(), name.size());
    std::memcpy(record.data() + kEntryFirstDateOffset, firstDate.data(), 4);
    std::memcpy(record.data() + kEntryLastDateOffset, lastDate.data(), 4);
    record[33] = 'D';
    const auto symbol = PadEntryText(strSymbol);
    std::memcpy(record.data() + kEntrySymbolOffset, symbol.data(), symbol.size());
    return record;
}

bool IsDirectoryEntry(const MasterRecord& record) {
    return std::memcmp(record.data() + kDirectoryMarkOffset, "<DIR>", 5) == 0 && record[kEntryNameOffset] != ' ';
}

std::string DirectoryEntryName(const MasterRecord& record) {
    std::string name = TextUpToZero(record, kEntryNameOffset, kDirectoryNameChars);
    TrimTrailingSpaces(name);
    return name;
}

std::string EntryNameText(const MasterRecord& record) {
    std::string name = TextUpToZero(record, kEntryNameOffset, kEntryTextChars);
    TrimTrailingSpaces(name);
    return name;
}

std::string EntrySymbolText(const MasterRecord& record, std::size_t nSpaces) {
    const std::string text = TextUpToZero(record, kEntrySymbolOffset, kMasterRecordSize - kEntrySymbolOffset);
    std::size_t nSeen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && nSeen++ == nSpaces) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::vector<std::uint8_t> MakeDataHeader(int nFieldCount) {
    std::vector<std::uint8_t> header;
    for (int i = 0; i < nFieldCount; ++i) {
        header.insert(header.end(), {0x00, 0x00, 0x01, 0x00});
    }
    return header;
}

std::string MakeDopText(const FieldFlags& fieldOn) {
    static const char* const kNames[kFieldCount] = {"DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI"};
    std::string text;
    for (int i = 0; i < kFieldCount; ++i) {
        if (fieldOn[static_cast<std::size_t>(i)]) {
            text += std::string("\"") + kNames[i] + "\"" + (i == kFieldDate ? ",0,0" : ",4,4") + "\r\n";
        }
    }
    return text;
}

std::array<std::uint8_t, kEntryTextChars> PadEntryText(const std::string& text) {
    std::array<std::uint8_t, kEntryTextChars> field;
    field.fill(' ');
    std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
    return field;
}
