// The all-or-nothing change of the files of one database folder, for CDatabase, which holds
// the folder's lock while it runs. Every file is written whole under a temporary name of the
// run, synced, and listed in the journal PELMAR.JNL before the first rename; the journal's
// operations are idempotent, so a run killed anywhere is completed by the next one, and a run
// that fails undoes what it did through a journal of its own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CFileSystem;
class CMessageBox;

// One file that a commit puts in place.
struct SFileWrite {
    std::string strTarget;   // the name in the folder, spelled as on disk where it exists
    std::string bytes;       // the whole new content
    bool bMustBeNew = false; // a file the change creates: refused when one appeared meanwhile
    bool bOptional = false;  // a failure is a warning, not the commit's failure (MASTER.BAK)
};

// One step of a journal: RENAME temporary target, or REMOVE name.
struct SJournalOp {
    bool bRename = false;
    std::string strFrom; // the temporary (RENAME only)
    std::string strTo;   // the target or the name removed
};

class CFolderCommit {
public:
    static constexpr const char* kJournalName = "PELMAR.JNL";

    CFolderCommit(CFileSystem& fs, std::filesystem::path folder);

    // Puts writes in place in their order, then removes removals (names in the folder). False
    // with strError when it could not: every file is then as before unless strError says that
    // the journal remains. Warnings collect what failed without failing the commit.
    bool Run(const std::vector<SFileWrite>& writes, const std::vector<std::string>& removals, std::string& strError,
             std::vector<std::string>& warnings);

    // Completes the journal left in the folder by a run that ended in the middle of a change,
    // then removes the temporaries that dead runs left; each is said through messages' notice.
    // names: the folder's entries. False with strError when the journal cannot be completed.
    bool Recover(const std::vector<std::string>& names, CMessageBox& messages, std::string& strError);

    // "<name>.pelmar-" followed by 8 hexadecimal digits.
    static bool IsTemporaryName(const std::string& name);
    static std::string FormatJournal(const std::vector<SJournalOp>& ops);
    // nullopt unless text is a whole journal whose names are plain names of the folder.
    static std::optional<std::vector<SJournalOp>> ParseJournal(const std::string& text);

private:
    std::filesystem::path PathOf(const std::string& name) const;
    std::string FolderText() const;
    // bSync: synced on its own; else the caller syncs it with others through SyncTemporaries.
    bool WriteTemporary(const std::string& name, const std::string& bytes, bool bSync = true);
    bool SyncTemporaries(const std::vector<std::string>& names);
    // Writes the journal and renames it into place; bPlaced tells whether it replaced the one
    // before (it may then be in place but not yet durable).
    bool PlaceJournal(const std::vector<SJournalOp>& ops, const std::string& token, bool& bPlaced);
    // Runs ops, each only where it still has something to do; then syncs and drops the journal.
    bool Replay(const std::vector<SJournalOp>& ops);
    // What an undo left: nothing, the change itself to be finished, or the undo to be finished.
    enum class EUndo { Undone, ChangeLeft, UndoLeft };
    EUndo Undo(const std::vector<SJournalOp>& ops, const std::vector<bool>& done,
              const std::vector<std::pair<std::string, std::string>>& oldContents);
    void RemoveQuietly(const std::vector<std::string>& names);

    CFileSystem& m_fs;
    std::filesystem::path m_folder;
};
