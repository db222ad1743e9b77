#include "metastock/DataFile.h"

#include <algorithm>

std::optional<std::size_t> RecordSizeOf(const SSecurity& security, const std::string& pathText, std::string& strError) {
    if (security.nFieldCount < 2 || security.nFieldCount > kMaxDataFieldCount) {
        strError = pathText + ": the directory gives " + std::to_string(security.nFieldCount) +
                   " fields, not 2 to 8; its records cannot be read.";
        return std::nullopt;
    }
    return 4 * static_cast<std::size_t>(security.nFieldCount);
}

std::optional<int> CountedBars(const std::string& pathText, const std::uint8_t* pHeader, std::size_t nHeader,
                               std::uint64_t nSize, std::size_t nRecordSize, std::string& strError) {
    if (nHeader < nRecordSize) {
        strError = pathText + ": the file ends inside its header (" + std::to_string(nHeader) + " of " +
                   std::to_string(nRecordSize) + " bytes).";
        return std::nullopt;
    }
    const int nRecords = ReadUInt16(pHeader + kDataHeaderCountOffset);
    const std::uint64_t nStored = nSize / nRecordSize - 1;
    if (nRecords == 0 || nStored < static_cast<std::uint64_t>(nRecords - 1)) {
        strError = pathText + ": the header counts " + std::to_string(nRecords - 1) + " bars but the file holds " +
                   std::to_string(nStored) + ".";
        return std::nullopt;
    }
    return nRecords - 1;
}

std::vector<int> RecordFields(const SSecurity& security, const std::optional<std::string>& dopText,
                              const std::string& dopPathText, std::vector<std::string>& warnings) {
    if (dopText) {
        if (auto fields = ParseDopText(*dopText, security.nFieldCount)) {
            return std::move(*fields);
        }
        warnings.push_back(dopPathText + ": it does not name " + std::to_string(security.nFieldCount) +
                           " distinct known fields; it is not used.");
    }
    auto fields = FieldsFromSet(security.nFieldSet);
    if (static_cast<int>(fields.size()) == security.nFieldCount) {
        return fields;
    }
    return StandardFields(security.nFieldCount, security.cPeriodicity == 'I');
}

std::optional<SSecurityBars> DecodeBars(const std::string& bytes, const SSecurity& security, std::vector<int> fields,
                                        const std::string& pathText, std::string& strError) {
    const auto nRecordSize = RecordSizeOf(security, pathText, strError);
    if (!nRecordSize) {
        return std::nullopt;
    }
    const auto* pBytes = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto nCounted = CountedBars(pathText, pBytes, bytes.size(), bytes.size(), *nRecordSize, strError);
    if (!nCounted) {
        return std::nullopt;
    }
    if (fields.empty()) {
        strError = pathText + ": no field layout is known for " + std::to_string(security.nFieldCount) + " fields.";
        return std::nullopt;
    }
    SSecurityBars bars;
    bars.fields = std::move(fields);
    bars.bTime = std::find(bars.fields.begin(), bars.fields.end(), kFieldTime) != bars.fields.end();
    const std::uint64_t nStored = bytes.size() / *nRecordSize - 1;
    if (nStored > static_cast<std::uint64_t>(*nCounted)) {
        bars.warnings.push_back(pathText + ": the file holds " + std::to_string(nStored) +
                                " bars but its header counts " + std::to_string(*nCounted) +
                                "; only the counted bars are read.");
    }
    const std::uint8_t* pData = pBytes + *nRecordSize;
    bars.bars.resize(static_cast<std::size_t>(*nCounted));
    for (std::size_t i = 0; i < bars.bars.size(); ++i) {
        SBarValues& bar = bars.bars[i];
        for (std::size_t f = 0; f < bars.fields.size(); ++f) {
            const std::uint8_t* p = pData + i * *nRecordSize + 4 * f;
            const int field = bars.fields[f];
            if (field == kFieldDate) {
                bar.nDate = DateValueFromMbf(p);
            } else if (field == kFieldTime) {
                bar.nTime = DateValueFromMbf(p);
            } else {
                MbfSingle value;
                std::copy(p, p + 4, value.begin());
                bar.values[static_cast<std::size_t>(field)] = DecodeMbf(value);
            }
        }
    }
    return bars;
}
