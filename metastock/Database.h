// One MetaStock database folder as one object: its directory files MASTER, EMASTER and
// XMASTER read whole, its securities listed from all three, and every change (a new
// security, new bars, a removal, a new symbol) staged in memory and committed at once under
// the folder's lock. The caller owns the object for one run; the lock lives as long as it.
//
// A commit writes every new or changed file completely under a temporary name unique to the
// run, syncs it, records the renames in a journal and renames: data files first, then XMASTER,
// EMASTER and MASTER last, so that every entry of every directory file always has its whole
// data file. A failure undoes what was done; a process killed in between leaves the journal,
// and the next change of the folder completes it before it goes on.
#pragma once

#include "metastock/Records.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CFileSystem;
class CMessageBox;
class CFileLock;

// Which directory file lists a security: MASTER (with its twin record in EMASTER where the
// folder has one; data file F<n>.DAT) or XMASTER (data file F<n>.MWD).
enum class EDirectoryFile { Master, Xmaster };

// The field bits of a daily field set (Date, Open, ..., Open interest flags).
std::uint8_t FieldSetBits(const FieldFlags& fields);

// The name of a security's data file: "F<n>.DAT" (MASTER) or "F<n>.MWD" (XMASTER), and of its
// field description "F<n>.DOP".
std::string DataFileName(EDirectoryFile directory, int nFileNumber);
std::string DopFileName(int nFileNumber);

// A security as the directory files list it. Dates are date values,
// (year - 1900) * 10000 + month * 100 + day.
struct SSecurity {
    EDirectoryFile directory = EDirectoryFile::Master;
    std::size_t nRecord = 0;       // index among that file's records, from 0 (after the header)
    int nFileNumber = 0;           // [1, 255] in MASTER, [256, 65534] in XMASTER
    std::string strSymbol;         // Windows-1252 bytes, padding removed
    std::string strName;           // Windows-1252; the whole name where EMASTER or XMASTER holds it
    int nFieldCount = 0;           // fields per data record, the time included
    std::uint8_t nFieldSet = 0;    // field bits; 0 where no EMASTER or XMASTER record says
    char cPeriodicity = 'D';       // 'D' daily, 'I' intraday; other letters as found
    int nInterval = 0;             // minutes, intraday only
    std::int32_t nFirstDate = 0;
    std::int32_t nLastDate = 0;
    std::string strDataFile;       // "F<n>.DAT" or "F<n>.MWD", spelled as on disk where it exists
};

// One bar as read from a data file: the date value, the time as HHMMSS (intraday, else 0) and
// the values of kFieldOpen ... kFieldOpenInterest (index kFieldDate unused; 0 where absent).
struct SBarValues {
    std::int32_t nDate = 0;
    std::int32_t nTime = 0;
    std::array<float, kFieldCount> values{};
};

// A security's bars with the fields its data file holds, in record order.
struct SSecurityBars {
    std::vector<int> fields; // kFieldDate ... and kFieldTime, in record order
    bool bTime = false;      // records hold a time after the date
    std::vector<SBarValues> bars;
    std::vector<std::string> warnings; // an unusable F<n>.DOP, bars beyond the header count
};

// A new daily security as the converter hands it over: its bars already encoded as the data
// file holds them (one MBF single per field that is on, in field order; no header record).
struct SNewSecurity {
    std::string strSymbol;   // Windows-1252, 1 to 14 characters, cleaned
    std::string strName;     // Windows-1252, 0 to 44 characters
    FieldFlags fields{};     // Date and Close on
    std::vector<std::uint8_t> records;
    std::int32_t nBarCount = 0;  // [1, 65534]
    std::int32_t nFirstDate = 0; // date values of the first and the last bar
    std::int32_t nLastDate = 0;
};

// Where a symbol was found in a tree of database folders.
struct SFoundSecurity {
    SSecurity security;
    std::filesystem::path folder;
};

class CDatabase {
public:
    static constexpr int kMaxMasterSecurities = 255;
    static constexpr int kMaxSecurities = 6000;          // MASTER and XMASTER together
    static constexpr std::chrono::seconds kLockWait{60}; // then a run gives up
    // What a change whose symbol is taken already is refused with.
    static constexpr const char* kDuplicateSymbolMessage =
        "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already exists.\n\n"
        "Choose a different symbol or\nrename/delete the existing symbol";

    CDatabase(CFileSystem& fs, CMessageBox& messages, std::filesystem::path folder);
    // Releases the lock; a change never committed leaves nothing behind (its files exist only
    // in memory until Commit).
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Reading without the lock (list, dump, check). False with strError when the folder cannot
    // be listed or a directory file that exists cannot be read; damage is no error here.
    // Staged changes are dropped.
    bool Read(std::string& strError);

    // For a change: takes the folder's lock, waiting up to wait and saying once through the
    // message channel's notice that it waits ("Waiting for another conversion into DIR to
    // finish..."); completes or undoes an interrupted change (saying so); then reads as Read
    // does. False with strError (nothing changed) when the lock cannot be had or the read fails.
    bool LockAndRead(std::string& strError, std::chrono::milliseconds wait = kLockWait);

    const std::filesystem::path& Folder() const { return m_folder; }
    bool HasMaster() const;
    bool HasEmaster() const;
    bool HasXmaster() const;
    // Every security of MASTER (in record order; "<DIR>" entries left out) then of XMASTER,
    // as staged changes leave them.
    const std::vector<SSecurity>& Securities() const;
    // The security of this folder whose symbol equals symbol, ignoring the case of A to Z.
    std::optional<SSecurity> FindSecurity(const std::string& symbol) const;

    // Damage that makes the folder refuse any change, one line each naming the file: a
    // partial record at the end, an entry count that disagrees with the records present, a
    // negative count, an XMASTER without its signature, an EMASTER whose count is not MASTER's.
    const std::vector<std::string>& Damage() const;
    // A change of the folder was interrupted: its journal is there, for the next change to finish.
    bool InterruptedChange() const;

    // Every inconsistency between the three directory files and the data files, one line
    // each (counts, numbers listed twice or missing on disk, data files shorter or longer than
    // their header says, dates that disagree, an interrupted change, leftover temporaries);
    // empty when there is none.
    std::vector<std::string> Check();

    // The bars of a security from its data file; nullopt with strError when the file is
    // missing, ends inside its header, or holds fewer bars than its header counts. The fields
    // come from F<n>.DOP, else from the field set, else the usual set for the field count.
    std::optional<SSecurityBars> ReadBars(const SSecurity& security, std::string& strError);
    // The bars a security's data file counts, from its header alone, with the checks of ReadBars
    // on the file's size (a listing need not read every bar of every security).
    std::optional<int> BarCount(const SSecurity& security, std::string& strError);

    // Changes, staged in memory; nothing is written before Commit. Each needs LockAndRead and
    // an undamaged folder; each returns false with a message and stages nothing when it
    // refuses. A security is named by its directory file and file number (nRecord picks
    // among records that share a number).

    // "Make New Master": an empty MASTER and EMASTER; refused when any of MASTER, EMASTER or
    // XMASTER exists ("New Master chosen but one already exists").
    bool CreateNew(std::string& strError);
    // Adds a security: into MASTER (and EMASTER where there is one) under the lowest free
    // number 1-255, or when MASTER is full and the folder has an EMASTER into XMASTER from
    // 256 up. Returns the security as staged.
    std::optional<SSecurity> AddSecurity(const SNewSecurity& security, std::string& strError);
    // Appends records (encoded as the data file holds them) to a daily security's data file and
    // sets its last date (and its first date when it had no bars); the header count and every
    // directory file that lists it follow. Refused when the data file's size disagrees with its
    // header or the total would pass 65,534 bars.
    bool AppendBars(const SSecurity& security, const std::vector<std::uint8_t>& records, std::int32_t nBarCount,
                    std::int32_t nLastDate, std::string& strError);
    // Removes a security from every directory file that lists it and removes its data files;
    // the others keep their numbers.
    bool DeleteSecurity(const SSecurity& security, std::string& strError);
    // Gives a security a new symbol (cleaned, 1 to 14 characters) and, when given, a new name.
    bool RenameSecurity(const SSecurity& security, const std::string& strNewSymbol,
                        const std::optional<std::string>& newName, std::string& strError);
    // Writes MASTER.BAK with MASTER as it was before the change, as part of the commit; nothing
    // when the folder had no MASTER.
    void KeepMasterBackup();

    // Writes and renames everything staged; nothing is left half done. False with strError
    // when the change could not be made: every file is then as before (or, when even the undo
    // failed, the journal remains for the next change to complete, and strError says so), and
    // the staged changes are dropped. After a success the object holds the folder as it is now
    // and may stage and commit again.
    bool Commit(std::string& strError);

    // Warnings of the last commit that did not fail it (a MASTER.BAK that could not be written,
    // a journal that could not be removed).
    const std::vector<std::string>& Warnings() const;

    // The lock file, the journal and the temporaries' marker inside a database folder.
    static constexpr const char* kLockFileName = "PELMAR.LCK";
    static constexpr const char* kJournalName = "PELMAR.JNL";

private:
    struct SState;
    bool LoadFolder(std::string& strError);
    // The refusal of a change to a security the folder no longer lists.
    std::string NoSuchSecurity(const SSecurity& security) const;
    // The name of a security's data file, as spelled on disk where it exists.
    std::string DataFileOf(const SSecurity& security) const;
    bool RecoverInterruptedChange(std::string& strError);
    bool CheckChangeable(std::string& strError) const;
    void Rebuild();
    CFileSystem& m_fs;
    CMessageBox& m_messages;
    std::filesystem::path m_folder;
    std::unique_ptr<CFileLock> m_pLock;
    std::unique_ptr<SState> m_pState;
};

// The securities of a folder and of every folder reached through MASTER's "<DIR>" entries,
// depth first, each folder once (by its file id), read once for the duplicate check of many
// symbols.
class CSecurityTree {
public:
    CSecurityTree(CFileSystem& fs, const std::filesystem::path& folder);
    // The first security whose symbol or name matches symbol as the duplicate check compares them.
    std::optional<SFoundSecurity> Find(const std::string& symbol) const;

private:
    struct SEntry {
        std::string strSymbolText; // the stored symbol, padding removed
        std::string strNameText;
        SSecurity security;
        std::size_t nFolder = 0;
    };
    std::vector<std::filesystem::path> m_folders;
    std::vector<SEntry> m_entries;
};

// Searches the directory files of folder and of every folder reached through MASTER's
// "<DIR>" entries, depth first, each folder once (by its file id), for a security whose
// symbol or name matches symbol as the duplicate check compares them.
std::optional<SFoundSecurity> FindSecurityInTree(CFileSystem& fs, const std::filesystem::path& folder,
                                                 const std::string& symbol);
