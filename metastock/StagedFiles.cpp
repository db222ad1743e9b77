#include "metastock/StagedFiles.h"

#include "metastock/Records.h"
#include "platform/FileSystem.h"
#include "platform/PathLookup.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kMaxDataFileBytes = 64u << 20; // far above 65,535 records of 32 bytes

std::string Upper(std::string text) {
    for (char& c : text) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

void SetCount(std::string& header, int nRecords) {
    WriteInt16(reinterpret_cast<std::uint8_t*>(header.data()) + kDataHeaderCountOffset,
               static_cast<std::int16_t>(nRecords));
}

} // namespace

CStagedFiles::CStagedFiles(CFileSystem& fs, std::filesystem::path folder) : m_fs(fs), m_folder(std::move(folder)) {}

const SNewFile* CStagedFiles::Created(const std::string& name) const {
    const auto it = m_byName.find(Upper(name));
    return it != m_byName.end() && it->second < m_creates.size() && EqualNoCase(m_creates[it->second].strName, name)
               ? &m_creates[it->second]
               : nullptr;
}

const SFileExtension* CStagedFiles::Extended(const std::string& name) const {
    const auto it = m_byName.find(Upper(name));
    return it != m_byName.end() && it->second < m_extensions.size() &&
                   EqualNoCase(m_extensions[it->second].strName, name)
               ? &m_extensions[it->second]
               : nullptr;
}

bool CStagedFiles::Staged(const std::string& name) const {
    return Created(name) != nullptr || Extended(name) != nullptr;
}

void CStagedFiles::Reindex() {
    m_byName.clear();
    for (std::size_t i = 0; i < m_creates.size(); ++i) {
        m_byName[Upper(m_creates[i].strName)] = i;
    }
    for (std::size_t i = 0; i < m_extensions.size(); ++i) {
        m_byName[Upper(m_extensions[i].strName)] = i;
    }
}

void CStagedFiles::Create(std::string name, std::string bytes) {
    m_byName[Upper(name)] = m_creates.size();
    m_creates.push_back({std::move(name), std::move(bytes)});
}

void CStagedFiles::Append(const std::string& name, const SDataFile& file, const std::string& records, int nRecords) {
    if (const SNewFile* pCreated = Created(name)) {
        std::string& bytes = m_creates[static_cast<std::size_t>(pCreated - m_creates.data())].bytes;
        bytes += records;
        SetCount(bytes, nRecords);
    } else if (const SFileExtension* pExtended = Extended(name)) {
        SFileExtension& extension = m_extensions[static_cast<std::size_t>(pExtended - m_extensions.data())];
        extension.records += records;
        SetCount(extension.header, nRecords);
    } else {
        m_byName[Upper(name)] = m_extensions.size();
        m_extensions.push_back({name, file.nSize, file.header, records, file.header});
        SetCount(m_extensions.back().header, nRecords);
    }
}

void CStagedFiles::Remove(std::string nameOnDisk) {
    m_removals.push_back(std::move(nameOnDisk));
}

bool CStagedFiles::Drop(const std::string& name) {
    const bool bCreated = Created(name) != nullptr;
    std::erase_if(m_creates, [&](const SNewFile& file) { return EqualNoCase(file.strName, name); });
    std::erase_if(m_extensions, [&](const SFileExtension& file) { return EqualNoCase(file.strName, name); });
    Reindex();
    return bCreated;
}

void CStagedFiles::Remember(const std::string& name, const std::string& bytes, std::size_t nRecordSize) {
    if (Staged(name) || bytes.size() < nRecordSize) {
        return;
    }
    SDataFile& read = m_read[Upper(name)];
    read.header = bytes.substr(0, nRecordSize);
    read.nSize = bytes.size();
    read.lastRecord = bytes.size() >= 2 * nRecordSize && bytes.size() % nRecordSize == 0
                          ? bytes.substr(bytes.size() - nRecordSize)
                          : std::string();
}

std::optional<CStagedFiles::SDataFile> CStagedFiles::Current(const std::string& name, std::size_t nRecordSize,
                                                             std::string& strError) const {
    SDataFile current;
    if (const SNewFile* pCreated = Created(name)) {
        current.header = pCreated->bytes.substr(0, nRecordSize);
        current.nSize = pCreated->bytes.size();
        if (current.nSize / nRecordSize > 1) {
            current.lastRecord = pCreated->bytes.substr((current.nSize / nRecordSize - 1) * nRecordSize, nRecordSize);
        }
        return current;
    }
    const SFileExtension* pExtended = Extended(name);
    if (pExtended != nullptr && !pExtended->records.empty()) {
        return SDataFile{pExtended->header, pExtended->nOldSize + pExtended->records.size(),
                         pExtended->records.substr(pExtended->records.size() - nRecordSize)};
    }
    if (const auto read = m_read.find(Upper(name)); read != m_read.end() && read->second.header.size() == nRecordSize) {
        return read->second;
    }
    const std::string pathText = PathUtf8(m_folder / Utf8Path(name));
    auto pFile = m_fs.Open(m_folder / Utf8Path(name), EOpenMode::Read);
    const auto size = pFile ? pFile->Size() : std::nullopt;
    current.header.resize(nRecordSize);
    const std::ptrdiff_t nHeader = size ? ReadUpTo(*pFile, current.header.data(), nRecordSize) : -1;
    if (nHeader < 0) {
        strError = pathText + " cannot be read.";
        return std::nullopt;
    }
    current.header.resize(static_cast<std::size_t>(nHeader));
    current.nSize = *size;
    const std::uint64_t nRecords = current.nSize / nRecordSize;
    if (nRecords > 1 && current.nSize % nRecordSize == 0) {
        current.lastRecord.resize(nRecordSize);
        if (!pFile->Seek((nRecords - 1) * nRecordSize) ||
            ReadUpTo(*pFile, current.lastRecord.data(), nRecordSize) != std::ptrdiff_t(nRecordSize)) {
            strError = pathText + " cannot be read.";
            return std::nullopt;
        }
    }
    return current;
}

std::optional<std::string> CStagedFiles::Bytes(const std::string& name, std::string& strError) const {
    if (const SNewFile* pCreated = Created(name)) {
        return pCreated->bytes;
    }
    auto bytes = ReadWholeFile(m_fs, m_folder / Utf8Path(name), kMaxDataFileBytes);
    if (!bytes) {
        strError = PathUtf8(m_folder / Utf8Path(name)) + ": the data file cannot be opened or read.";
        return std::nullopt;
    }
    if (const SFileExtension* pExtended = Extended(name)) {
        bytes->resize(std::min<std::size_t>(bytes->size(), pExtended->nOldSize));
        bytes->replace(0, std::min(bytes->size(), pExtended->header.size()), pExtended->header);
        *bytes += pExtended->records;
    }
    return bytes;
}

void CStagedFiles::MoveTo(SFolderChange& change) {
    change.creates = std::move(m_creates);
    change.extensions = std::move(m_extensions);
    change.removals = std::move(m_removals);
    Clear();
}

void CStagedFiles::Clear() {
    m_creates.clear();
    m_extensions.clear();
    m_removals.clear();
    m_byName.clear();
    m_read.clear();
}
