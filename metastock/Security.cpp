#include "metastock/Security.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

char Periodicity(std::uint8_t byte) {
    return byte != 0 ? static_cast<char>(byte) : 'D';
}

} // namespace

std::uint8_t FieldSetBits(const FieldFlags& fields) {
    static constexpr std::uint8_t kBits[kFieldCount] = {kFieldBitDate,        kFieldBitOpen,  kFieldBitHigh,
                                                        kFieldBitLow,         kFieldBitClose, kFieldBitVolume,
                                                        kFieldBitOpenInterest};
    std::uint8_t bits = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        bits = static_cast<std::uint8_t>(bits | (fields[static_cast<std::size_t>(i)] ? kBits[i] : 0));
    }
    return bits;
}

std::string DataFileName(EDirectoryFile directory, int nFileNumber) {
    return "F" + std::to_string(nFileNumber) + (directory == EDirectoryFile::Master ? ".DAT" : ".MWD");
}

std::string DopFileName(int nFileNumber) {
    return "F" + std::to_string(nFileNumber) + ".DOP";
}

std::optional<int> DataFileNumber(const std::string& name) {
    if (name.size() < 3 || (name[0] != 'F' && name[0] != 'f')) {
        return std::nullopt;
    }
    int n = 0;
    std::size_t i = 1;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        n = std::min(n * 10 + (name[i] - '0'), 1 << 20);
    }
    if (i == 1 || i == name.size() || name[i] != '.') {
        return std::nullopt;
    }
    return n;
}

std::int32_t DateValueFromMbf(const std::uint8_t* p) {
    MbfSingle bytes;
    std::copy(p, p + 4, bytes.begin());
    return static_cast<std::int32_t>(std::lround(std::clamp(DecodeMbf(bytes), -1e9f, 1e9f)));
}

std::int32_t DateValueFromFloat(float value) {
    return std::isfinite(value) ? static_cast<std::int32_t>(std::lround(std::clamp(value, -1e9f, 1e9f))) : 0;
}

MbfSingle DateMbf(std::int32_t nDateValue) {
    return EncodeMbf(static_cast<float>(nDateValue));
}

std::string YmdText(std::int32_t nDateValue) {
    return std::to_string(YmdFromDateValue(nDateValue));
}

SSecurity SecurityFromMaster(const MasterRecord& record, std::size_t nRecord) {
    SSecurity security;
    security.directory = EDirectoryFile::Master;
    security.nRecord = nRecord;
    security.nFileNumber = record[0];
    security.strSymbol = EntrySymbol(record);
    security.strName = EntryNameText(record);
    security.nFieldCount = record[kEntryFieldCountOffset];
    security.cPeriodicity = Periodicity(record[kEntryPeriodicityOffset]);
    security.nInterval = ReadUInt16(record.data() + kEntryIntervalOffset);
    security.nFirstDate = DateValueFromMbf(record.data() + kEntryFirstDateOffset);
    security.nLastDate = DateValueFromMbf(record.data() + kEntryLastDateOffset);
    return security;
}

std::string EmasterSymbol(const EmasterRecord& record) {
    return TrimRight(FieldText(record.data() + kEmasterSymbolOffset, kEmasterSymbolChars));
}

std::string EmasterName(const EmasterRecord& record) {
    if (record[kEmasterLongNameOffset] != 0) {
        return TrimRight(FieldText(record.data() + kEmasterLongNameOffset, kEmasterLongNameChars));
    }
    return TrimRight(FieldText(record.data() + kEmasterNameOffset, kEmasterNameChars));
}

SSecurity SecurityFromEmaster(const EmasterRecord& record, std::size_t nRecord) {
    SSecurity security;
    security.nRecord = nRecord;
    security.nFileNumber = record[kEmasterFileNumberOffset];
    security.strSymbol = EmasterSymbol(record);
    security.strName = EmasterName(record);
    security.nFieldCount = record[kEmasterFieldCountOffset];
    security.nFieldSet = record[kEmasterFieldSetOffset];
    security.cPeriodicity = Periodicity(record[kEmasterPeriodicityOffset]);
    security.nInterval = ReadUInt16(record.data() + kEmasterIntervalOffset);
    security.nFirstDate = DateValueFromFloat(ReadFloat(record.data() + kEmasterFirstDateOffset));
    security.nLastDate = DateValueFromFloat(ReadFloat(record.data() + kEmasterLastDateOffset));
    return security;
}

int XmasterFileNumber(const XmasterRecord& record) {
    return ReadUInt16(record.data() + kXmasterFileNumberOffset);
}

SSecurity SecurityFromXmaster(const XmasterRecord& record, std::size_t nRecord) {
    SSecurity security;
    security.directory = EDirectoryFile::Xmaster;
    security.nRecord = nRecord;
    security.nFileNumber = XmasterFileNumber(record);
    security.strSymbol = TrimRight(FieldText(record.data() + kXmasterSymbolOffset, kXmasterSymbolChars));
    security.strName = TrimRight(FieldText(record.data() + kXmasterNameOffset, kXmasterNameChars + 1));
    security.nFieldSet = record[kXmasterFieldSetOffset];
    security.nFieldCount = std::popcount(security.nFieldSet);
    security.cPeriodicity = Periodicity(record[kXmasterPeriodicityOffset]);
    security.nInterval = ReadUInt16(record.data() + kXmasterIntervalOffset);
    security.nFirstDate = DateValueFromYmd(ReadInt32(record.data() + kXmasterFirstYmdOffset));
    security.nLastDate = DateValueFromYmd(ReadInt32(record.data() + kXmasterLastYmdOffset));
    return security;
}
