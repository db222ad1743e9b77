// The data files F<n>.DAT and F<n>.MWD read back: a header record whose bytes 2-3 count the
// records (itself included), then one record of MBF singles per bar, in the fields that
// F<n>.DOP, the directory's field set or the usual set for the field count give.
#pragma once

#include "metastock/Security.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Seven fields and the time.
constexpr int kMaxDataFieldCount = 8;

// The record size of a security's data file, 4 bytes a field; nullopt with strError (naming
// pathText) when the directory gives a field count no data file can have.
std::optional<std::size_t> RecordSizeOf(const SSecurity& security, const std::string& pathText, std::string& strError);

// The bars a data file's header counts, given its first nHeader bytes and its size; nullopt
// with the reason when it ends inside its header or holds fewer bars than it counts.
std::optional<int> CountedBars(const std::string& pathText, const std::uint8_t* pHeader, std::size_t nHeader,
                               std::uint64_t nSize, std::size_t nRecordSize, std::string& strError);

// The fields of a security's records in record order: those dopText names (when it names the
// right number, else a warning naming dopPathText), else the field set's, else the usual set.
std::vector<int> RecordFields(const SSecurity& security, const std::optional<std::string>& dopText,
                              const std::string& dopPathText, std::vector<std::string>& warnings);

// The bars that bytes (a whole data file) count, in fields; nullopt with strError as
// CountedBars says.
std::optional<SSecurityBars> DecodeBars(const std::string& bytes, const SSecurity& security, std::vector<int> fields,
                                        const std::string& pathText, std::string& strError);
