// Shared by the fuzz targets: one scratch directory per fuzzing process, emptied before
// each input, and a job run that answers every message without a window.
#pragma once

#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/MemoryStore.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

inline const std::filesystem::path& FuzzScratch() {
    static const std::filesystem::path dir = [] {
        auto path = std::filesystem::temp_directory_path() / ("pelmar-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] { std::error_code ec; std::filesystem::remove_all(FuzzScratch(), ec); });
        return path;
    }();
    return dir;
}

// An empty scratch directory with the given subdirectory; the current directory is left
// outside it, since a run moves into its output directory.
inline std::filesystem::path FreshDir(const std::string& name) {
    std::error_code ec;
    std::filesystem::current_path(FuzzScratch(), ec);
    const auto dir = FuzzScratch() / name;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir;
}

inline void PutFile(const std::filesystem::path& path, const char* pData, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(pData, static_cast<std::streamsize>(size));
}

// Runs one conversion with checked settings; the files it leaves are the caller's to check.
inline int RunJob(SImportSettings settings) {
    if (CheckSettingsValues(settings) || CheckSettingsForRun(settings)) {
        return -1;
    }
    CRecordingMessageBox messages;
    CMemoryStore store;
    CConverter job(GetSystemFileSystem(), messages, store);
    FillJob(settings, job);
    // A run leaves the current directory at the database; libFuzzer writes its corpus
    // relative to where it started.
    const std::filesystem::path start = std::filesystem::current_path();
    const int nResult = job.Convert();
    std::filesystem::current_path(start);
    return nResult;
}
