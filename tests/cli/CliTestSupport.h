// Runs pelmar-cli's commands in the test's process, with the settings in the test's own
// temporary folder, and the inputs the tests share.
#pragma once

#include "cli/Commands.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

struct SCliResult {
    int nStatus = 0;
    std::string strOut;
    std::string strErr;
};

inline SCliResult RunCli(const std::string& command, const Arguments& args) {
    const struct {
        const char* pszName;
        int (*pRun)(const Arguments&, std::ostream&, std::ostream&);
    } commands[] = {{"convert", RunConvert}, {"list", RunList},     {"dump", RunDump},    {"check", RunCheck},
                    {"delete", RunDelete},   {"rename", RunRename}, {"detect", RunDetect},
                    {"repair", RunRepair}};
    std::ostringstream out;
    std::ostringstream err;
    SCliResult result{2, {}, {}};
    for (const auto& entry : commands) {
        if (command == entry.pszName) {
            result.nStatus = entry.pRun(args, out, err);
        }
    }
    result.strOut = out.str();
    result.strErr = err.str();
    return result;
}

inline std::string SourceFile(const std::string& relative) {
    return std::string(PELMAR_SOURCE_DIR) + "/" + relative;
}

// A test with a scratch folder. The settings of the whole test program live in a folder of
// its own (SettingsFolder.cpp): the store takes its place once per process.
class CCliTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(Db()); }
    std::filesystem::path Db() const { return m_dir / "db"; }
    std::string DbText() const { return Db().string(); }
    // Writes text as a price file in the scratch folder; returns its path.
    std::string Input(const std::string& name, const std::string& text) const {
        WriteFile(m_dir / name, text);
        return (m_dir / name).string();
    }

    CTempDir m_dir;
};
