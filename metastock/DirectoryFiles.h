// The three directory files of one folder in memory, MASTER, EMASTER and XMASTER, with what
// they say is wrong with them and the securities they list. CDatabase owns one for a run,
// changes its records when it stages a change and writes the changed files at its commit.
// EMASTER records are paired with MASTER's by file number, whatever their order.
#pragma once

#include "metastock/DirectoryFile.h"
#include "metastock/NameIndex.h"
#include "metastock/Security.h"

#include <bitset>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CFileSystem;

class CDirectoryFiles {
public:
    static constexpr int kFirstXmasterNumber = 256;
    static constexpr int kLastFileNumber = 65534; // the XMASTER header keeps the next number in 16 bits
    static constexpr int kMaxMasterEntries = 255;
    using UsedNumbers = std::bitset<kLastFileNumber + 2>;

    // Reads the three files as names spells them; false with strError when one that exists
    // cannot be read. Damage is no error: Damage() tells it. A directory file that is a
    // symbolic link is not read and counts as damaged.
    bool Load(CFileSystem& fs, const std::filesystem::path& folder, const CNameIndex& names, std::string& strError);
    // An empty MASTER and EMASTER, to be written at the commit ("Make New Master").
    void StartNew();
    // After a commit: what was written is now what the files hold (bDone), or the change is
    // dropped and the files are as read.
    void Settle(bool bDone, const CNameIndex& names);

    SMasterFile master;
    SEmasterFile emaster;
    SXmasterFile xmaster;

    // One line per problem, each naming its file; MasterDamaged: MASTER or EMASTER has one,
    // which refuses every change; XmasterDamaged: XMASTER has one, which refuses the changes
    // that would touch it.
    const std::vector<std::string>& Damage() const { return m_damage; }
    bool MasterDamaged() const { return m_bMasterDamaged; }
    bool XmasterDamaged() const { return m_bXmasterDamaged; }

    // Every security of MASTER (in record order; "<DIR>" entries left out) then of XMASTER.
    const std::vector<SSecurity>& Securities() const;
    // The first security whose symbol equals symbol, ignoring the case of A to Z.
    std::optional<SSecurity> Find(const std::string& symbol) const;
    // Index of the record that security names: nRecord where it matches, else the first
    // record with its number.
    std::optional<std::size_t> Locate(const SSecurity& security) const;
    // The EMASTER record paired with MASTER record nRecord: the one of the same file number.
    EmasterRecord* Twin(std::size_t nRecord);
    std::optional<std::size_t> TwinIndex(std::size_t nRecord) const;

    // Numbers taken by any directory file's record or any F<n> file on disk; 0 included.
    UsedNumbers Used(const CNameIndex& names) const;
    // The number a new XMASTER security takes: the header's next number where it is free and
    // in range, else the next free one above it, else the lowest free from 256; nullopt when
    // none is left.
    std::optional<int> NewXmasterNumber(const UsedNumbers& used, const CNameIndex& names) const;

    // MASTER's entry count, and its highest file number in use (raised to nNumber, never
    // lowered: a removed number stays taken there), as EMASTER's header repeats them.
    void SetMasterCounts(int nDelta, int nNumber = 0);
    void SetXmasterCount(int nDelta);

    // Record changes, each keeping every directory file that lists the security in step.
    // A new security in MASTER (and EMASTER) under the lowest number used leaves free: its
    // number, or 0 when MASTER is full (255 securities, or no number left).
    int AddToMaster(const SNewSecurity& security, const UsedNumbers& used);
    // A new security in XMASTER (made when missing) under number.
    void AddToXmaster(const SNewSecurity& security, int nNumber);
    // The dates of record nIndex: the last, and the first where nFirstDate is not 0.
    void SetDates(EDirectoryFile directory, std::size_t nIndex, std::int32_t nFirstDate, std::int32_t nLastDate);
    void SetSymbol(EDirectoryFile directory, std::size_t nIndex, const std::string& symbol,
                   const std::optional<std::string>& name);
    // Removes record nIndex (and in MASTER its EMASTER twin at nTwin).
    void RemoveRecord(EDirectoryFile directory, std::size_t nIndex, std::optional<std::size_t> nTwin);

    // Tell the list of securities what a change did to records: one record's fields
    // (Refresh), a record added at the end of its file (Appended), anything else (Reordered).
    void Refresh(EDirectoryFile directory, std::size_t nRecord);
    void Appended(EDirectoryFile directory);
    void Reordered() { m_bStale = true; }
    // The names of data files follow the folder's spelling once more names are known.
    void Respell(const CNameIndex& names);
    // The security that record nRecord of a directory file describes, its data file spelled
    // as on disk.
    SSecurity Describe(EDirectoryFile directory, std::size_t nRecord) const;

private:
    void FindDamage();
    void Rebuild() const;
    void Index(std::size_t nIndex) const;

    const CNameIndex* m_pNames = nullptr;
    std::vector<std::string> m_damage;
    bool m_bMasterDamaged = false;
    bool m_bXmasterDamaged = false;
    // The list of securities and its index by upper-case symbol, rebuilt when stale.
    mutable std::vector<SSecurity> m_securities;
    mutable std::unordered_map<std::string, std::vector<std::size_t>> m_bySymbol;
    mutable bool m_bStale = true;
};
