// Time of ReverseInput alone on newest-first files of growing length; the fitted
// complexity should come out as O(N).
#include "bench/PriceGenerator.h"
#include "engine/Converter.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "platform/SettingsStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// ReverseInput reads no settings; the job only needs a store to be built.
class CNoStore : public CSettingsStore {
public:
    int GetInt(const std::string&, const std::string&, int nDefault) override { return nDefault; }
    int PutInt(const std::string&, const std::string&, int) override { return 1; }
    std::string GetString(const std::string&, const std::string&, const std::string& strDefault) override {
        return strDefault;
    }
    int PutString(const std::string&, const std::string&, const std::string&) override { return 1; }
};

// A scratch directory made current for the working files, removed at the end.
class CScratch {
public:
    CScratch() : m_previous(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelmar-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            m_path = pattern;
            std::filesystem::current_path(m_path);
        }
    }
    ~CScratch() {
        std::error_code error;
        std::filesystem::current_path(m_previous, error);
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, error);
        }
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

void BM_ReverseInput(benchmark::State& state) {
    CScratch scratch;
    if (scratch.Path().empty()) {
        state.SkipWithError("no scratch directory");
        return;
    }
    SPriceFileOptions options;
    options.nBars = static_cast<int>(state.range(0));
    options.bHeader = false; // each run reverses the last one's output, no rows to drop
    options.bCrLf = true;    // as a reversal leaves it, so every run moves the same bytes
    const auto text = GeneratePriceFile(options);
    const auto input = scratch.Path() / "prices.txt";
    {
        std::ofstream file(input, std::ios::binary);
        file.write(text ? text->data() : "", text ? static_cast<std::streamsize>(text->size()) : 0);
        if (!text || !file.flush()) {
            state.SkipWithError("cannot write the input file");
            return;
        }
    }
    CRecordingMessageBox messages;
    CNoStore store;
    for (auto _ : state) {
        CConverter job(GetSystemFileSystem(), messages, store);
        job.m_strInputPath = input.string();
        job.m_bSkipRows = 0;
        job.m_nSkipRows = 0;
        if (job.ReverseInput() != 0) {
            state.SkipWithError("ReverseInput failed");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text->size()));
}

} // namespace

BENCHMARK(BM_ReverseInput)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(65534)
    ->Arg(655340)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
