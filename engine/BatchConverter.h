// Many price files into one database folder at once: each file is read and checked on its
// own (nothing locked meanwhile, a few files at once, the folder listed once for all of
// them), then the folder is locked once and the good files are committed together. A bad
// file is reported with its reasons and left out; the batch then fails, but the good files
// are still added, unless the batch is all or nothing. The caller owns the batch for one run.
#pragma once

#include "engine/Converter.h"
#include "engine/LayoutDetector.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CFileSystem;
class CMessageBox;
class CSettingsStore;
class CWording;

struct SBatchFileResult {
    std::string strPath;               // as given
    std::string strSymbol;             // UTF-8, from the file name (or the settings' symbol)
    bool bOk = false;                  // its securities were committed
    std::vector<std::string> messages; // why it was left out
    std::vector<std::string> summary;  // what it added, when ok
    std::vector<SBadLine> skipped;     // the lines it left out, when ok
    std::size_t nAdded = 0;            // securities it added and gave new bars, when ok
    std::size_t nUpdated = 0;
};

class CBatchConverter {
public:
    // Called once a file has been read (nDone of nTotal); false cancels the batch before
    // anything is written.
    using ProgressFn = std::function<bool(std::size_t nDone, std::size_t nTotal, const std::string& strPath)>;

    CBatchConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store, const CWording& wording);
    ~CBatchConverter();
    CBatchConverter(const CBatchConverter&) = delete;
    CBatchConverter& operator=(const CBatchConverter&) = delete;

    void SetProgress(ProgressFn progress) { m_progress = std::move(progress); }
    // A bad file keeps every file of the batch out (pelmar-cli --all-or-nothing).
    void SetAllOrNothing(bool bAllOrNothing) { m_bAllOrNothing = bAllOrNothing; }

    // Converts files as conversion says (the input path and the symbol are set here per file).
    // bSymbolFromFileName: each file's symbol is its name's stem upper-cased
    // (SymbolFromFileName), its name the conversion's or else the symbol. bDetect: each file's
    // layout is detected on its own; given, when set, lays the user's own choices over it, and
    // settled says which choices they make (a file whose other choices are unsure is left out,
    // see DetectedLayout). Returns 0 when every file was added, 1 otherwise (also when
    // cancelled: then nothing is written). Messages of the whole batch (the lock, the commit) go
    // to the message channel; those of a file to its result.
    int Run(const SConversion& conversion, const std::vector<std::string>& files, bool bSymbolFromFileName,
            bool bDetect = false, const std::function<void(SInputLayout&)>& given = {},
            const DetectChoices& settled = {});

    const std::vector<SBatchFileResult>& Results() const { return m_results; }
    bool Cancelled() const { return m_bCancelled; }
    // "12 files converted, 1 failed, 13 in all." (after Run); with new bars given to securities
    // "12 files converted (3 securities added, 9 updated), 1 failed, 13 in all."; when some
    // failed, which files were written and which were not.
    std::string Total() const;

private:
    struct SJob;
    struct SReadOptions {
        bool bSymbolFromFileName = false;
        bool bDetect = false;
        std::function<void(SInputLayout&)> given;
        DetectChoices settled{};
    };
    // One file read and checked on a pool thread; prepared when it can be staged.
    void ReadOne(const SConversion& conversion, const std::string& file, const SReadOptions& options,
                 CFileSystem& fs, SBatchFileResult& result, std::optional<SJob>& prepared) const;
    // Every file, in order; false when the progress cancelled the batch.
    bool ReadAll(const SConversion& conversion, const std::vector<std::string>& files, const SReadOptions& options,
                 CFileSystem& fs, std::vector<SJob>& jobs);
    // The jobs staged and committed under one lock; false when the batch failed as a whole.
    bool WriteAll(const SConversion& conversion, std::vector<SJob>& jobs);
    // Says for every file without a reason of its own that the batch kept it out.
    void NoneWritten();

    CFileSystem& m_fs;
    CMessageBox& m_messages;
    CSettingsStore& m_store;
    const CWording& m_wording;
    ProgressFn m_progress;
    std::vector<SBatchFileResult> m_results;
    bool m_bCancelled = false;
    bool m_bAllOrNothing = false;
};
