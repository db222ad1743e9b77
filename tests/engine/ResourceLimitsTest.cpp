// Databases and output directories at the edge of what a run can meet: a MASTER whose count
// claims far more entries than the file holds, a tree of MASTERs a thousand directories deep,
// an output directory that cannot be written and a disk that fills up during a run.
#include "tests/engine/JobFixture.h"

#include "metastock/MasterFile.h"
#include "tests/support/MasterBuilder.h"

#include <map>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const char kPrices[] = "01/04/99,10,11,9,10.5,1200,7\n12/31/99,10.5,12,10,11.75,900,8\n";

// Every file under dir with its bytes, so that "nothing changed" can be compared whole.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string name = std::filesystem::relative(item.path(), dir).string();
        files[name] = item.is_regular_file() ? ReadFile(item.path()) : std::string("<dir>");
    }
    return files;
}

// A MASTER that is whole: a header and as many records as it counts, nothing more.
void ExpectWholeMaster(const std::string& bytes) {
    ASSERT_GE(bytes.size(), kMasterRecordSize);
    ASSERT_EQ(bytes.size() % kMasterRecordSize, 0u);
    MasterRecord head;
    std::copy_n(bytes.begin(), head.size(), head.begin());
    const SMasterHeader header = SMasterHeader::FromBytes(head);
    EXPECT_EQ(static_cast<std::size_t>(header.nEntryCount) + 1, bytes.size() / kMasterRecordSize);
}

// A tmpfs mounted over a directory for one test, unmounted (lazily, so that an open file
// or a current directory inside it cannot keep it) however the test ends.
class CScratchMount {
public:
    // Mounts only when the test runs as root and the sandbox lets it mount; check Mounted().
    CScratchMount(const std::filesystem::path& dir, const std::string& options) : m_dir(dir) {
        if (geteuid() == 0 && mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0) {
            m_bMounted = true;
        }
    }
    ~CScratchMount() {
        if (m_bMounted) {
            umount2(m_dir.c_str(), MNT_DETACH);
        }
    }
    CScratchMount(const CScratchMount&) = delete;
    CScratchMount& operator=(const CScratchMount&) = delete;

    bool Mounted() const { return m_bMounted; }
    bool RemountReadOnly() {
        return mount("tmpfs", m_dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::filesystem::path m_dir;
    bool m_bMounted = false;
};

// Writes to path until the file system refuses: the disk is then full.
bool FillUp(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    const std::string chunk(4096, 'x');
    std::size_t nWritten = 0;
    for (;;) {
        const ssize_t n = ::write(fd, chunk.data(), chunk.size());
        if (n <= 0) {
            break;
        }
        nWritten += static_cast<std::size_t>(n);
    }
    // Single bytes too, so that not even the rest of a page is left.
    while (::write(fd, "x", 1) == 1) {
    }
    ::close(fd);
    return nWritten > 0;
}

class ResourceLimits : public JobTest {
protected:
    void SetUp() override {
        WriteFile(m_input, kPrices);
        m_settings.nExist = 0; // use the existing master
        m_settings.strSymbol = "NEW";
    }
    // The directory of level n (0 the output directory) of a tree of nested "D" directories.
    std::filesystem::path Level(int n) const {
        std::filesystem::path dir = m_out;
        for (int i = 0; i < n; ++i) {
            dir /= "D";
        }
        return dir;
    }
    // nDepth levels below the output directory, each MASTER with one security and one
    // directory entry leading to the next; the deepest MASTER holds only security DEEP.
    void WriteDeepTree(int nDepth) {
        std::filesystem::create_directories(Level(nDepth));
        for (int i = 0; i <= nDepth; ++i) {
            SEntrySpec security;
            security.nFileNumber = 1;
            security.strSymbol = i == nDepth ? "DEEP" : "L" + std::to_string(i);
            security.strName = security.strSymbol;
            CMasterBuilder master;
            master.Security(security);
            if (i < nDepth) {
                master.Directory(2, "D");
            }
            ASSERT_TRUE(master.Write(Level(i) / "MASTER"));
        }
    }
};

// ---- A MASTER whose header counts 32767 entries over two records ----

class OverCountedMaster : public ResourceLimits {
protected:
    void SetUp() override {
        ResourceLimits::SetUp();
        SEntrySpec beta;
        beta.nFileNumber = 2;
        beta.strSymbol = "BETA";
        beta.strName = "BETA MINING";
        m_master = CMasterBuilder().Security({}).Security(beta).EntryCount(32767).Bytes();
        WriteFile(m_out / "MASTER", m_master);
        WriteFile(m_out / "F1.DAT", MakeDataFileBytes(5, {}));
        WriteFile(m_out / "F2.DAT", MakeDataFileBytes(5, {}));
        m_before = Snapshot(m_out);
    }
    std::string m_master;
    std::map<std::string, std::string> m_before;
};

TEST_F(OverCountedMaster, SearchReadsOnlyTheRecordsThereAre) {
    auto job = MakeJob();
    MasterRecord entry{};
    std::string dir;
    // Both records that exist are still found...
    EXPECT_EQ(job->FindSecurity(m_out.string(), "beta", entry, dir), kFindFound);
    EXPECT_EQ(entry[0], 2);
    EXPECT_EQ(job->FindSecurity(m_out.string(), "ABC", entry, dir), kFindFound);
    // ...and a symbol that is not there ends the search at the file's end, not after 32767 reads.
    EXPECT_NE(job->FindSecurity(m_out.string(), "NONE", entry, dir), kFindFound);
    EXPECT_EQ(Snapshot(m_out), m_before);
}

TEST_F(OverCountedMaster, AddingRefusesTheMasterAsFullAndChangesNothing) {
    auto job = MakeJob();
    ASSERT_EQ(job->CheckMasterPath(), 0);
    ASSERT_EQ(job->CheckColumns(), 0);
    EXPECT_EQ(job->AddSecurity(), 1);
    EXPECT_EQ(job->NewFileNumber(), 0);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_NE(m_messages.Texts()[0].find("maximum number of symbols"), std::string::npos);
    EXPECT_EQ(Snapshot(m_out), m_before);
}

TEST_F(OverCountedMaster, ConversionIntoItFailsWithAMessageAndChangesNothing) {
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_NE(m_messages.Texts()[0].find("maximum number of symbols"), std::string::npos);
    EXPECT_EQ(Snapshot(m_out), m_before);
}

TEST_F(OverCountedMaster, ADuplicateIsStillRefusedAsADuplicate) {
    m_settings.strSymbol = "BETA";
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_NE(m_messages.Texts()[0].find("Duplicate Symbol"), std::string::npos);
    EXPECT_EQ(Snapshot(m_out), m_before);
}

// ---- A MASTER tree 1,000 directories deep ----

constexpr int kDeep = 1000;

TEST_F(ResourceLimits, ADeepTreeIsSearchedToItsBottomWithoutRecursion) {
    WriteDeepTree(kDeep);
    auto job = MakeJob();
    MasterRecord entry{};
    std::string dir;
    ASSERT_EQ(job->FindSecurity(m_out.string(), "DEEP", entry, dir), kFindFound);
    EXPECT_EQ(std::filesystem::path(dir), Level(kDeep) / "");
    EXPECT_EQ(job->FindSecurity(m_out.string(), "L999", entry, dir), kFindFound);
    EXPECT_EQ(std::filesystem::path(dir), Level(999) / "");
    // The whole tree is walked and climbed back out of.
    EXPECT_EQ(job->FindSecurity(m_out.string(), "NONE", entry, dir), kFindNotFound);
}

TEST_F(ResourceLimits, ADeepTreeRefusesADuplicateAtItsBottomAndTakesANewSymbol) {
    WriteDeepTree(kDeep);
    m_settings.strSymbol = "deep";
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_NE(m_messages.Texts()[0].find("Duplicate Symbol"), std::string::npos);

    m_messages.Clear();
    m_settings.strSymbol = "NEW";
    EXPECT_EQ(Run(), 0) << ::testing::PrintToString(m_messages.Texts());
    // The new security goes into the top MASTER, under the lowest number no record uses.
    const std::string master = Master();
    ExpectWholeMaster(master);
    EXPECT_EQ(master.size(), 4 * kMasterRecordSize);
    EXPECT_EQ(static_cast<std::uint8_t>(master[3 * kMasterRecordSize]), 3);
    EXPECT_EQ(Bars(3).size(), 2u);
}

// ---- An output directory that cannot be written ----

class ReadOnlyOutput : public ResourceLimits, public ::testing::WithParamInterface<bool> {};

TEST_P(ReadOnlyOutput, FailsWithAMessageAndChangesNothing) {
    const bool bExisting = GetParam();
    CScratchMount mount(m_out, "size=1m");
    if (!mount.Mounted()) {
        GTEST_SKIP() << "needs root and mount to make a read-only directory (permission bits do not stop root)";
    }
    if (bExisting) {
        ASSERT_TRUE(CMasterBuilder().Security({}).Write(m_out / "MASTER"));
        WriteFile(m_out / "F1.DAT", MakeDataFileBytes(5, {{990104.0f, 1, 2, 3, 4}}));
    } else {
        m_settings.nExist = 1;
    }
    ASSERT_TRUE(mount.RemountReadOnly());
    const auto before = Snapshot(m_out);

    const int nResult = Run();
    std::filesystem::current_path(m_dir.Path()); // let the mount go
    EXPECT_EQ(nResult, 1);
    ASSERT_EQ(m_messages.Texts().size(), 1u) << ::testing::PrintToString(m_messages.Texts());
    EXPECT_NE(m_messages.Texts()[0].find("could not be written"), std::string::npos) << m_messages.Texts()[0];
    EXPECT_EQ(Snapshot(m_out), before);
}

INSTANTIATE_TEST_SUITE_P(BothModes, ReadOnlyOutput, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ExistingMaster" : "NewMaster"; });

// ---- A disk that fills up ----

struct SFullDiskCase {
    bool bExisting;
    int nFreeBytes; // what is left free after filling: 0, or room for part of the run
};

class FullDisk : public ResourceLimits, public ::testing::WithParamInterface<SFullDiskCase> {};

TEST_P(FullDisk, FailsWithAMessageAndLeavesAWholeMasterAndNoTemporaries) {
    const SFullDiskCase c = GetParam();
    CScratchMount mount(m_out, "size=64k");
    if (!mount.Mounted()) {
        GTEST_SKIP() << "needs root and mount for a small tmpfs to fill";
    }
    // Enough bars to need more room than is left.
    std::string input;
    for (int i = 0; i < 2000; ++i) {
        input += "01/04/99,10,11,9,10.5,1200,7\n";
    }
    WriteFile(m_input, input);
    std::string oldMaster;
    if (c.bExisting) {
        oldMaster = CMasterBuilder().Security({}).Bytes();
        WriteFile(m_out / "MASTER", oldMaster);
        WriteFile(m_out / "F1.DAT", MakeDataFileBytes(5, {{990104.0f, 1, 2, 3, 4}}));
    } else {
        m_settings.nExist = 1;
    }
    const auto filler = m_out / "filler";
    ASSERT_TRUE(FillUp(filler));
    if (c.nFreeBytes > 0) {
        std::filesystem::resize_file(filler, std::filesystem::file_size(filler) - static_cast<std::uintmax_t>(c.nFreeBytes));
    }
    auto before = Snapshot(m_out);
    before.erase("filler");

    const int nResult = Run();
    std::filesystem::current_path(m_dir.Path());
    EXPECT_EQ(nResult, 1);
    EXPECT_FALSE(m_messages.Texts().empty()) << "a failed run says why";

    auto after = Snapshot(m_out);
    after.erase("filler");
    for (const auto& [name, bytes] : after) {
        EXPECT_TRUE(name == "MASTER" || name == "MASTER.BAK" || name.rfind("F", 0) == 0) << "left behind: " << name;
        EXPECT_EQ(name.find('~'), std::string::npos) << "temporary left behind: " << name;
        EXPECT_EQ(name.find(".NEW"), std::string::npos) << "temporary left behind: " << name;
    }
    if (after.count("MASTER") != 0) {
        const std::string master = after["MASTER"];
        ExpectWholeMaster(master);
        // The old MASTER byte for byte, or one with the new entry complete.
        // In "Make New Master" mode the empty MASTER that the run begins with may stay.
        if (master != oldMaster && !(oldMaster.empty() && master == std::string(kMasterRecordSize, '\0'))) {
            EXPECT_EQ(master.size(), oldMaster.empty() ? 2 * kMasterRecordSize : oldMaster.size() + kMasterRecordSize);
            EXPECT_EQ(master.substr(kMasterRecordSize, oldMaster.empty() ? 0 : oldMaster.size() - kMasterRecordSize),
                      oldMaster.empty() ? "" : oldMaster.substr(kMasterRecordSize));
        }
    } else {
        EXPECT_FALSE(c.bExisting) << "the existing MASTER was lost";
    }
    if (c.nFreeBytes == 0) {
        EXPECT_EQ(after, before) << "a run on a full disk changes nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, FullDisk,
                         ::testing::Values(SFullDiskCase{true, 0}, SFullDiskCase{false, 0}, SFullDiskCase{true, 4096},
                                           SFullDiskCase{false, 4096}, SFullDiskCase{true, 12288},
                                           SFullDiskCase{false, 12288}),
                         [](const auto& info) {
                             return std::string(info.param.bExisting ? "Existing" : "New") + "Master" +
                                    std::to_string(info.param.nFreeBytes) + "BytesFree";
                         });

} // namespace
