// The all-or-nothing change of the files of one database folder, for CDatabase and
// CFolderRepair, which hold the folder's lock while it runs. The change is written down in the
// journal PELMAR.JNL before any file is touched: new data files are then created under their
// own names, data files that only grow are extended in place, and every other file is written
// whole under a temporary name of the change; once all of it is on the disk the journal is
// marked committed and the renames follow, directory files last with MASTER last of all. A
// run that fails takes back what it did; a run killed anywhere leaves the journal, and the
// next one undoes the change (not yet committed) or completes it (committed).
#pragma once

#include "metastock/Journal.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CFileSystem;
class CMessageBox;

// A file that a commit replaces (or creates) whole, through a temporary and a rename.
struct SFileWrite {
    std::string strTarget;   // the name in the folder, spelled as on disk where it exists
    std::string bytes;       // the whole new content
    bool bMustBeNew = false; // a file the change creates: refused when one appeared meanwhile
    bool bOptional = false;  // a failure is a warning, not the commit's failure (MASTER.BAK)
};

// A data file that no directory entry names yet, created under its own name.
struct SNewFile {
    std::string strName;
    std::string bytes;
};

// A data file that only grows: records appended at its old end, then its header record
// (which holds the count) rewritten.
struct SFileExtension {
    std::string strName;
    std::uint64_t nOldSize = 0; // whole records, the header's included
    std::string header;         // the new header record
    std::string records;        // appended
    std::string oldHeader;      // the header record before, where the caller read it already
};

// Everything one commit does. Writes are put in place in their order.
struct SFolderChange {
    std::vector<SNewFile> creates;
    std::vector<SFileExtension> extensions;
    std::vector<SFileWrite> writes;
    std::vector<std::string> removals; // names in the folder
    bool Empty() const { return creates.empty() && extensions.empty() && writes.empty() && removals.empty(); }
};

class CFolderCommit {
public:
    CFolderCommit(CFileSystem& fs, std::filesystem::path folder);

    // Makes change. False with strError when it could not: every file is then as before
    // unless strError says that the journal remains. Warnings collect what failed without
    // failing the commit (MASTER.BAK, the journal's removal).
    bool Run(const SFolderChange& change, std::string& strError, std::vector<std::string>& warnings);

    // Undoes or completes the change that the journal of the folder records, saying which
    // through messages' notice; true when there is none. False with strError, nothing
    // replayed, when the journal is not one of this program's (or not a plain file), and when
    // its steps cannot be carried out (the journal then remains).
    bool Recover(CMessageBox& messages, std::string& strError);
    // Why the journal of the folder is not one to replay (not one of this program's, not a
    // plain file, unreadable); nullopt when there is none or it is one.
    std::optional<std::string> JournalProblem();

private:
    struct SRun;
    std::filesystem::path PathOf(const std::string& name) const;
    std::string Describe(const std::string& name) const;

    bool Inspect(SRun& run, std::string& strError);
    void Plan(SRun& run) const;
    bool WriteJournal(SRun& run, std::string& strError);
    bool AppendToJournal(const std::string& text);
    bool WriteContents(SRun& run, std::string& strFailure);
    bool Finish(SRun& run, std::string& strFailure);
    // Takes back a change before its commit; false when the journal had to stay.
    bool Abandon(const SRun& run);
    // Takes back a change after its commit, through a second plan; the message of the outcome.
    std::string Revert(SRun& run, const std::string& strFailure);
    bool DropJournal();
    // Reads the journal into journal (bPresent when there is one); the reason not to replay it.
    std::optional<std::string> ReadJournal(SJournalText& journal);
    // The end of a message where the journal stays and may or may not be committed.
    std::string UncertainEnd() const;

    // One step of a plan of token, done only where it still has something to do.
    bool Apply(const SJournalOp& op, const std::string& token, bool bUndo, std::vector<std::string>* pWarnings);
    bool ApplyAll(const std::vector<SJournalOp>& ops, const std::string& token, bool bUndo);
    bool WriteNew(const std::string& name, const std::string& bytes);
    bool SyncAll(const std::vector<std::string>& names);

    CFileSystem& m_fs;
    std::filesystem::path m_folder;
};
