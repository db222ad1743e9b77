// The repair of a database folder that the charting software or a crash left inconsistent:
// works out what to change, says it, and on request makes the folder whole in one commit
// without losing a bar. MASTER keeps its records (whole ones, counted); EMASTER is rebuilt in
// MASTER's order, keeping its own record (and with it the long name) wherever it describes the
// same security; a damaged XMASTER is set aside and rebuilt from its whole records; an F<n>.MWD
// that no directory file lists gets an XMASTER entry with the symbol F<n>; every entry takes its
// dates from its data file, whose header count follows the whole records it holds (a partial
// record at its end is cut); an entry whose data file is missing goes. Every directory file it
// replaces is kept as "<name>.pelmar-old"; a journal that is not one of this program's is set
// aside as "PELMAR.JNL.pelmar-old". The caller owns the object for one repair and holds the
// folder's lock through it.
#pragma once

#include "metastock/DirectoryFiles.h"
#include "metastock/FolderCommit.h"
#include "metastock/NameIndex.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CFileSystem;
class CMessageBox;
class CFolderLock;

class CFolderRepair {
public:
    CFolderRepair(CFileSystem& fs, CMessageBox& messages, std::filesystem::path folder);
    ~CFolderRepair();
    CFolderRepair(const CFolderRepair&) = delete;
    CFolderRepair& operator=(const CFolderRepair&) = delete;

    // Takes the folder's lock (waiting up to wait), finishes or undoes an interrupted change,
    // reads the folder and works out the repair. False with strError when the folder cannot be
    // locked or read, or when there is no database in it.
    bool Plan(std::string& strError, std::chrono::milliseconds wait = std::chrono::seconds(60));
    // What the repair changes, one line each; empty when the folder needs none.
    const std::vector<std::string>& Changes() const { return m_changes; }
    // Makes the changes, all or nothing. False with strError when it could not (every file
    // is then as before, unless strError says that the journal remains).
    bool Apply(std::string& strError);
    // Warnings of Apply that did not fail it.
    const std::vector<std::string>& Warnings() const { return m_warnings; }

private:
    struct SKept; // a security the repaired folder lists, with what its data file says
    void PlanMaster();
    void PlanEmaster();
    void PlanXmaster();
    void StartXmaster();
    void PlanOrphans();
    // Reads the data file of a security: nullopt when it is missing or holds no header; the
    // change to it (a partial record cut, the count set) staged where it needs one.
    std::optional<SKept> Inspect(const SSecurity& security, const std::string& where);
    std::string Folder() const;

    CFileSystem& m_fs;
    CMessageBox& m_messages;
    std::filesystem::path m_folder;
    std::unique_ptr<CFolderLock> m_pLock;
    CNameIndex m_names;
    CDirectoryFiles m_files;
    std::optional<std::string> m_journalProblem; // a journal to set aside, and why
    std::vector<std::string> m_changes;
    std::string m_strReadError;     // a data file that cannot be read stops the repair
    bool m_bXmasterRebuilt = false; // made anew: its header is new, not mended
    std::vector<std::string> m_warnings;
    SFolderChange m_change;
    // The new directory files, when they change.
    std::optional<std::string> m_master, m_emaster, m_xmaster;
    std::vector<SKept> m_kept;
};
