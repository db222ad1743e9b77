#include "metastock/FolderCommit.h"

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

namespace {

// Old contents are held in memory for the undo; no file of a database folder is larger.
constexpr std::uint64_t kMaxOldBytes = 64u << 20;
constexpr std::string_view kTemporaryMark = ".pelmar-";
constexpr std::size_t kTokenDigits = 8;
constexpr std::string_view kJournalHead = "PELMAR JOURNAL 1";
constexpr std::string_view kJournalEnd = "END";

std::string NewToken() {
    std::uint32_t value = 0;
    try {
        std::random_device device;
        value = device();
    } catch (...) {
        // No entropy source: the clock still tells runs apart, and CreateNew refuses a clash.
    }
    value ^= static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char text[kTokenDigits + 1];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A journal names files of its own folder only.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\t\r\n\0", 6)) == std::string::npos;
}

} // namespace

CFolderCommit::CFolderCommit(CFileSystem& fs, std::filesystem::path folder) : m_fs(fs), m_folder(std::move(folder)) {}

bool CFolderCommit::IsTemporaryName(const std::string& name) {
    const std::size_t nSuffix = kTemporaryMark.size() + kTokenDigits;
    if (name.size() <= nSuffix || name.compare(name.size() - nSuffix, kTemporaryMark.size(), kTemporaryMark) != 0) {
        return false;
    }
    return std::all_of(name.end() - kTokenDigits, name.end(), IsHexDigit);
}

std::string CFolderCommit::FormatJournal(const std::vector<SJournalOp>& ops) {
    std::string text(kJournalHead);
    text += '\n';
    for (const SJournalOp& op : ops) {
        text += op.bRename ? "RENAME\t" + op.strFrom + '\t' + op.strTo + '\n' : "REMOVE\t" + op.strTo + '\n';
    }
    text += kJournalEnd;
    text += '\n';
    return text;
}

std::optional<std::vector<SJournalOp>> CFolderCommit::ParseJournal(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t nStart = 0;
    while (nStart < text.size()) {
        const std::size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos) {
            return std::nullopt; // cut short: not written by this program
        }
        lines.push_back(text.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    if (lines.size() < 2 || lines.front() != kJournalHead || lines.back() != kJournalEnd) {
        return std::nullopt;
    }
    std::vector<SJournalOp> ops;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t nTab = line.find('\t');
        const std::string verb = line.substr(0, nTab);
        const std::string rest = nTab == std::string::npos ? std::string() : line.substr(nTab + 1);
        SJournalOp op;
        if (verb == "RENAME") {
            const std::size_t nSecond = rest.find('\t');
            if (nSecond == std::string::npos) {
                return std::nullopt;
            }
            op.bRename = true;
            op.strFrom = rest.substr(0, nSecond);
            op.strTo = rest.substr(nSecond + 1);
            // Only a temporary of the target itself is ever renamed over it.
            if (!IsTemporaryName(op.strFrom) || op.strFrom.compare(0, op.strTo.size() + 1, op.strTo + '.') != 0 ||
                op.strFrom.size() != op.strTo.size() + kTemporaryMark.size() + kTokenDigits) {
                return std::nullopt;
            }
        } else if (verb == "REMOVE") {
            op.strTo = rest;
        } else {
            return std::nullopt;
        }
        if (!IsPlainName(op.strTo) || (op.bRename && !IsPlainName(op.strFrom))) {
            return std::nullopt;
        }
        ops.push_back(std::move(op));
    }
    return ops;
}

std::filesystem::path CFolderCommit::PathOf(const std::string& name) const {
    return m_folder / Utf8Path(name);
}

std::string CFolderCommit::FolderText() const {
    return PathUtf8(m_folder);
}

bool CFolderCommit::WriteTemporary(const std::string& name, const std::string& bytes, bool bSync) {
    auto pFile = m_fs.Open(PathOf(name), EOpenMode::CreateNew);
    if (!pFile) {
        return false; // nothing of ours to remove: the name may belong to someone else
    }
    const bool bWritten = pFile->Write(bytes.data(), bytes.size()) && (!bSync || pFile->Sync());
    const bool bClosed = pFile->Close();
    pFile.reset();
    if (!bWritten || !bClosed) {
        m_fs.RemoveFile(PathOf(name));
        return false;
    }
    return true;
}

bool CFolderCommit::SyncTemporaries(const std::vector<std::string>& names) {
    if (names.empty()) {
        return true;
    }
    std::vector<std::filesystem::path> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) {
        paths.push_back(PathOf(name));
    }
    return m_fs.SyncFiles(paths);
}

void CFolderCommit::RemoveQuietly(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        m_fs.RemoveFile(PathOf(name));
    }
}

bool CFolderCommit::PlaceJournal(const std::vector<SJournalOp>& ops, const std::string& token, bool& bPlaced) {
    bPlaced = false;
    const std::string temporary = std::string(kJournalName) + std::string(kTemporaryMark) + token;
    if (!WriteTemporary(temporary, FormatJournal(ops))) {
        return false;
    }
    if (!m_fs.ReplaceFile(PathOf(temporary), PathOf(kJournalName))) {
        m_fs.RemoveFile(PathOf(temporary));
        return false;
    }
    bPlaced = true;
    return m_fs.SyncDirectory(m_folder);
}

bool CFolderCommit::Replay(const std::vector<SJournalOp>& ops) {
    for (const SJournalOp& op : ops) {
        if (op.bRename) {
            if (m_fs.Status(PathOf(op.strFrom)).kind == EEntryKind::File &&
                !m_fs.ReplaceFile(PathOf(op.strFrom), PathOf(op.strTo))) {
                return false;
            }
        } else if (m_fs.Status(PathOf(op.strTo)).kind == EEntryKind::File && !m_fs.RemoveFile(PathOf(op.strTo))) {
            return false;
        }
    }
    // The journal goes only once its work is durable, and its removal is made durable before
    // the lock is released: a later run may create a file that this journal removes.
    return m_fs.SyncDirectory(m_folder) && m_fs.RemoveFile(PathOf(kJournalName)) && m_fs.SyncDirectory(m_folder);
}

CFolderCommit::EUndo CFolderCommit::Undo(const std::vector<SJournalOp>& ops, const std::vector<bool>& done,
                         const std::vector<std::pair<std::string, std::string>>& oldContents) {
    const std::string token = NewToken();
    std::vector<SJournalOp> back;
    std::vector<std::string> fresh;
    // Backwards: the removed data files return first, the directory files next, and the files
    // this change created go last, so that every entry keeps its data file throughout.
    for (std::size_t i = ops.size(); i-- > 0;) {
        if (!done[i]) {
            continue;
        }
        const std::string& name = ops[i].strTo;
        const auto old = std::find_if(oldContents.begin(), oldContents.end(),
                                      [&](const auto& entry) { return entry.first == name; });
        if (old == oldContents.end()) {
            back.push_back({false, {}, name});
            continue;
        }
        const std::string temporary = name + std::string(kTemporaryMark) + token;
        if (!WriteTemporary(temporary, old->second, false)) {
            RemoveQuietly(fresh);
            return EUndo::ChangeLeft;
        }
        fresh.push_back(temporary);
        back.push_back({true, temporary, name});
    }
    if (!SyncTemporaries(fresh)) {
        RemoveQuietly(fresh);
        return EUndo::ChangeLeft;
    }
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].bRename && !done[i]) {
            back.push_back({false, {}, ops[i].strFrom});
        }
    }
    bool bPlaced = false;
    if (!PlaceJournal(back, token, bPlaced)) {
        if (!bPlaced) {
            RemoveQuietly(fresh);
            return EUndo::ChangeLeft;
        }
        return EUndo::UndoLeft;
    }
    return Replay(back) ? EUndo::Undone : EUndo::UndoLeft;
}

bool CFolderCommit::Run(const std::vector<SFileWrite>& writes, const std::vector<std::string>& removals,
                        std::string& strError, std::vector<std::string>& warnings) {
    const auto describe = [this](const std::string& name) { return PathUtf8(PathOf(name)); };
    std::vector<std::pair<std::string, std::string>> oldContents;
    std::vector<const SFileWrite*> plan;
    for (const SFileWrite& write : writes) {
        const SEntryStatus status = m_fs.Status(PathOf(write.strTarget));
        std::string problem;
        if (status.kind != EEntryKind::Missing) {
            if (write.bMustBeNew) {
                problem = "appeared while this change was being prepared";
            } else if (status.kind != EEntryKind::File) {
                problem = "is not a regular file";
            } else if (status.bReadOnly) {
                problem = "is read-only";
            } else if (auto old = ReadWholeFile(m_fs, PathOf(write.strTarget), kMaxOldBytes)) {
                oldContents.emplace_back(write.strTarget, std::move(*old));
            } else {
                problem = "cannot be read";
            }
        }
        if (!problem.empty()) {
            if (write.bOptional) {
                warnings.push_back(describe(write.strTarget) + " " + problem + "; it was not written.");
                continue;
            }
            strError = describe(write.strTarget) + " " + problem + "; nothing was changed.";
            return false;
        }
        plan.push_back(&write);
    }
    std::vector<std::string> present;
    for (const std::string& name : removals) {
        const SEntryStatus status = m_fs.Status(PathOf(name));
        if (status.kind == EEntryKind::Missing) {
            continue;
        }
        auto old = status.kind == EEntryKind::File && !status.bReadOnly
                       ? ReadWholeFile(m_fs, PathOf(name), kMaxOldBytes)
                       : std::nullopt;
        if (!old) {
            strError = describe(name) +
                       (status.kind != EEntryKind::File ? " is not a regular file"
                        : status.bReadOnly              ? " is read-only"
                                                        : " cannot be read") +
                       "; nothing was changed.";
            return false;
        }
        oldContents.emplace_back(name, std::move(*old));
        present.push_back(name);
    }

    const std::string token = NewToken();
    std::vector<SJournalOp> ops;
    std::vector<bool> optional;
    std::vector<std::string> temporaries;
    for (const SFileWrite* pWrite : plan) {
        const std::string temporary = pWrite->strTarget + std::string(kTemporaryMark) + token;
        if (!WriteTemporary(temporary, pWrite->bytes, false)) {
            if (pWrite->bOptional) {
                warnings.push_back(describe(pWrite->strTarget) + " could not be written.");
                continue;
            }
            RemoveQuietly(temporaries);
            strError = "Cannot write " + describe(temporary) +
                       " (is the disk full, or the folder not writable?); nothing was changed.";
            return false;
        }
        temporaries.push_back(temporary);
        ops.push_back({true, temporary, pWrite->strTarget});
        optional.push_back(pWrite->bOptional);
    }
    // Synced together once all are written: one sync per file would cost a batch of a thousand
    // securities most of its time.
    if (!SyncTemporaries(temporaries)) {
        RemoveQuietly(temporaries);
        strError = "Cannot write the new files in " + FolderText() + " to the disk; nothing was changed.";
        return false;
    }
    for (const std::string& name : present) {
        ops.push_back({false, {}, name});
        optional.push_back(false);
    }
    if (ops.empty()) {
        return true;
    }
    bool bPlaced = false;
    if (!PlaceJournal(ops, token, bPlaced)) {
        // A journal in place that cannot be taken back is carried out by the next change, so
        // its temporaries must stay for it.
        if (bPlaced && !m_fs.RemoveFile(PathOf(kJournalName))) {
            strError = "Cannot write the journal " + describe(kJournalName) +
                       " to the disk; it remains, and the next change of that folder finishes this one, so its "
                       "new data will be there then.";
            return false;
        }
        RemoveQuietly(temporaries);
        strError = "Cannot write the journal " + describe(kJournalName) + "; nothing was changed.";
        return false;
    }

    std::vector<bool> done(ops.size(), false);
    std::vector<std::string> leftOver;
    std::string failure;
    for (std::size_t i = 0; i < ops.size() && failure.empty(); ++i) {
        const SJournalOp& op = ops[i];
        done[i] =
            op.bRename ? m_fs.ReplaceFile(PathOf(op.strFrom), PathOf(op.strTo)) : m_fs.RemoveFile(PathOf(op.strTo));
        if (done[i]) {
            continue;
        }
        if (optional[i]) {
            warnings.push_back(describe(op.strTo) + " could not be put in place.");
            leftOver.push_back(op.strFrom);
        } else {
            failure = op.bRename ? "Cannot rename " + describe(op.strFrom) + " to " + op.strTo
                                 : "Cannot remove " + describe(op.strTo);
        }
    }
    if (failure.empty() && !m_fs.SyncDirectory(m_folder)) {
        failure = "Cannot make the renames in " + FolderText() + " durable";
    }
    if (!failure.empty()) {
        switch (Undo(ops, done, oldContents)) {
        case EUndo::Undone:
            strError = failure + "; nothing was changed.";
            break;
        case EUndo::ChangeLeft:
            strError = failure + ". The change could not be undone either: " + describe(kJournalName) +
                       " remains, and the next change of that folder finishes this one, so its new data will be "
                       "there then.";
            break;
        case EUndo::UndoLeft:
            strError = failure + ". The change could not be fully undone: " + describe(kJournalName) +
                       " remains, and the next change of that folder finishes undoing it.";
            break;
        }
        return false;
    }
    if (!m_fs.RemoveFile(PathOf(kJournalName)) || !m_fs.SyncDirectory(m_folder)) {
        warnings.push_back(
            describe(kJournalName) +
            " could not be removed; the change is complete, and the next change of the folder removes it.");
    }
    RemoveQuietly(leftOver);
    return true;
}

bool CFolderCommit::Recover(const std::vector<std::string>& names, CMessageBox& messages, std::string& strError) {
    std::vector<std::string> entries = names;
    if (std::find(names.begin(), names.end(), kJournalName) != names.end()) {
        const auto text = ReadWholeFile(m_fs, PathOf(kJournalName), kMaxOldBytes);
        const auto ops = text ? ParseJournal(*text) : std::nullopt;
        if (!ops) {
            strError = PathUtf8(PathOf(kJournalName)) +
                       (text ? " is not a journal that this program wrote" : " cannot be read") +
                       "; nothing was changed. Check the folder, then remove that file.";
            return false;
        }
        if (!Replay(*ops)) {
            strError = "An interrupted change of " + FolderText() + " could not be completed (" + kJournalName +
                       " remains); nothing else was changed.";
            return false;
        }
        messages.Notice("Completed an interrupted change of " + FolderText() + ".");
        if (auto listed = m_fs.ListDirectory(m_folder)) {
            entries = std::move(*listed);
        }
    }
    int nRemoved = 0;
    for (const std::string& name : entries) {
        if (IsTemporaryName(name) && m_fs.Status(PathOf(name)).kind == EEntryKind::File &&
            m_fs.RemoveFile(PathOf(name))) {
            ++nRemoved;
        }
    }
    if (nRemoved > 0) {
        messages.Notice("Removed " + std::to_string(nRemoved) + " temporary file" + (nRemoved == 1 ? "" : "s") +
                        " left in " + FolderText() + " by an interrupted run.");
    }
    return true;
}
