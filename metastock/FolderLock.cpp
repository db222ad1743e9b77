#include "metastock/FolderLock.h"

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <thread>

namespace {

constexpr auto kLockPoll = std::chrono::milliseconds(50);

} // namespace

CFolderLock::CFolderLock(CFileSystem& fs, CMessageBox& messages, std::filesystem::path folder)
    : m_fs(fs), m_messages(messages), m_folder(std::move(folder)) {}

CFolderLock::~CFolderLock() = default;

std::string CFolderLock::WhyNoLockFile() const {
    const SEntryStatus status = m_fs.Status(m_folder / kFileName);
    const std::string where = "the lock file " + std::string(kFileName) + " cannot be created there";
    if (status.bLink) {
        return where + ": " + kFileName + " is a symbolic link. Remove it (it is not this program's) and try again";
    }
    if (status.kind == EEntryKind::Directory) {
        return where + ": " + kFileName + " is a folder. Remove or rename it and try again";
    }
    if (status.kind == EEntryKind::Other) {
        return where + ": " + kFileName + " is neither a file nor a folder. Remove it and try again";
    }
    return where + " (is the folder read-only?)";
}

bool CFolderLock::Take(std::chrono::milliseconds wait, std::string& strError) {
    const std::string folderText = PathUtf8(m_folder);
    if (m_fs.Status(m_folder).kind != EEntryKind::Directory) {
        strError = folderText + ": there is no such folder.";
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    bool bNoticed = false;
    while (!m_pLock) {
        ELockResult result = ELockResult::Failed;
        m_pLock = m_fs.TryLock(m_folder / kFileName, result);
        if (m_pLock) {
            break;
        }
        if (result != ELockResult::Busy) {
            strError = "Cannot lock " + folderText + ": " + WhyNoLockFile() + ". Nothing was changed.";
            return false;
        }
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited >= wait) {
            const auto nMs = std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
            strError =
                "Another conversion into " + folderText + " has not finished after " +
                (nMs % 1000 == 0 ? std::to_string(nMs / 1000) + " seconds" : std::to_string(nMs) + " milliseconds") +
                ". Nothing was changed; try again once it has finished.";
            return false;
        }
        if (!bNoticed) {
            m_messages.Notice("Waiting for another conversion into " + folderText + " to finish...");
            bNoticed = true;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kLockPoll, wait - waited));
    }
    return true;
}
