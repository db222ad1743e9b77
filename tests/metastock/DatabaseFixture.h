// A real-folder-like database for the tests of CDatabase, built from the layouts: MASTER and
// EMASTER with gaps in their numbers and an intraday security, XMASTER with a gap, data files,
// and a stray file of a deleted security.
#pragma once

#include "metastock/Database.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/MasterBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

// F1 ABC (5 fields, with F1.DOP), F2 with a long name, F4 intraday every 5 minutes; number 3
// gone but f3.dop left on disk; XMASTER F256 and F258, next number 259.
inline FolderFiles RealFolder() {
    const SEntryDesc f1{.nFileNumber = 1, .fFirstDate = 1230103, .fLastDate = 1230105, .nFieldSet = 31};
    const SEntryDesc f2{.nFileNumber = 2, .strSymbol = "LNG", .strName = "LONG NAMED SECURITY HOLDINGS",
                        .fFirstDate = 1230103, .fLastDate = 1230104, .nFieldCount = 4, .nFieldSet = 15};
    const SEntryDesc f4{.nFileNumber = 4, .strSymbol = "IDX", .strName = "FIVE MINUTES", .fFirstDate = 1230103,
                        .fLastDate = 1230103, .nFieldCount = 7, .nTimeFrame = 'I', .nInterval = 5, .nFieldSet = 191};
    const SEntryDesc x256{.nFileNumber = 256, .strSymbol = "X1", .strName = "FIRST EXTRA SECURITY NAME",
                          .fFirstDate = 1230103, .fLastDate = 1230104, .nFieldCount = 6, .nFieldSet = 63};
    SEntryDesc x258 = x256;
    x258.nFileNumber = 258;
    x258.strSymbol = "X2";
    x258.strName = "SECOND";
    return {
        {"MASTER", CMasterBuilder().Security(f1).Security(f2).Security(f4).FileCounter(4).Bytes()},
        {"EMASTER", MakeEmasterBytes({f1, f2, f4})},
        {"XMASTER", MakeXmasterBytes({x256, x258})},
        {"F1.DAT", MakeDataFileBytes(5, {{1230103, 11, 9, 10, 500}, {1230104, 12, 10, 11, 600}, {1230105, 13, 11, 12, 700}})},
        {"F1.DOP", MakeDopText(MakeFieldFlags({kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume}))},
        {"F2.DAT", MakeDataFileBytes(4, {{1230103, 2, 1, 1.5f}, {1230104, 3, 2, 2.5f}})},
        {"F4.DAT", MakeDataFileBytes(7, {{1230103, 93500, 1, 2, 0.5f, 1.5f, 100}, {1230103, 94000, 1.5f, 3, 1, 2.5f, 200}})},
        {"F256.MWD", MakeDataFileBytes(6, {{1230103, 1, 2, 0.5f, 1.5f, 10}, {1230104, 2, 3, 1, 2, 20}})},
        {"F258.MWD", MakeDataFileBytes(6, {{1230103, 5, 6, 4, 5, 30}, {1230104, 6, 7, 5, 6, 40}})},
        {"f3.dop", "\"DATE\",0,0\r\n"},
    };
}

// Bars of the fields that flags switch on, as the data file holds them: bar i dated
// nFirstDate + i, its prices 10 + i.
inline std::vector<std::uint8_t> Records(const std::vector<int>& fields, int nBars, std::int32_t nFirstDate) {
    std::vector<std::uint8_t> records;
    for (int i = 0; i < nBars; ++i) {
        for (int field : fields) {
            const MbfSingle value = EncodeMbf(static_cast<float>(field == kFieldDate ? nFirstDate + i : 10 + i));
            records.insert(records.end(), value.begin(), value.end());
        }
    }
    return records;
}

inline SNewSecurity NewSecurity(const std::string& symbol, const std::string& name, int nBars,
                                const std::vector<int>& fields = {kFieldDate, kFieldHigh, kFieldLow, kFieldClose}) {
    SNewSecurity security{symbol, name, MakeFieldFlags(fields), Records(fields, nBars, 1230103), nBars, 1230103,
                          1230103 + nBars - 1};
    return security;
}

// One line per security: where it is listed, its number, symbol, name, fields, periodicity,
// dates and data file.
inline std::vector<std::string> Describe(const std::vector<SSecurity>& securities) {
    std::vector<std::string> lines;
    for (const SSecurity& s : securities) {
        lines.push_back(std::string(s.directory == EDirectoryFile::Master ? "M " : "X ") +
                        std::to_string(s.nFileNumber) + " " + s.strSymbol + "|" + s.strName + "|" +
                        std::to_string(s.nFieldCount) + s.cPeriodicity + std::to_string(s.nInterval) + "|" +
                        std::to_string(s.nFirstDate) + "-" + std::to_string(s.nLastDate) + "|" + s.strDataFile);
    }
    return lines;
}

class DatabaseTest : public ::testing::Test {
protected:
    // The folder opened for a change; the test fails when it cannot be.
    std::unique_ptr<CDatabase> Open(CFileSystem& fs = GetSystemFileSystem()) {
        auto pDatabase = std::make_unique<CDatabase>(fs, m_messages, m_dir.Path());
        std::string strError;
        EXPECT_TRUE(pDatabase->LockAndRead(strError, std::chrono::seconds(5))) << strError;
        return pDatabase;
    }

    CTempDir m_dir;
    CRecordingMessageBox m_messages;
};
