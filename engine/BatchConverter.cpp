#include "engine/BatchConverter.h"

#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "metastock/Database.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"
#include "platform/RecordingMessageBox.h"
#include "platform/TextEncoding.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// One file of the batch: its own job and the messages its job showed.
struct SBatchJob {
    std::unique_ptr<CRecordingMessageBox> pMessages;
    std::unique_ptr<CConverter> pJob;
    std::size_t nResult = 0; // index into the results
};

std::vector<std::string> Texts(const CRecordingMessageBox& messages) {
    std::vector<std::string> texts = messages.Texts();
    texts.insert(texts.end(), messages.Notices().begin(), messages.Notices().end());
    return texts;
}

} // namespace

CBatchConverter::CBatchConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store,
                                 const CWording& wording)
    : m_fs(fs), m_messages(messages), m_store(store), m_wording(wording) {}

int CBatchConverter::Run(const SConversion& conversion, const std::vector<std::string>& files,
                         bool bSymbolFromFileName, bool bDetect, const std::function<void(SInputLayout&)>& given,
                         const DetectChoices& settled) {
    m_results.clear();
    m_bCancelled = false;

    // Reading: every file on its own, nothing locked. The files are read by a few threads at
    // once (each file's job is its own), and taken up here in their order.
    const auto readOne = [&](std::size_t i, SBatchFileResult& result, std::optional<SBatchJob>& prepared) {
        result.strPath = files[i];
        SConversion file = conversion;
        file.strInputPath = files[i];
        if (bDetect) {
            const SDetectedLayout detected = DetectedLayout(m_fs, Utf8Path(files[i]), given, settled, m_wording);
            if (const std::string refusal = detected.Refusal(conversion.read.bSkipBadLines, m_wording); refusal.empty()) {
                file.layout = detected.layout;
            } else {
                result.messages.push_back(refusal);
            }
        }
        const bool bSymbolColumn = file.layout.nSymbolCol != kNoColumn;
        if (bSymbolFromFileName && !bSymbolColumn) {
            file.output.strSymbol = SymbolFromFileName(PathUtf8(Utf8Path(files[i]).stem()));
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
        SBatchJob job;
        job.pMessages = std::make_unique<CRecordingMessageBox>();
        job.pJob = std::make_unique<CConverter>(m_fs, *job.pMessages, m_store, m_wording);
        if (job.pJob->Prepare(file) == 0) {
            prepared = std::move(job);
        } else {
            result.messages = Texts(*job.pMessages);
        }
    };

    struct SSlot {
        SBatchFileResult result;
        std::optional<SBatchJob> job;
        bool bReady = false;
    };
    std::vector<SSlot> slots(files.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> nNext{0};
    std::atomic<bool> bStop{false};
    const auto worker = [&] {
        for (std::size_t i; !bStop && (i = nNext++) < files.size();) {
            SBatchFileResult result;
            std::optional<SBatchJob> job;
            readOne(i, result, job);
            const std::lock_guard<std::mutex> lock(mutex);
            slots[i].result = std::move(result);
            slots[i].job = std::move(job);
            slots[i].bReady = true;
            ready.notify_all();
        }
    };
    const std::size_t nThreads =
        std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), std::min<std::size_t>(files.size(), 4));
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < nThreads; ++t) {
        threads.emplace_back(worker);
    }
    struct SJoin {
        std::vector<std::thread>& threads;
        std::atomic<bool>& bStop;
        ~SJoin() {
            bStop = true;
            for (std::thread& thread : threads) {
                thread.join();
            }
        }
    } join{threads, bStop};

    std::vector<SBatchJob> jobs;
    std::string strOutputDir;
    for (std::size_t i = 0; i < files.size(); ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [&] { return slots[i].bReady; });
        }
        if (slots[i].job) {
            slots[i].job->nResult = m_results.size();
            strOutputDir = conversion.output.strFolder;
            jobs.push_back(std::move(*slots[i].job));
            slots[i].job.reset();
        }
        m_results.push_back(std::move(slots[i].result));
        if (m_progress && !m_progress(i + 1, files.size(), files[i])) {
            m_bCancelled = true;
            m_messages.Notice("The batch was cancelled; nothing was written.");
            return 1;
        }
    }

    // Writing: one lock, one commit for every file that was read well.
    if (!jobs.empty()) {
        const auto folder = ResolvePathNoCase(m_fs, Utf8Path(strOutputDir));
        CDatabase database(m_fs, m_messages, folder.value_or(Utf8Path(strOutputDir)));
        std::string strError;
        if (!database.LockAndRead(strError)) {
            m_messages.Show(strError);
            return 1;
        }
        // A new database is started once, for all files.
        const bool bNewDatabase = conversion.output.mode == EMasterMode::MakeNew;
        if (bNewDatabase && !database.CreateNew(strError)) {
            m_messages.Show(strError);
            for (const SBatchJob& job : jobs) {
                m_results[job.nResult].messages.push_back(strError);
            }
            return 1;
        }
        // The folder's tree of securities is read once for all files, not once a file.
        const CSecurityTree tree(m_fs, database.Folder());
        std::vector<SBatchJob*> staged;
        for (SBatchJob& job : jobs) {
            if (job.pJob->Stage(database, bNewDatabase, &tree) == 0) {
                staged.push_back(&job);
                continue;
            }
            m_results[job.nResult].messages = Texts(*job.pMessages);
            if (job.pJob->StagedCount() > 0) {
                // A file of several symbols stopped half way: none of the batch may go in with it.
                m_messages.Show("The securities of " + m_results[job.nResult].strPath +
                                " could not all be added; nothing was written.");
                return 1;
            }
        }
        if (!staged.empty()) {
            if (!database.Commit(strError)) {
                m_messages.Show(strError);
                for (SBatchJob* pJob : staged) {
                    m_results[pJob->nResult].messages.push_back("Not written: the commit failed.");
                }
                return 1;
            }
            for (SBatchJob* pJob : staged) {
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
        }
    }
    for (const SBatchFileResult& result : m_results) {
        if (!result.bOk) {
            return 1;
        }
    }
    return 0;
}

std::string CBatchConverter::Total() const {
    std::size_t nOk = 0;
    for (const SBatchFileResult& result : m_results) {
        nOk += result.bOk ? 1 : 0;
    }
    const std::size_t nFailed = m_results.size() - nOk;
    std::size_t nAdded = 0;
    std::size_t nUpdated = 0;
    for (const SBatchFileResult& result : m_results) {
        nAdded += result.nAdded;
        nUpdated += result.nUpdated;
    }
    const std::string strWhat =
        nUpdated == 0 ? std::string()
                      : " (" + std::to_string(nAdded) + (nAdded == 1 ? " security" : " securities") + " added, " +
                            std::to_string(nUpdated) + " updated)";
    return std::to_string(nOk) + (nOk == 1 ? " file" : " files") + " converted" + strWhat + ", " +
           std::to_string(nFailed) + " failed, " + std::to_string(m_results.size()) + " in all.";
}
