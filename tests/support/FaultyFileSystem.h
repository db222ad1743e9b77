// A file system for tests that passes everything to a real one but can make one chosen
// operation fail, so that a test can walk a job through every point where a file
// operation may go wrong: run the job once to count its operations, then once per n with
// the n-th failing.
#pragma once

#include "platform/FileSystem.h"

#include <array>
#include <cstddef>
#include <vector>

// The kinds of operation that can be made to fail. Any counts every one of them in one
// sequence; OpenRead and OpenWrite split Open by mode (OpenWrite: Create and Append).
enum class EFault { Any, OpenRead, OpenWrite, Write, Sync, Close, Replace, Copy, Remove };

class CFaultyFileSystem : public CFileSystem {
public:
    explicit CFaultyFileSystem(CFileSystem& inner = GetSystemFileSystem());

    // The n-th operation of that kind (1-based, counted since construction or Reset) fails,
    // and only that one; 0 fails nothing.
    void FailAt(int n, EFault kind = EFault::Any);
    // A failing Write first stores the first half of its data, as a full disk does; on by
    // default. Off: a failing Write stores nothing.
    void SetPartialWrites(bool bPartial) { m_bPartialWrites = bPartial; }
    // The n-th CFile::Read (1-based, counted on their own, outside the sequence above)
    // returns an error; 0 fails nothing.
    void FailReadAt(int n) { m_nFailRead = n; }
    // Starts counting afresh and clears the chosen faults.
    void Reset();

    int OperationCount(EFault kind = EFault::Any) const;
    int ReadCount() const { return m_nReads; }
    // The kinds of the operations counted so far, in order.
    const std::vector<EFault>& Operations() const { return m_operations; }
    // Whether the chosen fault has been met.
    bool FaultInjected() const { return m_bInjected; }

    std::unique_ptr<CFile> Open(const std::filesystem::path& path, EOpenMode mode) override;
    bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) override;
    bool RemoveFile(const std::filesystem::path& path) override;
    bool ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) override;
    bool SetCurrentDirectory(const std::filesystem::path& dir) override;
    std::optional<std::filesystem::path> GetCurrentDirectory() override;

    // For the files it hands out: counts one operation, true when it is to fail.
    bool Count(EFault kind);
    bool CountRead();
    bool PartialWrites() const { return m_bPartialWrites; }

private:
    static constexpr std::size_t kKinds = 9;

    CFileSystem& m_inner;
    std::array<int, kKinds> m_counts{};
    std::vector<EFault> m_operations;
    int m_nFailAt = 0;
    EFault m_failKind = EFault::Any;
    bool m_bPartialWrites = true;
    bool m_bInjected = false;
    int m_nReads = 0;
    int m_nFailRead = 0;
};
