// pelmar-cli run as a user runs it: a separate process with its settings in a scratch
// configuration directory, its exit status and both streams kept.
#pragma once

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

struct SRun {
    int nStatus;
    std::string strOut;
    std::string strErr;
};

// A shell word that stands for text exactly.
inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs pelmar-cli with args (already quoted) in cwd, or here when cwd is empty; the streams
// pass through files in scratch.
inline SRun RunCli(const std::string& args, const std::filesystem::path& config, const std::filesystem::path& scratch,
                   const std::filesystem::path& cwd = {}) {
    const auto out = scratch / "out.txt";
    const auto err = scratch / "err.txt";
    const std::string command = (cwd.empty() ? "" : "cd " + Quote(cwd.string()) + " && ") + "XDG_CONFIG_HOME=" +
                                Quote(config.string()) + " " + Quote(PELMAR_CLI_PATH) + " " + args + " >" +
                                Quote(out.string()) + " 2>" + Quote(err.string());
    const int nRaw = std::system(command.c_str());
    SRun run{WIFEXITED(nRaw) ? WEXITSTATUS(nRaw) : -1, ReadFile(out), ReadFile(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}
