// Operations on a security's data file F<n>.DAT and its field description F<n>.DOP.
#pragma once

#include "metastock/Records.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

class CFileSystem;

// Creates dataFile (replacing a file of that name) holding only the header record.
bool CreateDataFile(CFileSystem& fs, const std::filesystem::path& dataFile, int nFieldCount);
// Creates the field description, one line per field that is on.
bool CreateDopFile(CFileSystem& fs, const std::filesystem::path& dopFile, const FieldFlags& fieldOn);

// Appends one record to the end of dataFile; false unless it was stored whole.
bool AppendDataRecord(CFileSystem& fs, const std::filesystem::path& dataFile, const void* pRecord,
                      std::size_t size);

// Sets the header's record count to nBarCount + 1, copying every whole record of
// nRecordLength bytes through temporary; a trailing part of a record is not carried over.
bool UpdateDataHeaderCount(CFileSystem& fs, const std::filesystem::path& dataFile,
                           const std::filesystem::path& temporary, std::size_t nRecordLength,
                           std::uint16_t nBarCount);
