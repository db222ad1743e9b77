#include "metastock/FolderCommit.h"

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"

#include <algorithm>
#include <optional>

namespace {

// Old contents are held in memory for the undo; no file of a database folder is larger.
constexpr std::uint64_t kMaxOldBytes = 64u << 20;
constexpr std::uint64_t kMaxJournalBytes = 64u << 20;

// A backup: a change goes ahead without it.
bool IsOptional(const std::string& name) {
    return EqualNoCase(name, "MASTER.BAK");
}

const char* Problem(const SEntryStatus& status) {
    return status.kind != EEntryKind::File ? " is not a regular file" : status.bReadOnly ? " is read-only" : nullptr;
}

} // namespace

// What one Run knows and has done.
struct CFolderCommit::SRun {
    const SFolderChange& change;
    std::vector<std::string>& warnings;
    std::vector<const SFileWrite*> writes; // those to be written (an optional one may be dropped)
    std::vector<std::string> removals;     // those present
    std::vector<std::pair<std::string, std::optional<std::string>>> old; // each write's and removal's old bytes
    std::vector<std::string> oldHeaders;                                 // each extension's header record before
    std::vector<std::string> temporaries;                                // the plan's, one per write
    SJournalPlan plan;
    std::string journal;    // the text in PELMAR.JNL
    std::vector<bool> done; // each redo step carried out

    const std::optional<std::string>* OldBytes(const std::string& name) const {
        const auto it = std::find_if(old.begin(), old.end(), [&](const auto& entry) { return entry.first == name; });
        return it == old.end() ? nullptr : &it->second;
    }
};

CFolderCommit::CFolderCommit(CFileSystem& fs, std::filesystem::path folder) : m_fs(fs), m_folder(std::move(folder)) {}

std::filesystem::path CFolderCommit::PathOf(const std::string& name) const {
    return m_folder / Utf8Path(name);
}

std::string CFolderCommit::Describe(const std::string& name) const {
    return PathUtf8(PathOf(name));
}

bool CFolderCommit::Inspect(SRun& run, std::string& strError) {
    for (const SFileWrite& write : run.change.writes) {
        const SEntryStatus status = m_fs.Status(PathOf(write.strTarget));
        const char* pszProblem = status.kind == EEntryKind::Missing ? nullptr
                                 : write.bMustBeNew                 ? " appeared while this change was being prepared"
                                                                    : Problem(status);
        std::optional<std::string> bytes;
        if (pszProblem == nullptr && status.kind != EEntryKind::Missing) {
            bytes = ReadWholeFile(m_fs, PathOf(write.strTarget), kMaxOldBytes);
            pszProblem = bytes ? nullptr : " cannot be read";
        }
        if (pszProblem != nullptr && write.bOptional) {
            run.warnings.push_back(Describe(write.strTarget) + pszProblem + "; it was not written.");
            continue;
        }
        if (pszProblem != nullptr) {
            strError = Describe(write.strTarget) + pszProblem + "; nothing was changed.";
            return false;
        }
        run.writes.push_back(&write);
        run.old.emplace_back(write.strTarget, std::move(bytes));
    }
    for (const SNewFile& file : run.change.creates) {
        if (m_fs.Status(PathOf(file.strName)).kind != EEntryKind::Missing) {
            strError = Describe(file.strName) + " appeared while this change was being prepared; nothing was changed.";
            return false;
        }
    }
    for (const SFileExtension& extension : run.change.extensions) {
        const SEntryStatus status = m_fs.Status(PathOf(extension.strName));
        const char* pszProblem = status.bLink                         ? " is a symbolic link"
                                 : Problem(status)                    ? Problem(status)
                                 : status.nSize != extension.nOldSize ? " changed while this change was being prepared"
                                                                      : nullptr;
        std::string header = extension.oldHeader;
        if (pszProblem == nullptr && header.size() != extension.header.size()) {
            header.assign(extension.header.size(), '\0');
            auto pFile = m_fs.Open(PathOf(extension.strName), EOpenMode::ReadNoLink);
            if (!pFile || ReadUpTo(*pFile, header.data(), header.size()) != std::ptrdiff_t(header.size())) {
                pszProblem = " cannot be read";
            }
        }
        if (pszProblem != nullptr) {
            strError = Describe(extension.strName) + pszProblem + "; nothing was changed.";
            return false;
        }
        run.oldHeaders.push_back(std::move(header));
    }
    for (const std::string& name : run.change.removals) {
        const SEntryStatus status = m_fs.Status(PathOf(name));
        if (status.kind == EEntryKind::Missing) {
            continue;
        }
        auto bytes = Problem(status) ? std::nullopt : ReadWholeFile(m_fs, PathOf(name), kMaxOldBytes);
        if (!bytes) {
            strError =
                Describe(name) + (Problem(status) ? Problem(status) : " cannot be read") + "; nothing was changed.";
            return false;
        }
        run.removals.push_back(name);
        run.old.emplace_back(name, std::move(bytes));
    }
    return true;
}

void CFolderCommit::Plan(SRun& run) const {
    SJournalPlan& plan = run.plan;
    plan.strToken = CJournal::NewToken();
    for (const SNewFile& file : run.change.creates) {
        plan.undo.push_back({EJournalVerb::Remove, file.strName, 0, {}});
    }
    for (const SFileWrite* pWrite : run.writes) {
        run.temporaries.push_back(CJournal::TemporaryName(pWrite->strTarget, plan.strToken));
        plan.undo.push_back({EJournalVerb::Remove, run.temporaries.back(), 0, {}});
    }
    for (std::size_t i = 0; i < run.change.extensions.size(); ++i) {
        const SFileExtension& extension = run.change.extensions[i];
        plan.undo.push_back({EJournalVerb::Size, extension.strName, extension.nOldSize, run.oldHeaders[i]});
        plan.redo.push_back(
            {EJournalVerb::Size, extension.strName, extension.nOldSize + extension.records.size(), extension.header});
    }
    for (const SFileWrite* pWrite : run.writes) {
        plan.redo.push_back({EJournalVerb::Rename, pWrite->strTarget, 0, {}});
    }
    for (const std::string& name : run.removals) {
        plan.redo.push_back({EJournalVerb::Remove, name, 0, {}});
    }
    // Whatever temporary a rename left behind (a backup that could not be put in place).
    for (const std::string& temporary : run.temporaries) {
        plan.redo.push_back({EJournalVerb::Remove, temporary, 0, {}});
    }
}

bool CFolderCommit::WriteNew(const std::string& name, const std::string& bytes) {
    auto pFile = m_fs.Open(PathOf(name), EOpenMode::CreateNew);
    if (!pFile) {
        return false; // nothing of ours to remove: the name may belong to someone else
    }
    const bool bWritten = pFile->Write(bytes.data(), bytes.size());
    return pFile->Close() && bWritten;
}

bool CFolderCommit::SyncAll(const std::vector<std::string>& names) {
    std::vector<std::filesystem::path> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) {
        paths.push_back(PathOf(name));
    }
    // Synced together once all are written: one sync per file would cost a batch of a
    // thousand securities most of its time.
    return (paths.empty() || m_fs.SyncFiles(paths)) && m_fs.SyncDirectory(m_folder);
}

bool CFolderCommit::WriteJournal(SRun& run, std::string& strError) {
    run.journal = CJournal::PlanText(run.plan, std::string());
    auto pFile = m_fs.Open(PathOf(CJournal::kFileName), EOpenMode::CreateNew);
    if (!pFile) {
        strError = "Cannot write the journal " + Describe(CJournal::kFileName) + "; nothing was changed.";
        return false;
    }
    const bool bWritten = pFile->Write(run.journal.data(), run.journal.size()) && pFile->Sync();
    const bool bClosed = pFile->Close();
    if (!bWritten || !bClosed || !m_fs.SyncDirectory(m_folder)) {
        // A journal left here by a failed removal did nothing yet: the next run only undoes
        // steps that find nothing to undo.
        m_fs.RemoveFile(PathOf(CJournal::kFileName));
        strError = "Cannot write the journal " + Describe(CJournal::kFileName) + "; nothing was changed.";
        return false;
    }
    return true;
}

bool CFolderCommit::AppendToJournal(const std::string& text) {
    auto pFile = m_fs.Open(PathOf(CJournal::kFileName), EOpenMode::Update);
    if (!pFile) {
        return false;
    }
    const auto size = pFile->Size();
    const bool bWritten = size && pFile->Seek(*size) && pFile->Write(text.data(), text.size()) && pFile->Sync();
    return pFile->Close() && bWritten;
}

bool CFolderCommit::WriteContents(SRun& run, std::string& strFailure) {
    std::vector<std::string> written;
    for (const SNewFile& file : run.change.creates) {
        if (!WriteNew(file.strName, file.bytes)) {
            strFailure = "Cannot write " + Describe(file.strName);
            return false;
        }
        written.push_back(file.strName);
    }
    for (const SFileExtension& extension : run.change.extensions) {
        auto pFile = m_fs.Open(PathOf(extension.strName), EOpenMode::Update);
        const auto size = pFile ? pFile->Size() : std::nullopt;
        // The new records go after the old end; the header, and with it the count, only at
        // the commit.
        const bool bWritten = size && *size == extension.nOldSize && pFile->Seek(extension.nOldSize) &&
                              pFile->Write(extension.records.data(), extension.records.size());
        if (!pFile || !pFile->Close() || !bWritten) {
            strFailure = "Cannot write " + Describe(extension.strName);
            return false;
        }
        written.push_back(extension.strName);
    }
    for (std::size_t i = 0; i < run.writes.size(); ++i) {
        if (!WriteNew(run.temporaries[i], run.writes[i]->bytes)) {
            strFailure = "Cannot write " + Describe(run.temporaries[i]);
            return false;
        }
        written.push_back(run.temporaries[i]);
    }
    if (!SyncAll(written)) {
        strFailure = "Cannot write the new files in " + PathUtf8(m_folder) + " to the disk";
        return false;
    }
    return true;
}

bool CFolderCommit::Apply(const SJournalOp& op, const std::string& token, bool bUndo,
                          std::vector<std::string>* pWarnings) {
    const std::filesystem::path path = PathOf(op.strName);
    switch (op.verb) {
    case EJournalVerb::Rename: {
        const std::filesystem::path temporary = PathOf(CJournal::TemporaryName(op.strName, token));
        const SEntryStatus status = m_fs.Status(temporary);
        if (status.kind != EEntryKind::File || status.bLink || m_fs.ReplaceFile(temporary, path)) {
            return true; // already renamed, or renamed now
        }
        // A backup that cannot be put in place does not fail a run; a recovery tries again later.
        if (IsOptional(op.strName) && pWarnings != nullptr) {
            pWarnings->push_back(Describe(op.strName) + " could not be put in place.");
            return true;
        }
        return false;
    }
    case EJournalVerb::Remove: {
        const SEntryStatus status = m_fs.Status(path);
        return (status.kind != EEntryKind::File && !status.bLink) || m_fs.RemoveFile(path);
    }
    case EJournalVerb::Size: {
        auto pFile = m_fs.Open(path, EOpenMode::Update);
        if (!pFile) {
            return bUndo && m_fs.Status(path).kind == EEntryKind::Missing;
        }
        const auto size = pFile->Size();
        // Undone, a file shorter than before had none of the change's records: it is left.
        bool bDone = size && (*size >= op.nSize || bUndo);
        bDone = bDone && (*size <= op.nSize || pFile->Truncate(op.nSize));
        bDone =
            bDone && (*size < op.header.size() || (pFile->Seek(0) && pFile->Write(op.header.data(), op.header.size())));
        return pFile->Close() && bDone;
    }
    }
    return false;
}

bool CFolderCommit::ApplyAll(const std::vector<SJournalOp>& ops, const std::string& token, bool bUndo) {
    std::vector<std::string> sized;
    for (const SJournalOp& op : ops) {
        if (!Apply(op, token, bUndo, nullptr)) {
            return false;
        }
        if (op.verb == EJournalVerb::Size) {
            sized.push_back(op.strName);
        }
    }
    return SyncAll(sized);
}

bool CFolderCommit::DropJournal() {
    // The journal goes only once its work is durable, and its removal is made durable before
    // the lock is released: a later run may create a file that this journal removes. Gone
    // but not durable, it is gone for every later run short of a crash of the machine.
    if (!m_fs.RemoveFile(PathOf(CJournal::kFileName))) {
        return false;
    }
    m_fs.SyncDirectory(m_folder);
    return true;
}

bool CFolderCommit::Abandon(const SRun& run) {
    return ApplyAll(run.plan.undo, run.plan.strToken, true) && DropJournal();
}

bool CFolderCommit::Finish(SRun& run, std::string& strFailure) {
    const std::vector<SJournalOp>& redo = run.plan.redo;
    run.done.assign(redo.size(), false);
    std::vector<std::string> sized;
    for (std::size_t i = 0; i < redo.size(); ++i) {
        if (!Apply(redo[i], run.plan.strToken, false, &run.warnings)) {
            const std::string& name = redo[i].strName;
            strFailure =
                redo[i].verb == EJournalVerb::Rename
                    ? "Cannot rename " + Describe(CJournal::TemporaryName(name, run.plan.strToken)) + " to " + name
                : redo[i].verb == EJournalVerb::Remove ? "Cannot remove " + Describe(name)
                                                       : "Cannot write " + Describe(name);
            return false;
        }
        run.done[i] = true;
        if (redo[i].verb == EJournalVerb::Size) {
            sized.push_back(redo[i].strName);
        }
    }
    if (!SyncAll(sized)) {
        strFailure = "Cannot make the change of " + PathUtf8(m_folder) + " durable";
        return false;
    }
    return true;
}

std::string CFolderCommit::Revert(SRun& run, const std::string& strFailure) {
    const std::string changeLeft = strFailure +
                                   ". The change could not be undone either: " + Describe(CJournal::kFileName) +
                                   " remains, and the next change of that folder finishes this one, so its new data "
                                   "will be there then.";
    SJournalPlan back;
    back.strToken = CJournal::NewToken();
    std::vector<std::pair<std::string, const std::string*>> contents; // temporaries of back and their bytes
    const std::vector<SJournalOp>& redo = run.plan.redo;
    // Backwards: the removed data files return first, the directory files next, the grown
    // files shrink and the created ones go last, so that every entry keeps its data file.
    for (std::size_t i = redo.size(); i-- > 0;) {
        const SJournalOp& op = redo[i];
        if (!run.done[i]) {
            continue;
        }
        const auto* pOld = run.OldBytes(op.strName);
        if (op.verb == EJournalVerb::Size) {
            continue; // below, with the records appended before the commit
        }
        if (op.verb == EJournalVerb::Rename && pOld != nullptr && !pOld->has_value()) {
            back.redo.push_back({EJournalVerb::Remove, op.strName, 0, {}});
        } else if (pOld != nullptr && pOld->has_value()) {
            contents.emplace_back(CJournal::TemporaryName(op.strName, back.strToken), &**pOld);
            back.undo.push_back({EJournalVerb::Remove, contents.back().first, 0, {}});
            back.redo.push_back({EJournalVerb::Rename, op.strName, 0, {}});
        }
    }
    for (const SJournalOp& op : run.plan.undo) {
        back.redo.push_back(op); // grown files to their old size, created ones and temporaries removed
    }
    for (const auto& [temporary, pBytes] : contents) {
        back.redo.push_back({EJournalVerb::Remove, temporary, 0, {}});
    }
    const std::string text = CJournal::PlanText(back, run.journal);
    if (!AppendToJournal(text)) {
        return changeLeft;
    }
    run.journal += text;
    std::vector<std::string> written;
    for (const auto& [temporary, pBytes] : contents) {
        if (!WriteNew(temporary, *pBytes)) {
            // Not committed: the next run removes these and completes the change.
            ApplyAll(back.undo, back.strToken, true);
            return changeLeft;
        }
        written.push_back(temporary);
    }
    if (!SyncAll(written)) {
        return changeLeft; // still not committed; the temporaries are in its undo
    }
    if (!AppendToJournal(CJournal::CommitText(run.journal))) {
        // The commit line may be on the disk or not: the next run does what it finds.
        return strFailure + ". " + UncertainEnd();
    }
    if (!ApplyAll(back.redo, back.strToken, false)) {
        return strFailure + ". The change could not be fully undone: " + Describe(CJournal::kFileName) +
               " remains, and the next change of that folder finishes undoing it.";
    }
    if (!DropJournal()) {
        return strFailure + "; nothing was changed, but " + Describe(CJournal::kFileName) +
               " remains (the next change of that folder removes it).";
    }
    return strFailure + "; nothing was changed.";
}

std::string CFolderCommit::UncertainEnd() const {
    return Describe(CJournal::kFileName) +
           " remains, and the next change of that folder finishes or undoes this one, as far as the journal got.";
}

bool CFolderCommit::Run(const SFolderChange& change, std::string& strError, std::vector<std::string>& warnings) {
    SRun run{change, warnings, {}, {}, {}, {}, {}, {}, {}, {}};
    if (!Inspect(run, strError)) {
        return false;
    }
    Plan(run);
    if (run.plan.undo.empty() && run.plan.redo.empty()) {
        return true;
    }
    if (!WriteJournal(run, strError)) {
        return false;
    }
    const std::string undoLeft = ". The change could not be fully undone: " + Describe(CJournal::kFileName) +
                                 " remains, and the next change of that folder finishes undoing it.";
    std::string strFailure;
    if (!WriteContents(run, strFailure)) {
        strError = strFailure +
                   (Abandon(run) ? " (is the disk full, or the folder not writable?); nothing was changed." : undoLeft);
        return false;
    }
    const std::size_t nReady = run.journal.size();
    if (!AppendToJournal(CJournal::CommitText(run.journal))) {
        // Undone only where the journal surely says it is not committed.
        auto pJournal = m_fs.Open(PathOf(CJournal::kFileName), EOpenMode::Update);
        const bool bCut = pJournal && pJournal->Truncate(nReady) && pJournal->Sync() && pJournal->Close();
        strError = "Cannot write the journal " + Describe(CJournal::kFileName) +
                   (bCut && Abandon(run) ? "; nothing was changed." : ". " + UncertainEnd());
        return false;
    }
    run.journal += CJournal::CommitText(run.journal);
    if (!Finish(run, strFailure)) {
        strError = Revert(run, strFailure);
        return false;
    }
    if (!DropJournal()) {
        warnings.push_back(Describe(CJournal::kFileName) +
                           " could not be removed; the change is complete, and the next change of the folder "
                           "removes it.");
    }
    return true;
}

std::optional<std::string> CFolderCommit::JournalProblem() {
    SJournalText journal;
    return ReadJournal(journal);
}

std::optional<std::string> CFolderCommit::ReadJournal(SJournalText& journal) {
    const std::filesystem::path path = PathOf(CJournal::kFileName);
    const SEntryStatus status = m_fs.Status(path);
    if (status.kind == EEntryKind::Missing && !status.bLink) {
        return std::nullopt;
    }
    if (status.bLink || status.kind != EEntryKind::File) {
        return status.bLink ? "it is a symbolic link, not a journal of this program" : "it is not a file";
    }
    const auto text = ReadWholeFile(m_fs, path, kMaxJournalBytes, EOpenMode::ReadNoLink);
    if (!text) {
        return "it cannot be read";
    }
    journal = CJournal::Parse(*text);
    if (!journal.strProblem.empty()) {
        return "it is not a journal of this program (" + journal.strProblem + ")";
    }
    journal.bPresent = true;
    return std::nullopt;
}

bool CFolderCommit::Recover(CMessageBox& messages, std::string& strError) {
    SJournalText journal;
    if (const auto problem = ReadJournal(journal)) {
        strError = Describe(CJournal::kFileName) + ": " + *problem +
                   "; nothing was replayed and nothing was changed. A repair of the folder (pelmar-cli repair) sets "
                   "it aside.";
        return false;
    }
    if (!journal.bPresent) {
        return true;
    }
    bool bDone = true;
    const char* pszNotice = "Completed an interrupted change of ";
    if (!journal.plans.empty()) {
        const SJournalPlan& last = journal.plans.back();
        if (journal.bLastCommitted) {
            bDone = ApplyAll(last.redo, last.strToken, false);
        } else {
            bDone = ApplyAll(last.undo, last.strToken, true);
            if (journal.plans.size() > 1) {
                const SJournalPlan& before = journal.plans[journal.plans.size() - 2];
                bDone = bDone && ApplyAll(before.redo, before.strToken, false);
            } else {
                pszNotice = "Undid an interrupted change of ";
            }
        }
    } else {
        pszNotice = "Removed the journal of a change that stopped before it began in ";
    }
    if (!bDone || !DropJournal()) {
        strError = "An interrupted change of " + PathUtf8(m_folder) + " could not be completed (" +
                   CJournal::kFileName + " remains); nothing else was changed.";
        return false;
    }
    messages.Notice(pszNotice + PathUtf8(m_folder) + ".");
    return true;
}
