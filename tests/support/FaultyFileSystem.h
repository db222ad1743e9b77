// A file system for tests that passes everything to a real one but can make a chosen
// operation fail, so that a test can walk a change through every point where a file operation
// may go wrong: run it once to count its operations, then once per n with the n-th failing, or
// with every operation from the n-th on failing, as a process killed there would leave things.
#pragma once

#include "platform/FileSystem.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// The kinds of operation that can be made to fail; Any counts every one of them in one
// sequence. Status, ListDirectory, FileId and reads are not counted there.
enum class EFault {
    Any, OpenRead, OpenCreate, OpenNew, OpenUpdate, Write, Truncate, Sync, Close, Replace, Remove, SyncDirectory, Lock
};

class CFaultyFileSystem : public CFileSystem {
public:
    struct SOperation {
        EFault kind;
        std::string strName; // the file name the operation is about (the target of a rename)
    };

    explicit CFaultyFileSystem(CFileSystem& inner = GetSystemFileSystem());

    // The n-th operation of that kind (1-based, counted since construction or Reset) fails,
    // and only that one; 0 fails nothing. With bFromThenOn every later operation fails too.
    void FailAt(int n, EFault kind = EFault::Any, bool bFromThenOn = false);
    // The n-th operation of any kind fails as well, and only that one.
    void FailAlsoAt(int n) { m_failAlso.push_back(n); }
    // Syncs are counted (and fail on demand) but not passed on: a test that only stops a run
    // in between, and never the machine, needs no disk flushes.
    void SkipRealSyncs() { m_bSkipSyncs = true; }
    // A failing Write first stores the first half of its data, as a full disk does.
    void SetPartialWrites(bool bPartial) { m_bPartialWrites = bPartial; }
    // The n-th CFile::Read (1-based, counted on its own) returns an error; 0 fails nothing.
    void FailReadAt(int n) { m_nFailRead = n; }
    void Reset();

    int OperationCount(EFault kind = EFault::Any) const { return m_counts[static_cast<std::size_t>(kind)]; }
    const std::vector<SOperation>& Operations() const { return m_operations; }
    bool FaultInjected() const { return m_bInjected; }

    std::unique_ptr<CFile> Open(const std::filesystem::path& path, EOpenMode mode) override;
    bool RemoveFile(const std::filesystem::path& path) override;
    bool ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) override;
    bool SyncFiles(const std::vector<std::filesystem::path>& paths) override;
    bool SyncDirectory(const std::filesystem::path& dir) override;
    SEntryStatus Status(const std::filesystem::path& path) override { return m_inner.Status(path); }
    std::optional<std::vector<std::string>> ListDirectory(const std::filesystem::path& dir) override {
        return m_inner.ListDirectory(dir);
    }
    std::optional<SFileId> FileId(const std::filesystem::path& path) override { return m_inner.FileId(path); }
    std::unique_ptr<CFileLock> TryLock(const std::filesystem::path& lockFile, ELockResult& result) override;
    std::optional<std::filesystem::path> GetCurrentDirectory() override { return m_inner.GetCurrentDirectory(); }

    // For the files it hands out: counts one operation, true when it is to fail.
    bool Count(EFault kind, const std::filesystem::path& path);
    bool CountRead();
    bool PartialWrites() const { return m_bPartialWrites; }

private:
    static constexpr std::size_t kKinds = 13;

    CFileSystem& m_inner;
    std::array<int, kKinds> m_counts{};
    std::vector<SOperation> m_operations;
    int m_nFailAt = 0;
    EFault m_failKind = EFault::Any;
    bool m_bFromThenOn = false;
    bool m_bPartialWrites = true;
    bool m_bInjected = false;
    int m_nReads = 0;
    int m_nFailRead = 0;
    std::vector<int> m_failAlso;
    bool m_bSkipSyncs = false;

public:
    bool SkipsSyncs() const { return m_bSkipSyncs; }
};
