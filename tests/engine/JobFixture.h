// A conversion job in a scratch directory: an input file, an output directory, a recorded
// message box and an in-memory store, and readers for what the run wrote.
#pragma once

#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "metastock/Mbf.h"
#include "metastock/Records.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/MemoryStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class JobTest : public ::testing::Test {
protected:
    JobTest() : m_previousDir(std::filesystem::current_path()) {
        std::filesystem::create_directory(m_out);
        m_settings.strPathIn = m_input.string();
        m_settings.strPathOut = m_out.string();
        m_settings.strSymbol = "ABC";
        m_settings.strName = "ALPHA CORP";
        m_settings.nExist = 1;  // a new master unless a test says otherwise
        m_settings.strDateFormat = "MM_DD_YY";
    }
    ~JobTest() override { std::filesystem::current_path(m_previousDir); }

    // Checks and fills a job from m_settings as the Settings command does.
    std::unique_ptr<CConverter> MakeJob(CFileSystem& fs = GetSystemFileSystem()) {
        SImportSettings settings = m_settings;
        const auto problem = CheckSettingsForRun(settings);
        EXPECT_FALSE(problem) << (problem ? problem->strMessage : "");
        auto job = std::make_unique<CConverter>(fs, m_messages, m_store);
        FillJob(settings, *job);
        return job;
    }
    int Run(CFileSystem& fs = GetSystemFileSystem()) { return MakeJob(fs)->Convert(); }
    int Run(const std::string& input) {
        WriteFile(m_input, input);
        return Run();
    }

    // The bars of F<n>.DAT in the output directory, decoded; the header record left out.
    std::vector<std::vector<float>> Bars(int nFileNumber = 1, int nFields = 7) const {
        const std::string bytes = ReadFile(m_out / ("F" + std::to_string(nFileNumber) + ".DAT"));
        const std::size_t nRecord = static_cast<std::size_t>(4 * nFields);
        std::vector<std::vector<float>> bars;
        for (std::size_t offset = nRecord; offset + nRecord <= bytes.size(); offset += nRecord) {
            std::vector<float> bar;
            for (std::size_t i = 0; i < nRecord; i += 4) {
                MbfSingle mbf;
                for (std::size_t k = 0; k < 4; ++k) {
                    mbf[k] = static_cast<std::uint8_t>(bytes[offset + i + k]);
                }
                bar.push_back(DecodeMbf(mbf));
            }
            bars.push_back(bar);
        }
        return bars;
    }
    std::string Master() const { return ReadFile(m_out / "MASTER"); }
    static std::string Mbf(float value) {
        const MbfSingle mbf = EncodeMbf(value);
        return std::string(mbf.begin(), mbf.end());
    }

    CTempDir m_dir;
    std::filesystem::path m_input = m_dir / "prices.txt";
    std::filesystem::path m_out = m_dir / "db";
    SImportSettings m_settings;
    CRecordingMessageBox m_messages;
    CMemoryStore m_store;

private:
    std::filesystem::path m_previousDir;
};
