#include "engine/BatchConverter.h"

#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "engine/ListingCache.h"
#include "engine/ReaderPool.h"
#include "metastock/Database.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"
#include "platform/RecordingMessageBox.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>

namespace {

// Reading is mostly waiting for the disk and parsing; more threads than this gain nothing.
constexpr std::size_t kMaxReaders = 4;

std::vector<std::string> Texts(const CRecordingMessageBox& messages) {
    std::vector<std::string> texts = messages.Texts();
    texts.insert(texts.end(), messages.Notices().begin(), messages.Notices().end());
    return texts;
}

} // namespace

// One file of the batch: its own job and the messages its job showed.
struct CBatchConverter::SJob {
    std::unique_ptr<CRecordingMessageBox> pMessages;
    std::unique_ptr<CConverter> pJob;
    std::size_t nResult = 0; // index into the results
};

CBatchConverter::CBatchConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store,
                                 const CWording& wording)
    : m_fs(fs), m_messages(messages), m_store(store), m_wording(wording) {}

CBatchConverter::~CBatchConverter() = default;

void CBatchConverter::ReadOne(const SConversion& conversion, const std::string& path, const SReadOptions& options,
                              CFileSystem& fs, SBatchFileResult& result, std::optional<SJob>& prepared) const {
    result.strPath = path;
    SConversion file = conversion;
    file.strInputPath = path;
    if (options.bDetect) {
        const SDetectedLayout detected = DetectedLayout(fs, Utf8Path(path), options.given, options.settled, m_wording);
        if (const std::string refusal = detected.Refusal(conversion.read.bSkipBadLines, m_wording); refusal.empty()) {
            file.layout = detected.layout;
        } else {
            result.messages.push_back(refusal);
        }
    }
    const bool bSymbolColumn = file.layout.nSymbolCol != kNoColumn;
    if (options.bSymbolFromFileName && !bSymbolColumn) {
        file.output.strSymbol = SymbolFromFileName(PathUtf8(Utf8Path(path).stem()));
        if (file.output.strSymbol.empty()) {
            result.messages.push_back("The file name gives no symbol.");
        }
    }
    if (bSymbolColumn) {
        file.output.strSymbol.clear();
    }
    result.strSymbol = file.output.strSymbol;
    if (result.messages.empty() && !bSymbolColumn) {
        std::string strProblem;
        if (const auto clean = CleanSymbol(file.output.strSymbol, strProblem)) {
            file.output.strSymbol = *clean;
        } else {
            result.messages.push_back(strProblem);
        }
    }
    if (!result.messages.empty()) {
        return;
    }
    if (file.output.strName.empty() && !bSymbolColumn) {
        file.output.strName = file.output.strSymbol;
    }
    SJob job;
    job.pMessages = std::make_unique<CRecordingMessageBox>();
    job.pJob = std::make_unique<CConverter>(fs, *job.pMessages, m_store, m_wording);
    if (job.pJob->Prepare(file) == 0) {
        prepared = std::move(job);
    } else {
        result.messages = Texts(*job.pMessages);
    }
}

bool CBatchConverter::ReadAll(const SConversion& conversion, const std::vector<std::string>& files,
                              const SReadOptions& options, CFileSystem& fs, std::vector<SJob>& jobs) {
    struct SSlot {
        SBatchFileResult result;
        std::optional<SJob> job;
    };
    std::vector<SSlot> slots(files.size());
    const std::size_t nThreads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxReaders);
    CReaderPool pool(files.size(), nThreads, [&](std::size_t i) {
        ReadOne(conversion, files[i], options, fs, slots[i].result, slots[i].job);
    });
    for (std::size_t i = 0; i < files.size(); ++i) {
        pool.WaitFor(i);
        if (slots[i].job) {
            slots[i].job->nResult = m_results.size();
            jobs.push_back(std::move(*slots[i].job));
        }
        m_results.push_back(std::move(slots[i].result));
        if (m_progress && !m_progress(i + 1, files.size(), files[i])) {
            m_bCancelled = true;
            m_messages.Notice("The batch was cancelled; nothing was written.");
            return false;
        }
    }
    return true;
}

bool CBatchConverter::WriteAll(const SConversion& conversion, std::vector<SJob>& jobs) {
    const auto folder = ResolvePathNoCase(m_fs, Utf8Path(conversion.output.strFolder));
    CDatabase database(m_fs, m_messages, folder.value_or(Utf8Path(conversion.output.strFolder)));
    std::string strError;
    if (!database.LockAndRead(strError)) {
        m_messages.Show(strError);
        return false;
    }
    // A new database is started once, for all files.
    const bool bNewDatabase = conversion.output.mode == EMasterMode::MakeNew;
    if (bNewDatabase && !database.CreateNew(strError)) {
        m_messages.Show(strError);
        for (const SJob& job : jobs) {
            m_results[job.nResult].messages.push_back(strError);
        }
        return false;
    }
    // The folder's tree of securities is read once for all files, not once a file, and its top
    // folder is the one the database has read.
    const CSecurityTree tree(m_fs, database);
    std::vector<SJob*> staged;
    for (SJob& job : jobs) {
        if (job.pJob->Stage(database, bNewDatabase, &tree) == 0) {
            staged.push_back(&job);
            continue;
        }
        m_results[job.nResult].messages = Texts(*job.pMessages);
        if (job.pJob->StagedCount() > 0) {
            // A file of several symbols stopped half way: none of the batch may go in with it.
            m_messages.Show("The securities of " + m_results[job.nResult].strPath +
                            " could not all be added; nothing was written.");
            return false;
        }
    }
    if (m_bAllOrNothing && staged.size() != jobs.size()) {
        NoneWritten();
        return false;
    }
    if (staged.empty()) {
        return true;
    }
    if (!database.Commit(strError)) {
        m_messages.Show(strError);
        for (SJob* pJob : staged) {
            m_results[pJob->nResult].messages.push_back("Not written: the commit failed.");
        }
        return false;
    }
    for (SJob* pJob : staged) {
        pJob->pJob->FinishRun(database);
        SBatchFileResult& result = m_results[pJob->nResult];
        result.bOk = true;
        result.summary = pJob->pJob->Summary();
        result.skipped = pJob->pJob->SkippedLines();
        result.nAdded = pJob->pJob->AddedCount();
        result.nUpdated = pJob->pJob->UpdatedCount();
        // The folder is the batch's, told once by the caller.
        if (!result.summary.empty() && result.summary.back().rfind("Folder: ", 0) == 0) {
            result.summary.pop_back();
        }
    }
    return true;
}

int CBatchConverter::Run(const SConversion& conversion, const std::vector<std::string>& files,
                         bool bSymbolFromFileName, bool bDetect, const std::function<void(SInputLayout&)>& given,
                         const DetectChoices& settled) {
    m_results.clear();
    m_bCancelled = false;
    // Reading: every file on its own, nothing locked, the folder listed once for all of them.
    CListingCache reading(m_fs);
    std::vector<SJob> jobs;
    const SReadOptions options{bSymbolFromFileName, bDetect, given, settled};
    if (!ReadAll(conversion, files, options, reading, jobs)) {
        return 1;
    }
    // Writing: one lock, one commit for every file that was read well (for all of them only).
    if (m_bAllOrNothing && jobs.size() != files.size()) {
        NoneWritten();
        return 1;
    }
    if (!jobs.empty() && !WriteAll(conversion, jobs)) {
        return 1;
    }
    return std::all_of(m_results.begin(), m_results.end(), [](const SBatchFileResult& r) { return r.bOk; }) ? 0 : 1;
}

void CBatchConverter::NoneWritten() {
    for (SBatchFileResult& result : m_results) {
        if (result.messages.empty()) {
            result.messages.push_back("Not written: another file of the batch failed, and the batch is all or nothing.");
        }
    }
}

std::string CBatchConverter::Total() const {
    std::size_t nOk = 0;
    std::size_t nAdded = 0;
    std::size_t nUpdated = 0;
    std::string notWritten;
    for (const SBatchFileResult& result : m_results) {
        nOk += result.bOk ? 1 : 0;
        nAdded += result.nAdded;
        nUpdated += result.nUpdated;
        if (!result.bOk) {
            notWritten += (notWritten.empty() ? "" : ", ") + PathUtf8(Utf8Path(result.strPath).filename());
        }
    }
    const std::size_t nFailed = m_results.size() - nOk;
    const std::string strWhat =
        nUpdated == 0 ? std::string()
                      : " (" + std::to_string(nAdded) + (nAdded == 1 ? " security" : " securities") + " added, " +
                            std::to_string(nUpdated) + " updated)";
    std::string text = std::to_string(nOk) + (nOk == 1 ? " file" : " files") + " converted" + strWhat + ", " +
                       std::to_string(nFailed) + " failed, " + std::to_string(m_results.size()) + " in all.";
    if (nFailed > 0) {
        text += nOk > 0 ? " Written: the " + std::to_string(nOk) + " converted. Not written: " + notWritten + "."
                        : " Nothing was written.";
    }
    return text;
}
