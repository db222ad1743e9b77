// The steps of a run that prepare and finish the output side: the output directory and its
// MASTER, the duplicate check, the new security, its bars and its final dates and count.

#include "engine/Converter.h"

#include "metastock/DataFile.h"
#include "metastock/MasterFile.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"

#include <cstring>
#include <filesystem>

namespace {

// The full path of the output directory leaves room for the separator and "MASTER" in
// the job's 300-character path buffers.
constexpr std::size_t kMaxOutputDirChars = CConverter::kPathChars - (sizeof "/MASTER" - 1);

const char kFullMessage[] =
    "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new portfolio.";

} // namespace

std::string CConverter::DataFilePath(std::uint8_t nFileNumber, const char* pszExtension) const {
    return EntryPathNoCase(m_szOutputDir, "F" + std::to_string(nFileNumber) + pszExtension).string();
}

int CConverter::CheckMasterPath() {
    const auto previous = m_fs.GetCurrentDirectory();
    const auto resolved = m_szOutputDir.empty() ? std::nullopt : ResolvePathNoCase(m_szOutputDir);
    if (!resolved || !m_fs.SetCurrentDirectory(*resolved)) {
        m_messages.Show("Path does not exist");
        return 1;
    }
    const auto full = m_fs.GetCurrentDirectory();
    if (!full) {
        if (previous) {
            m_fs.SetCurrentDirectory(*previous);
        }
        m_messages.Show("Path does not exist");
        return 1;
    }
    const std::string strFull = full->string();
    if (strFull.size() > kMaxOutputDirChars) {
        if (previous) {
            m_fs.SetCurrentDirectory(*previous);
        }
        m_messages.Show("The full path of the output directory is too long:\n" + strFull + "\n\nIt may have at most " +
                        std::to_string(kMaxOutputDirChars) + " characters.");
        return 1;
    }
    m_szOutputDir = strFull;
    m_szMasterPath = EntryPathNoCase(*full, "MASTER").string();

    if (m_bUseExistingMaster != 0) {
        if (m_fs.Open(m_szMasterPath, EOpenMode::Read)) {
            return 0;
        }
        m_messages.Show("Path specified does not point to a Master file");
        return 1;
    }
    // A MASTER that exists but cannot be read is still there: never replace it.
    if (FindEntryNoCase(*full, "MASTER") || m_fs.Open(m_szMasterPath, EOpenMode::Read)) {
        m_messages.Show("New Master chosen but one already exists");
        return 1;
    }
    if (CreateEmptyMaster(m_fs, m_szMasterPath, m_szMasterPath + ".~NU")) {
        return 0;
    }
    // A read-only directory or a full disk would otherwise end the run without a word.
    m_messages.Show("A new MASTER could not be written in\n" + m_szOutputDir);
    return 1;
}

int CConverter::CheckDuplicateSymbol() {
    if (m_bUseExistingMaster == 0) {
        return 0;
    }
    MasterRecord entry;
    std::string strDir;
    if (FindSecurity(m_szOutputDir, m_szSymbol, entry, strDir) == kFindFound) {
        m_messages.Show(
            "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already exists.\n\n"
            "Choose a different symbol or\nrename/delete the existing symbol");
        return 1;
    }
    return 0;
}

int CConverter::AddSecurity() {
    if (m_nFieldCount < 2 || m_nFieldCount > kFieldCount) {
        return 1;
    }
    SSecurityEntry entry;
    entry.nRecordLength = static_cast<std::uint8_t>(4 * m_nFieldCount);
    entry.nFieldCount = static_cast<std::uint8_t>(m_nFieldCount);
    entry.strName = m_szName;
    entry.strSymbol = m_szSymbol;
    entry.firstDate = TodayDateValue();
    entry.lastDate = entry.firstDate;

    FieldFlags fieldOn{};
    for (int i = 0; i < kFieldCount; ++i) {
        fieldOn[i] = m_bFieldOn[i] != 0;
    }
    // The data files are made before the new MASTER is put in place, so that no entry is
    // ever without its files, even when the program is killed in between.
    bool bFilesMade = false;
    std::uint8_t nMade = 0;
    const auto makeFiles = [&](std::uint8_t nFileNumber) {
        nMade = nFileNumber;
        bFilesMade = true;
        return CreateDataFile(m_fs, DataFilePath(nFileNumber, ".DAT"), m_nFieldCount) &&
               CreateDopFile(m_fs, DataFilePath(nFileNumber, ".DOP"), fieldOn);
    };
    const SAddResult added = AppendSecurityEntry(m_fs, m_szMasterPath, m_szMasterPath + ".~NU", entry, makeFiles);
    if (added.status == EAddStatus::Full || added.status == EAddStatus::NoFreeNumber) {
        m_messages.Show(kFullMessage);
        return 1;
    }
    if (added.status != EAddStatus::Added) {
        if (bFilesMade) {
            // No record names them: leave nothing behind.
            m_fs.RemoveFile(DataFilePath(nMade, ".DAT"));
            m_fs.RemoveFile(DataFilePath(nMade, ".DOP"));
        }
        m_messages.Show("The new security could not be written to the database in\n" + m_szOutputDir +
                        "\n\nMASTER is unchanged.");
        return 1;
    }
    m_nNewFileNumber = added.nFileNumber;
    return 0;
}

std::int16_t CConverter::FindSecurity(const std::string& root, const std::string& symbol, MasterRecord& entry,
                                      std::string& dir) {
    return SearchMasterTree(m_fs, root, symbol, entry, dir);
}

bool CConverter::AppendBar(std::uint8_t nFileNumber) {
    if (m_strAppendPath.empty() || m_nAppendFileNumber != nFileNumber) {
        m_strAppendPath = DataFilePath(nFileNumber, ".DAT");
        m_nAppendFileNumber = nFileNumber;
    }
    std::uint8_t record[4 * kFieldCount];
    std::size_t nSize = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        if (m_bFieldOn[i] != 0) {
            std::memcpy(record + nSize, &m_fValues[i], 4);
            nSize += 4;
        }
    }
    return AppendDataRecord(m_fs, m_strAppendPath, record, nSize);
}

int CConverter::UpdateMasterDates(const MbfSingle& firstDate, const MbfSingle& lastDate, std::uint8_t nFileNumber) {
    return UpdateEntryDates(m_fs, m_szMasterPath, m_szMasterPath + ".NEW", nFileNumber, firstDate, lastDate) ? 0 : 1;
}

int CConverter::UpdateDataHeader(std::uint16_t nBarCount, std::uint8_t nFileNumber) {
    const std::string strTemporary = DataFilePath(nFileNumber, ".NEW");
    const auto nRecordLength = static_cast<std::size_t>(4 * m_nFieldCount);
    return UpdateDataHeaderCount(m_fs, DataFilePath(nFileNumber, ".DAT"), strTemporary, nRecordLength, nBarCount) ? 0
                                                                                                                 : 1;
}
