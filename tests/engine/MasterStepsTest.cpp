#include "tests/engine/JobFixture.h"

#include "metastock/MasterFile.h"

#include <cstring>

namespace {

const char kPrices[] = "01/04/99,10,11,9,10.5,1200,7\n12/31/99,10.5,12,10,11.75,900,8\n";

MasterRecord Security(std::uint8_t nNumber, const std::string& symbol, const std::string& name = "") {
    SSecurityEntry entry;
    entry.nFileNumber = nNumber;
    entry.nRecordLength = 28;
    entry.nFieldCount = 7;
    entry.strName = name;
    entry.strSymbol = symbol;
    return entry.ToBytes();
}

// A record naming a subdirectory, as other software writes one.
MasterRecord Directory(std::uint8_t nNumber, const std::string& dir) {
    MasterRecord record{};
    record[0] = nNumber;
    std::memset(record.data() + kEntryNameOffset, ' ', 16);
    std::memcpy(record.data() + kEntryNameOffset, dir.data(), dir.size());
    std::memcpy(record.data() + 18, "<DIR>", 5);
    return record;
}

// A MASTER whose header counts nCount entries (and raised its counter to nCounter).
std::string MasterBytes(const std::vector<MasterRecord>& records, int nCount = -1, int nCounter = -1) {
    SMasterHeader header;
    header.nEntryCount = static_cast<std::int16_t>(nCount < 0 ? records.size() : nCount);
    header.nFileCounter = static_cast<std::int16_t>(nCounter < 0 ? header.nEntryCount : nCounter);
    for (std::size_t i = 0; i < header.reserved.size(); ++i) {
        header.reserved[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    const MasterRecord head = header.ToBytes();
    std::string bytes(head.begin(), head.end());
    for (const auto& record : records) {
        bytes.append(record.begin(), record.end());
    }
    return bytes;
}

class MasterSteps : public JobTest {
protected:
    void SetUp() override {
        WriteFile(m_input, kPrices);
        m_settings.nExist = 0;
        m_settings.strSymbol = "NEW";
    }
    // The file number that the run gave the new security, from the last record of MASTER.
    int NewNumber() {
        const std::string master = Master();
        return master.size() >= 106 ? static_cast<std::uint8_t>(master[master.size() - 53]) : -1;
    }
};

}  // namespace

TEST_F(MasterSteps, MissingDirectoryLeavesTheCurrentDirectory) {
    std::filesystem::current_path(m_dir.Path());
    m_settings.strPathOut = (m_dir / "nowhere").string();
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Path does not exist"}));
    EXPECT_EQ(std::filesystem::current_path(), m_dir.Path());
}

TEST_F(MasterSteps, ExistingModeNeedsAMaster) {
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Path specified does not point to a Master file"}));
    EXPECT_TRUE(ListDirectory(m_out).empty());
}

TEST_F(MasterSteps, NewModeRefusesAnyExistingMasterWhateverItsCase) {
    WriteFile(m_out / "master", "not even a master");
    m_settings.nExist = 1;
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"New Master chosen but one already exists"}));
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"master"}));
    EXPECT_EQ(ReadFile(m_out / "master"), "not even a master");
}

TEST_F(MasterSteps, LowerCaseNamesAreTheSameFiles) {
    WriteFile(m_out / "master", MasterBytes({Security(1, "AAA"), Security(2, "BBB")}));
    WriteFile(m_out / "f3.dat", "left over");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(ListDirectory(m_out),
              (std::vector<std::string>{"F3.DOP", "f3.dat", "master", "master.BAK"}));
    EXPECT_EQ(ReadFile(m_out / "f3.dat").size(), 28u * 3);
    const std::string master = ReadFile(m_out / "master");
    ASSERT_EQ(master.size(), 53u * 4);
    EXPECT_EQ(master[159], 3);
}

TEST_F(MasterSteps, OutputPathInAnotherCaseIsFound) {
    std::filesystem::create_directories(m_dir / "Market" / "Daily");
    WriteFile(m_dir / "Market" / "Daily" / "MASTER", MasterBytes({}));
    m_settings.strPathOut = (m_dir / "MARKET" / "daily").string();
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(m_store.GetString("Import", "PathOut", ""), (m_dir / "Market" / "Daily").string());
}

TEST_F(MasterSteps, TooLongFullPathIsRefusedNotCut) {
    std::filesystem::path deep = m_out;
    while (deep.string().size() <= 300) {
        deep /= std::string(60, 'd');
    }
    std::filesystem::create_directories(deep);
    // Typed short, relative to where the program stands; only the full path is too long.
    std::filesystem::current_path(deep.parent_path());
    m_settings.strPathOut = deep.filename().string();
    m_settings.nExist = 1;
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_EQ(m_messages.Texts()[0].rfind("The full path of the output directory is too long", 0), 0u);
    EXPECT_EQ(std::filesystem::current_path(), deep.parent_path());
    EXPECT_TRUE(ListDirectory(deep).empty());
}

TEST_F(MasterSteps, NewNumberIsTheLowestThatNoRecordUses) {
    // A directory entry's number blocks too; so do records beyond the entry count.
    WriteFile(m_out / "MASTER", MasterBytes({Security(2, "AAA"), Directory(1, "SUB"), Security(4, "BBB"),
                                             Security(3, "CCC")},
                                            3));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(NewNumber(), 5);
    const std::string master = Master();
    ASSERT_EQ(master.size(), 53u * 6);
    EXPECT_EQ(master.substr(0, 4), std::string("\x04\x00\x04\x00", 4));  // both counters raised
    EXPECT_EQ(master.substr(4, 49), MasterBytes({}).substr(4, 49));     // other software's bytes kept
    EXPECT_EQ(master.substr(53, 53 * 4), MasterBytes({Security(2, "AAA"), Directory(1, "SUB"), Security(4, "BBB"),
                                                      Security(3, "CCC")})
                                             .substr(53));
    EXPECT_TRUE(Exists(m_out / "F5.DAT"));
}

TEST_F(MasterSteps, GapsAreFilledFirst) {
    WriteFile(m_out / "MASTER", MasterBytes({Security(2, "AAA"), Security(3, "BBB")}));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(NewNumber(), 1);
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"F1.DAT", "F1.DOP", "MASTER", "MASTER.BAK"}));
}

TEST_F(MasterSteps, CounterAt254TakesOneMoreAnd255Refuses) {
    WriteFile(m_out / "MASTER", MasterBytes({Security(1, "AAA")}, 254, 254));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(Master().substr(0, 4), std::string("\xFF\x00\xFF\x00", 4));

    m_settings.strSymbol = "MORE";
    const std::string full = Master();
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts().back(),
              "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new portfolio.");
    EXPECT_EQ(Master(), full);
}

TEST_F(MasterSteps, EveryNumberTakenRefusesBeforeTouchingAnyFile) {
    std::vector<MasterRecord> records;
    for (int n = 1; n <= 255; ++n) {
        records.push_back(Security(static_cast<std::uint8_t>(n), "S" + std::to_string(n)));
    }
    const std::string bytes = MasterBytes(records, 10, 10);
    WriteFile(m_out / "MASTER", bytes);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts().back().rfind("This portfolio already has the", 0), 0u);
    EXPECT_EQ(Master(), bytes);
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"MASTER"}));
}

TEST_F(MasterSteps, FinishingChangesOnlyTheNewEntrysDates) {
    WriteFile(m_out / "MASTER", MasterBytes({Security(1, "AAA"), Security(1, "DUP")}));
    ASSERT_EQ(Run(), 0);
    const std::string added = ReadFile(m_out / "MASTER.BAK");
    const std::string master = Master();
    ASSERT_EQ(master.size(), added.size());
    for (std::size_t i = 0; i < master.size(); ++i) {
        if (i >= 159 + 25 && i < 159 + 33) {
            continue;
        }
        ASSERT_EQ(master[i], added[i]) << "byte " << i;
    }
    EXPECT_EQ(master.substr(159 + 25, 8), "\x80\xB9\x71\x94\xF0\xFF\x71\x94");
}

TEST_F(MasterSteps, DataHeaderRewriteDropsATrailingPartialRecord) {
    m_settings.nExist = 1;
    ASSERT_EQ(Run(), 0);
    std::string data = ReadFile(m_out / "F1.DAT");
    const std::string whole = data;
    data += "xyz";
    WriteFile(m_out / "F1.DAT", data);
    auto job = MakeJob();
    job->m_nFieldCount = 7;
    job->m_szOutputDir = m_out.string();
    EXPECT_EQ(job->UpdateDataHeader(2, 1), 0);
    EXPECT_EQ(ReadFile(m_out / "F1.DAT"), whole);
    EXPECT_FALSE(Exists(m_out / "F1.NEW"));
}

class MasterSearch : public MasterSteps {
protected:
    void SetUp() override {
        MasterSteps::SetUp();
        std::filesystem::create_directories(m_out / "SUB1");
        std::filesystem::create_directories(m_out / "sub2");
        WriteFile(m_out / "MASTER", MasterBytes({Directory(1, "SUB1"), Security(2, "ROOT", "Root Corp"),
                                                 Directory(3, "SUB2"), Security(4, "AB C"),
                                                 Security(5, "SIXTEENCHARSYMBL")}));
        WriteFile(m_out / "SUB1" / "MASTER", MasterBytes({Security(1, "DEEP", "First deep")}));
        WriteFile(m_out / "sub2" / "master", MasterBytes({Security(1, "DEEP", "Second deep"), Security(2, "ONLY2")}));
    }
    std::string Found(const std::string& symbol, std::int16_t nExpected = kFindFound) {
        auto job = MakeJob();
        MasterRecord entry{};
        std::string dir;
        EXPECT_EQ(job->FindSecurity(m_out.string(), symbol, entry, dir), nExpected) << symbol;
        if (nExpected != kFindFound) {
            return "";
        }
        return std::filesystem::path(dir).parent_path().filename().string() + ":" + EntryNameText(entry);
    }
};

TEST_F(MasterSearch, SecuritiesOfADirectoryComeBeforeItsSubdirectories) {
    EXPECT_EQ(Found("root"), "db:Root Corp");
    EXPECT_EQ(Found("deep"), "SUB1:First deep");  // depth first, in record order
    EXPECT_EQ(Found("only2"), "sub2:");
    EXPECT_EQ(Found("Root Corp"), "db:Root Corp");  // the name counts too
    EXPECT_EQ(Found("missing", kFindNotFound), "");
}

TEST_F(MasterSearch, ComparisonRules) {
    EXPECT_EQ(Found("ab c"), "db:");
    EXPECT_EQ(Found("sixteencharsymbl"), "db:");
    Found("SIXTEENCHARSYMB", kFindNotFound);
    EXPECT_EQ(Found("AB"), "db:");  // the sought text has no space: the symbol counts up to its first
}

TEST_F(MasterSearch, ASymbolFoundOnlyInASubdirectoryIsADuplicate) {
    m_settings.strSymbol = "only2";
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_EQ(m_messages.Texts()[0].rfind("Duplicate Symbol Failure", 0), 0u);
}

TEST_F(MasterSearch, CyclesThroughDirectoryLinksEnd) {
    std::filesystem::create_directory_symlink(m_out, m_out / "LOOP");
    WriteFile(m_out / "SUB1" / "MASTER", MasterBytes({Directory(1, "..") , Directory(2, "/etc"),
                                                      Security(3, "DEEP")}));
    WriteFile(m_out / "MASTER", MasterBytes({Directory(1, "LOOP"), Directory(2, "SUB1")}));
    Found("NOWHERE", kFindNotFound);
    EXPECT_EQ(Found("deep"), "SUB1:");
}

TEST_F(MasterSearch, AMasterEndingBeforeItsCountIsSearchedAsFarAsItGoes) {
    WriteFile(m_out / "MASTER", MasterBytes({Security(1, "AAA")}, 3));
    EXPECT_EQ(Found("aaa"), "db:");
    Found("ZZZ", kFindNotFound);
    WriteFile(m_out / "MASTER", MasterBytes({Security(1, "AAA")}, 3).substr(0, 80));
    Found("aaa", kFindNotFound);
}
