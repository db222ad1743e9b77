// One MetaStock database folder as one object: its directory files MASTER, EMASTER and
// XMASTER read whole, its securities listed from all three, and every change (a new
// security, new bars, a removal, a new symbol) staged in memory and committed at once under
// the folder's lock. The caller owns the object for one run; the lock lives as long as it.
//
// The pieces: CNameIndex (the folder's listing), CDirectoryFiles (the directory files in
// memory and their records), CStagedFiles (the data files a change writes), CFolderCheck
// (Check), DataFile.h (bars), CFolderLock, CFolderCommit and CJournal (the commit and the
// recovery of an interrupted one), CSecurityTree (the duplicate check across folders);
// CFolderRepair stands beside CDatabase for folders it refuses to change.
#pragma once

#include "metastock/FolderLock.h"
#include "metastock/Journal.h"
#include "metastock/Security.h"
#include "metastock/SecurityTree.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CFileSystem;
class CMessageBox;
class CNameIndex;
class CDirectoryFiles;

// Why the last change was refused, where a caller words it itself.
enum class ERefusal {
    None,
    SymbolTaken, // the symbol is a symbol or name of this folder (or, for a rename, of one below)
    Other,       // strError says why
};

class CDatabase {
public:
    static constexpr int kMaxMasterSecurities = 255;
    static constexpr int kMaxSecurities = 6000;          // MASTER and XMASTER together
    static constexpr std::chrono::seconds kLockWait{60}; // then a run gives up

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
    // does. False with strError (nothing changed) when the lock cannot be had, the journal
    // of an interrupted change is not one of this program's, or the read fails.
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

    // Damage of the directory files, one line each naming the file: a partial record at the
    // end, an entry count that disagrees with the records present, a negative count, an
    // XMASTER without its signature, an EMASTER whose count is not MASTER's, a directory file
    // that is a symbolic link.
    const std::vector<std::string>& Damage() const;
    // The part of Damage that refuses every change: MASTER's and EMASTER's. A damaged XMASTER
    // alone refuses only the changes that would touch it.
    std::vector<std::string> RefusingDamage() const;
    // A change of the folder was interrupted: its journal is there, for the next change to
    // finish (or, when it is not one of this program's, for a repair to set aside).
    bool InterruptedChange() const;
    // What the journal of an interrupted change means for the folder, in one line; empty
    // when there is none.
    const std::string& PendingChange() const;

    // Every inconsistency between the three directory files and the data files, one line
    // each (counts, numbers listed twice or missing on disk, records only in MASTER or only in
    // EMASTER, data files shorter or longer than their header says, dates that disagree, an
    // out-of-range next number); empty when there is none. While an interrupted change is
    // pending, only that: what it left is no damage.
    std::vector<std::string> Check();

    // The bars of a security from its data file; nullopt with strError when the file is
    // missing, ends inside its header, or holds fewer bars than its header counts. The fields
    // come from F<n>.DOP, else from the field set, else the usual set for the field count.
    std::optional<SSecurityBars> ReadBars(const SSecurity& security, std::string& strError);
    // The bars a security's data file counts, from its header alone, with the checks of ReadBars
    // on the file's size (a listing need not read every bar of every security).
    std::optional<int> BarCount(const SSecurity& security, std::string& strError);

    // Changes, staged in memory; nothing is written before Commit. Each needs LockAndRead and
    // a folder whose directory files it touches are undamaged; each returns false with a
    // message (LastRefusal tells its kind) and stages nothing when it refuses. A security is
    // named by its directory file and file number (nRecord picks among records that share a
    // number).

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
    // The kind of the last refusal of a change (None after one that was staged).
    ERefusal LastRefusal() const;

    // Writes everything staged; nothing is left half done. False with strError when the
    // change could not be made: every file is then as before (or, when even the undo failed,
    // the journal remains for the next change to complete, and strError says so), and the
    // staged changes are dropped. After a success the object holds the folder as it is now
    // and may stage and commit again.
    bool Commit(std::string& strError);

    // Warnings of the last commit that did not fail it (a MASTER.BAK that could not be written,
    // a journal that could not be removed).
    const std::vector<std::string>& Warnings() const;

    // The lock file and the journal inside a database folder.
    static constexpr const char* kLockFileName = CFolderLock::kFileName;
    static constexpr const char* kJournalName = CJournal::kFileName;

    // The folder's listing and directory files as read, for the duplicate check across folders.
    const CNameIndex& Names() const;
    const CDirectoryFiles& DirectoryFiles() const;

private:
    struct SState;
    bool LoadFolder(std::string& strError);
    void ReadJournalState();
    bool Refuse(ERefusal refusal, std::string text, std::string& strError) const;
    // The refusal of a change to a security the folder no longer lists.
    std::string NoSuchSecurity(const SSecurity& security) const;
    // The name of a security's data file, as spelled on disk where it exists.
    std::string DataFileOf(const SSecurity& security) const;
    // bXmaster: the change touches XMASTER.
    bool CheckChangeable(bool bXmaster, std::string& strError) const;
    bool CheckNewSecurity(const SNewSecurity& security, std::string& strError) const;
    // The new security's number in XMASTER; nullopt with strError when it cannot go there.
    std::optional<int> AddToXmaster(const SNewSecurity& security, std::string& strError);

    CFileSystem& m_fs;
    CMessageBox& m_messages;
    std::filesystem::path m_folder;
    std::unique_ptr<CFolderLock> m_pLock;
    std::unique_ptr<SState> m_pState;
};
