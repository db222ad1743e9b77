#include "metastock/Records.h"

#include <algorithm>
#include <bitset>

namespace {

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
    record[kEntryPeriodicityOffset] = static_cast<std::uint8_t>(cPeriodicity);
    WriteInt16(record.data() + kEntryIntervalOffset, static_cast<std::int16_t>(nInterval));
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
    return field >= 0 && field < kFieldCount ? kDopNames[field] : field == kFieldTime ? "TIME" : "";
}

std::string MakeDopText(const FieldFlags& fieldOn, bool bTime) {
    std::string text;
    for (int i = 0; i < kFieldCount; ++i) {
        if (fieldOn[static_cast<std::size_t>(i)]) {
            text += '"';
            text += kDopNames[i];
            text += i == kFieldDate ? "\",0,0\r\n" : "\",4,4\r\n";
        }
        if (i == kFieldDate && bTime) {
            text += "\"TIME\",0,0\r\n";
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

std::string EntrySymbol(const MasterRecord& record) {
    // Other software keeps a space at 50 and a flag at 51; earlier versions of this program
    // let a long symbol run on over both.
    const std::uint8_t next = record[kEntrySymbolOffset + kEntryShortSymbolChars];
    const std::size_t nWidth = next != ' ' && next != 0 ? kEntryTextChars : kEntryShortSymbolChars;
    const auto first = record.begin() + kEntrySymbolOffset;
    std::string symbol(first, std::find(first, first + nWidth, std::uint8_t{0}));
    symbol.erase(symbol.find_last_not_of(' ') + 1);
    return symbol;
}

std::string FieldText(const std::uint8_t* p, std::size_t nWidth) {
    return std::string(p, std::find(p, p + nWidth, std::uint8_t{0}));
}

void PutFieldText(std::uint8_t* p, std::size_t nWidth, const std::string& text) {
    const std::size_t n = std::min(text.size(), nWidth);
    std::copy_n(text.begin(), n, p);
    std::fill(p + n, p + nWidth, std::uint8_t{0});
}

EmasterRecord SExtendedEntry::ToEmaster() const {
    EmasterRecord record{};
    record[kEmasterMarkOffset] = '6';
    record[kEmasterMarkOffset + 1] = '6';
    record[kEmasterFileNumberOffset] = static_cast<std::uint8_t>(nFileNumber);
    record[kEmasterFieldCountOffset] = static_cast<std::uint8_t>(nFieldCount);
    record[kEmasterFieldSetOffset] = nFieldSet;
    record[kEmasterFlagOffset] = ' ';
    PutFieldText(record.data() + kEmasterSymbolOffset, kEmasterSymbolChars, strSymbol);
    PutFieldText(record.data() + kEmasterNameOffset, kEmasterNameChars, strName);
    record[kEmasterPeriodicityOffset] = static_cast<std::uint8_t>(cPeriodicity);
    WriteInt16(record.data() + kEmasterIntervalOffset, static_cast<std::int16_t>(nInterval));
    WriteFloat(record.data() + kEmasterFirstDateOffset, static_cast<float>(nFirstDate));
    WriteFloat(record.data() + kEmasterLastDateOffset, static_cast<float>(nLastDate));
    if (cPeriodicity == 'I') {
        WriteFloat(record.data() + kEmasterFirstTimeOffset, static_cast<float>(nFirstTime));
        WriteFloat(record.data() + kEmasterLastTimeOffset, static_cast<float>(nLastTime));
    }
    WriteInt32(record.data() + kEmasterFirstYmdOffset, YmdFromDateValue(nFirstDate));
    if (strName.size() > kEmasterNameChars) {
        PutFieldText(record.data() + kEmasterLongNameOffset, kEmasterLongNameChars, strName);
    }
    return record;
}

XmasterRecord SExtendedEntry::ToXmaster() const {
    static constexpr std::uint8_t kConstants[8] = {0xFD, 0x20, 0x2E, 0x01,
                                                   0xFD, 0x20, 0x2E, 0x00}; // 19800317, FD 20 2E 00
    XmasterRecord record{};
    record[0] = 0x01;
    PutFieldText(record.data() + kXmasterSymbolOffset, kXmasterSymbolChars, strSymbol);
    PutFieldText(record.data() + kXmasterNameOffset, kXmasterNameChars, strName);
    record[kXmasterPeriodicityOffset] = static_cast<std::uint8_t>(cPeriodicity);
    WriteInt16(record.data() + kXmasterIntervalOffset, static_cast<std::int16_t>(nInterval));
    WriteInt16(record.data() + kXmasterFileNumberOffset, static_cast<std::int16_t>(nFileNumber));
    record[kXmasterFieldSetOffset] = nFieldSet;
    std::copy(std::begin(kConstants), std::end(kConstants), record.begin() + kXmasterConstantsOffset);
    WriteInt32(record.data() + kXmasterStartYmdOffset, YmdFromDateValue(nFirstDate));
    WriteInt32(record.data() + kXmasterFirstYmdOffset, YmdFromDateValue(nFirstDate));
    WriteInt32(record.data() + kXmasterLastYmdOffset, YmdFromDateValue(nLastDate));
    if (cPeriodicity == 'I') {
        WriteInt32(record.data() + kXmasterFirstTimeOffset, nFirstTime);
        WriteInt32(record.data() + kXmasterLastTimeOffset, nLastTime);
    }
    return record;
}

std::vector<int> FieldsFromSet(std::uint8_t nFieldSet) {
    // Record order Date, Time, Open, High, Low, Close, Volume, Open interest; the bits differ.
    static constexpr std::pair<int, std::uint8_t> kOrder[] = {
        {kFieldDate, kFieldBitDate},     {kFieldTime, kFieldBitTime},
        {kFieldOpen, kFieldBitOpen},     {kFieldHigh, kFieldBitHigh},
        {kFieldLow, kFieldBitLow},       {kFieldClose, kFieldBitClose},
        {kFieldVolume, kFieldBitVolume}, {kFieldOpenInterest, kFieldBitOpenInterest}};
    std::vector<int> fields;
    for (const auto& [field, bit] : kOrder) {
        if ((nFieldSet & bit) != 0) {
            fields.push_back(field);
        }
    }
    return fields;
}

std::vector<int> StandardFields(int nFieldCount, bool bTime) {
    if (bTime) {
        std::vector<int> fields = StandardFields(nFieldCount - 1);
        if (!fields.empty()) {
            fields.insert(fields.begin() + 1, kFieldTime);
        }
        return fields;
    }
    switch (nFieldCount) {
    case 2:
        return {kFieldDate, kFieldClose};
    case 3:
        return {kFieldDate, kFieldClose, kFieldVolume};
    case 4:
        return {kFieldDate, kFieldHigh, kFieldLow, kFieldClose};
    case 5:
        return {kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
    case 6:
        return {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
    case 7:
        return {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume, kFieldOpenInterest};
    default:
        return {};
    }
}

std::optional<std::vector<int>> ParseDopText(const std::string& text, int nFieldCount) {
    std::vector<int> fields;
    std::bitset<kFieldTime + 1> seen;
    std::size_t nStart = 0;
    while (nStart < text.size()) {
        std::size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos) {
            nEnd = text.size();
        }
        std::string line = text.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        // "NAME",x,y: only the name tells the field.
        const std::size_t nClose = line.find('"', 1);
        if (line[0] != '"' || nClose == std::string::npos) {
            return std::nullopt;
        }
        std::string name = line.substr(1, nClose - 1);
        for (char& c : name) {
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        int field = 0;
        while (field <= kFieldTime && name != DopFieldName(field)) {
            ++field;
        }
        if (field > kFieldTime || seen.test(static_cast<std::size_t>(field))) {
            return std::nullopt;
        }
        seen.set(static_cast<std::size_t>(field));
        fields.push_back(field);
    }
    if (static_cast<int>(fields.size()) != nFieldCount || !seen.test(kFieldDate)) {
        return std::nullopt;
    }
    return fields;
}
