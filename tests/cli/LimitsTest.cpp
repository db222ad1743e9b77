// pelmar-cli over a MASTER whose entry count claims far more than the file holds, and
// convert into a directory that cannot be written: each ends with a clear outcome and
// leaves the database as it was.
#include "metastock/Records.h"
#include "tests/support/MasterBuilder.h"
#include "tests/cli/CliRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliLimits : public ::testing::Test {
protected:
    CliLimits() {
        std::filesystem::create_directory(m_db);
        std::filesystem::create_directory(m_config);
        WriteFile(m_input, "01/04/99,10,11,9,10.5,1200,7\n12/31/99,10.5,12,10,11.75,900,8\n");
    }

    SRun Cli(const std::string& args) { return RunCli(args, m_config, m_dir.Path()); }
    std::string Convert(const std::string& options) {
        return "convert " + Quote(m_input.string()) + " --out " + Quote(m_db.string()) + " " + options;
    }

    CTempDir m_dir;
    std::filesystem::path m_db = m_dir / "db";
    std::filesystem::path m_config = m_dir / "config";
    std::filesystem::path m_input = m_dir / "prices.txt";
};

TEST_F(CliLimits, AnEntryCountOf32767OverTwoRecordsIsReportedNotFollowed) {
    SEntrySpec beta;
    beta.nFileNumber = 2;
    beta.strSymbol = "BETA";
    const std::string master = CMasterBuilder().Security({}).Security(beta).EntryCount(32767).Bytes();
    WriteFile(m_db / "MASTER", master);
    WriteFile(m_db / "F1.DAT", MakeDataFileBytes(5, {{990104.0f, 11, 9, 10.5f, 1200}}));
    WriteFile(m_db / "F2.DAT", MakeDataFileBytes(5, {}));
    const auto before = ListDirectory(m_db);

    SRun run = Cli("list " + Quote(m_db.string()));
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_TRUE(Contains(run.strErr, "the header counts 32767 entries but the file holds only 2")) << run.strErr;
    EXPECT_TRUE(Contains(run.strOut, "1\t1\tsecurity\tABC")) << run.strOut;
    EXPECT_TRUE(Contains(run.strOut, "2\t2\tsecurity\tBETA")) << run.strOut;

    run = Cli("dump " + Quote(m_db.string()) + " ABC");
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_TRUE(Contains(run.strErr, "32767")) << run.strErr;
    EXPECT_TRUE(Contains(run.strOut, "1999-01-04")) << run.strOut;

    run = Cli("dump " + Quote(m_db.string()) + " NONE");
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_NE(run.strErr, "");

    // Adding to it is refused as a full MASTER, whose count says 32767.
    run = Cli(Convert("--symbol NEW"));
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_TRUE(Contains(run.strErr, "maximum number of symbols")) << run.strErr;
    EXPECT_TRUE(Contains(run.strOut, "Conversion failed.")) << run.strOut;

    EXPECT_EQ(ReadFile(m_db / "MASTER"), master);
    EXPECT_EQ(ListDirectory(m_db), before);
}

TEST_F(CliLimits, ConvertIntoAReadOnlyDirectoryFailsWithAMessage) {
    if (geteuid() != 0 || mount("tmpfs", m_db.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "needs root and mount to make a read-only directory (permission bits do not stop root)";
    }
    struct SUnmount {
        std::filesystem::path dir;
        ~SUnmount() { umount2(dir.c_str(), MNT_DETACH); }
    } unmount{m_db};
    const std::string master = CMasterBuilder().Security({}).Bytes();
    WriteFile(m_db / "MASTER", master);
    ASSERT_EQ(mount("tmpfs", m_db.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);

    for (const char* pszMode : {"", "--new-master"}) {
        SCOPED_TRACE(pszMode);
        const SRun run = Cli(Convert("--symbol NEW " + std::string(pszMode)));
        EXPECT_EQ(run.nStatus, 1);
        EXPECT_NE(run.strErr, "");
        EXPECT_TRUE(Contains(run.strOut, "Conversion failed.")) << run.strOut;
        EXPECT_EQ(ListDirectory(m_db), std::vector<std::string>{"MASTER"});
        EXPECT_EQ(ReadFile(m_db / "MASTER"), master);
    }
    // With no MASTER there, "Make New Master" has to write one and cannot.
    ASSERT_EQ(mount("tmpfs", m_db.c_str(), "tmpfs", MS_REMOUNT, nullptr), 0);
    std::filesystem::remove(m_db / "MASTER");
    ASSERT_EQ(mount("tmpfs", m_db.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
    const SRun run = Cli(Convert("--symbol NEW --new-master"));
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_TRUE(Contains(run.strErr, "A new MASTER could not be written")) << run.strErr;
    EXPECT_TRUE(ListDirectory(m_db).empty());
}

} // namespace
