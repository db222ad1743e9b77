// Shared by the reader tests: layouts written as a column map, and files made in memory.
#pragma once

#include "engine/BarReader.h"
#include "engine/Wording.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

// columns names the field of each column from the first: D O H L C V I for the fields, T for a
// time, S for a symbol, anything else for a column that is not read. options: f<N> date
// format (default 2, CCYY_MM_DD), tab, space, semi, dc (decimal comma), rev, dt (date and time
// in one field), i<N> (intraday of N minutes), w, m (weekly, monthly), cur<SIGN>, skip<N>.
inline SInputLayout Layout(std::string_view columns = "DOHLCV", std::string_view options = "") {
    SInputLayout layout;
    layout.dateFormat = EDateFormat::CCYY_MM_DD;
    layout.fieldCol.fill(kNoColumn);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto at = std::string_view("DOHLCVI").find(columns[c]);
        if (at != std::string_view::npos) {
            layout.fieldCol[at] = static_cast<int>(c);
        }
        if (columns[c] == 'S') {
            layout.nSymbolCol = static_cast<int>(c);
        }
        if (columns[c] == 'T') {
            layout.nTimeCol = static_cast<int>(c);
        }
    }
    std::istringstream in{std::string(options)};
    for (std::string option; in >> option;) {
        if (option == "tab" || option == "space" || option == "semi") {
            layout.cDelimiter = option == "tab" ? '\t' : option == "space" ? ' ' : ';';
        } else if (option == "dc") {
            layout.decimalMark = EDecimalMark::Comma;
        } else if (option == "rev") {
            layout.bReverse = true;
        } else if (option == "dt") {
            layout.bDateTime = true;
        } else if (option == "w" || option == "m") {
            layout.period = option == "w" ? EPeriod::Weekly : EPeriod::Monthly;
        } else if (option[0] == 'i') {
            layout.period = EPeriod::Intraday;
            layout.nInterval = std::stoi(option.substr(1));
        } else if (option.rfind("cur", 0) == 0) {
            layout.strCurrency = option.substr(3);
        } else if (option[0] == 'f') {
            layout.dateFormat = static_cast<EDateFormat>(std::stoi(option.substr(1)));
        } else if (option.rfind("skip", 0) == 0) {
            layout.nSkipRows = std::stoi(option.substr(4));
        } else {
            ADD_FAILURE() << "unknown layout option " << option;
        }
    }
    return layout;
}

// A reader of a layout, bad lines left out when bSkipBadLines, messages in the command line's words.
inline CBarReader Reader(const SInputLayout& layout, bool bSkipBadLines = false, bool bKeepLast = false) {
    return CBarReader(layout, SReadOptions{bSkipBadLines, bKeepLast}, CommandLineWording());
}

// A file made as it is read: nFill bytes of cFill, then tail; reads fail from byte nFailAt on.
class CMadeFile : public CFile {
public:
    CMadeFile(std::uint64_t nFill, char cFill, std::string tail, std::uint64_t nFailAt = ~std::uint64_t{0})
        : m_nFill(nFill), m_cFill(cFill), m_tail(std::move(tail)), m_nFailAt(nFailAt) {}
    std::ptrdiff_t Read(void* pBuffer, std::size_t size) override {
        if (m_nPos >= m_nFailAt) {
            return -1;
        }
        const std::uint64_t nTotal = std::min(m_nFill + m_tail.size(), m_nFailAt);
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size, nTotal - m_nPos));
        auto* p = static_cast<char*>(pBuffer);
        for (std::size_t i = 0; i < n;) {
            const std::uint64_t at = m_nPos + i;
            const std::size_t nRun = at < m_nFill ? static_cast<std::size_t>(std::min<std::uint64_t>(n - i, m_nFill - at)) : 1;
            std::memset(p + i, at < m_nFill ? m_cFill : m_tail[at - m_nFill], nRun);
            i += nRun;
        }
        m_nPos += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    bool Write(const void*, std::size_t) override { return false; }
    bool Seek(std::uint64_t) override { return false; }
    std::optional<std::uint64_t> Size() override { return m_nFill + m_tail.size(); }
    bool Sync() override { return false; }
    bool Close() override { return true; }

private:
    std::uint64_t m_nFill;
    char m_cFill;
    std::string m_tail;
    std::uint64_t m_nFailAt;
    std::uint64_t m_nPos = 0;
};

// Opens one made file under any name for reading, and nothing else.
class CMadeFileSystem : public CFileSystem {
public:
    explicit CMadeFileSystem(std::unique_ptr<CFile> pFile) : m_pFile(std::move(pFile)) {}
    std::unique_ptr<CFile> Open(const std::filesystem::path&, EOpenMode mode) override {
        return mode == EOpenMode::Read ? std::move(m_pFile) : nullptr;
    }
    bool RemoveFile(const std::filesystem::path&) override { return false; }
    bool ReplaceFile(const std::filesystem::path&, const std::filesystem::path&) override { return false; }
    bool SyncFiles(const std::vector<std::filesystem::path>&) override { return false; }
    bool SyncDirectory(const std::filesystem::path&) override { return false; }
    SEntryStatus Status(const std::filesystem::path&) override { return {}; }
    std::optional<std::vector<std::string>> ListDirectory(const std::filesystem::path&) override { return {}; }
    std::optional<SFileId> FileId(const std::filesystem::path&) override { return {}; }
    std::unique_ptr<CFileLock> TryLock(const std::filesystem::path&, ELockResult& result) override {
        result = ELockResult::Failed;
        return nullptr;
    }
    std::optional<std::filesystem::path> GetCurrentDirectory() override { return {}; }

private:
    std::unique_ptr<CFile> m_pFile;
};
