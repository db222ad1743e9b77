#include "tests/engine/JobFixture.h"

#include "metastock/Dates.h"
#include "tests/support/FaultyFileSystem.h"

#include <sys/stat.h>

namespace {

const char kPrices[] = "01/04/99,10,11,9,10.5,1200,7\r\n12/31/99,10.5,12,10,11.75,900,8\r\n";

class Driver : public JobTest {
protected:
    void SetUp() override {
        WriteFile(m_input, kPrices);
        m_store.PutString("Import", "PathIn", "old in");
        m_store.PutString("Import", "PathOut", "old out");
        m_store.PutString("Import", "Symbol", "OLD");
        m_store.PutString("Import", "Name", "Old name");
    }
    void ExpectStoreUnchanged() {
        EXPECT_EQ(m_store.GetString("Import", "PathIn", ""), "old in");
        EXPECT_EQ(m_store.GetString("Import", "PathOut", ""), "old out");
        EXPECT_EQ(m_store.GetString("Import", "Symbol", ""), "OLD");
        EXPECT_EQ(m_store.GetString("Import", "Name", ""), "Old name");
    }
    static std::string Today() {
        const MbfSingle today = TodayDateValue();
        return std::string(today.begin(), today.end());
    }
};

}  // namespace

TEST_F(Driver, NewMasterWritesTheDatabaseByteForByte) {
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(m_messages.Texts().empty());

    std::string master(53, '\0');
    master[0] = 1;
    master[2] = 1;
    master += std::string("\x01\x00\x65\x1C\x07\x00\x00", 7) + "ALPHA CORP      " + std::string(2, '\0') +
              "\x80\xB9\x71\x94\xF0\xFF\x71\x94" + "D" + std::string(2, '\0') + "ABC             " +
              std::string(1, '\0');
    EXPECT_EQ(Master(), master);

    std::string data;
    for (int i = 0; i < 7; ++i) {
        data += std::string(i == 0 ? "\0\0\3\0" : "\0\0\1\0", 4);
    }
    for (const float value : {990104.0f, 10.0f, 11.0f, 9.0f, 10.5f, 1200.0f, 7.0f, 991231.0f, 10.5f, 12.0f, 10.0f,
                              11.75f, 900.0f, 8.0f}) {
        data += Mbf(value);
    }
    EXPECT_EQ(ReadFile(m_out / "F1.DAT"), data);
    EXPECT_EQ(ReadFile(m_out / "F1.DOP"), "\"DATE\",0,0\r\n\"OPEN\",4,4\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n"
                                          "\"CLOSE\",4,4\r\n\"VOL\",4,4\r\n\"OI\",4,4\r\n");
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"F1.DAT", "F1.DOP", "MASTER"}));
    EXPECT_EQ(ReadFile(m_input), kPrices);  // never touched without reversal
}

TEST_F(Driver, RecordsTheRunWithTheFullOutputPath) {
    std::filesystem::create_directory(m_dir / "Data");
    std::filesystem::current_path(m_dir.Path());
    m_settings.strPathOut = "data/../DATA";  // relative and in another letter case
    m_settings.strName = "Caf\xc3\xa9";
    ASSERT_EQ(Run(), 0);
    const std::filesystem::path full = std::filesystem::canonical(m_dir / "Data");
    EXPECT_EQ(m_store.GetString("Import", "PathOut", ""), full.string());
    EXPECT_EQ(m_store.GetString("Import", "PathIn", ""), m_input.string());
    EXPECT_EQ(m_store.GetString("Import", "Symbol", ""), "ABC");
    EXPECT_EQ(m_store.GetString("Import", "Name", ""), "Caf\xc3\xa9");
    EXPECT_EQ(std::filesystem::current_path(), full);  // the run leaves it there
    EXPECT_EQ(ReadFile(full / "MASTER").substr(53 + 7, 4), "Caf\xe9");
}

TEST_F(Driver, FailedOutputChecksLeaveTheStoredRunAlone) {
    // The directory is missing.
    m_settings.strPathOut = (m_dir / "missing").string();
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Path does not exist"}));
    ExpectStoreUnchanged();
    m_settings.strPathOut = m_out.string();

    // One field only.
    m_messages.Clear();
    auto job = MakeJob();
    job->m_bFieldOn[kFieldClose] = 0;
    for (int i = 1; i < kFieldCount; ++i) {
        job->m_bFieldOn[i] = 0;
    }
    EXPECT_EQ(job->Convert(), 1);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"You need to select more columns"}));
    EXPECT_EQ(m_messages.Shown()[0].icon, EMessageIcon::Information);
    EXPECT_EQ(Master(), std::string(53, '\0'));  // the new MASTER stays
    ExpectStoreUnchanged();

    // The symbol exists already.
    m_messages.Clear();
    m_settings.nExist = 0;
    std::filesystem::remove(m_out / "MASTER");
    m_settings.nExist = 1;
    ASSERT_EQ(Run(), 0);
    SetUp();
    m_messages.Clear();
    m_settings.nExist = 0;
    m_settings.strSymbol = "abc";
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_EQ(m_messages.Texts()[0].rfind("Duplicate Symbol Failure", 0), 0u);
    ExpectStoreUnchanged();
    EXPECT_FALSE(Exists(m_out / "MASTER.BAK"));
}

TEST_F(Driver, FullMasterRefusesBeforeTouchingAnyFile) {
    std::string master(53, '\0');
    master[0] = 3;
    master[2] = static_cast<char>(255);
    WriteFile(m_out / "MASTER", master);
    m_settings.nExist = 0;
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"This portfolio already has the\nmaximum number of "
                                                            "symbols (255).\nChoose a different or new portfolio."}));
    EXPECT_EQ(Master(), master);
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"MASTER"}));
    ExpectStoreUnchanged();
}

TEST_F(Driver, BackupOnlyWhenAddingToAnExistingMaster) {
    ASSERT_EQ(Run(), 0);
    EXPECT_FALSE(Exists(m_out / "MASTER.BAK"));

    m_settings.nExist = 0;
    m_settings.strSymbol = "XYZ";
    m_settings.strName = "";
    ASSERT_EQ(Run(), 0);
    const std::string backup = ReadFile(m_out / "MASTER.BAK");
    const std::string master = Master();
    ASSERT_EQ(backup.size(), 159u);
    ASSERT_EQ(master.size(), 159u);
    // The backup holds the new record with the dates it was added with; MASTER then got
    // the dates of the bars.
    EXPECT_EQ(backup.substr(0, 106), master.substr(0, 106));
    EXPECT_EQ(backup[106], 2);
    EXPECT_EQ(backup.substr(106 + 25, 8), Today() + Today());
    EXPECT_EQ(master.substr(106 + 25, 8), "\x80\xB9\x71\x94\xF0\xFF\x71\x94");
    EXPECT_EQ(backup.substr(106 + 33), master.substr(106 + 33));
}

TEST_F(Driver, DateFormatMismatchFailsWithEveryBarWritten) {
    m_settings.strDateFormat = "MMDDYY";
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(m_messages.Texts().front(),
              "You specified a numeric-only date format\nbut a non-numeric date character was found.");
    EXPECT_EQ(Bars().size(), 2u);
    EXPECT_EQ(m_store.GetString("Import", "Symbol", ""), "ABC");
}

TEST_F(Driver, NoDateFormatChosenReadsNoDate) {
    m_settings.strDateFormat = "XX";
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Bars().size(), 2u);
    EXPECT_EQ(Bars()[0][0], 0);
}

TEST_F(Driver, ReversalPreparesTheInputBeforeConverting) {
    WriteFile(m_input, "Date,O,H,L,C,V,OI\n12/31/99,10.5,12,10,11.75,900,8\n01/04/99,10,11,9,10.5,1200,7\n");
    m_settings.bReverseOrder = 1;
    m_settings.bSkipOn = 1;
    m_settings.nRowsToSkip = 1;
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(m_input), kPrices);
    EXPECT_EQ(ReadFile(m_input.string() + ".BAK"),
              "Date,O,H,L,C,V,OI\n12/31/99,10.5,12,10,11.75,900,8\n01/04/99,10,11,9,10.5,1200,7\n");
    EXPECT_EQ(Bars().size(), 2u);
    EXPECT_EQ(Bars()[0][0], 990104);
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"F1.DAT", "F1.DOP", "MASTER"}));
}

TEST_F(Driver, InputThatCannotBeOpenedFailsWithoutBars) {
    std::filesystem::remove(m_input);
    EXPECT_EQ(Run(), 1);
    std::string header;
    for (int i = 0; i < 7; ++i) {
        header += std::string("\0\0\1\0", 4);
    }
    EXPECT_EQ(ReadFile(m_out / "F1.DAT"), header);
}

// A failure of any single file operation, in either master mode and with reversal: the run
// fails, never claims success, and MASTER is always a whole file of one of the states the
// run passes through. The input is untouched or completely reversed with its backup.
class DriverFaults : public Driver, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(DriverFaults, EverySingleFailureLeavesWholeFiles) {
    const auto [bExisting, bReverse] = GetParam();
    const std::string reversed = "12/31/99,10.5,12,10,11.75,900,8\n01/04/99,10,11,9,10.5,1200,7\n";
    const auto prepare = [&] {
        std::filesystem::remove_all(m_out);
        std::filesystem::create_directory(m_out);
        std::filesystem::remove(m_input.string() + ".BAK");
        WriteFile(m_input, bReverse ? reversed : kPrices);
        if (bExisting) {
            std::string master(53, '\0');
            master[0] = 1;
            master[2] = 1;
            master[4] = 0x2A;  // other software's header bytes
            SSecurityEntry other;
            other.nFileNumber = 1;
            other.nRecordLength = 20;
            other.nFieldCount = 5;
            other.strName = "OTHER";
            other.strSymbol = "OTH";
            const MasterRecord record = other.ToBytes();
            master.append(record.begin(), record.end());
            WriteFile(m_out / "MASTER", master);
        }
        m_settings.nExist = bExisting ? 0 : 1;
        m_settings.bReverseOrder = bReverse ? 1 : 0;
    };

    prepare();
    const std::string before = bExisting ? Master() : std::string();
    CFaultyFileSystem counting;
    ASSERT_EQ(Run(counting), 0);
    const std::string after = Master();
    const int nOperations = counting.OperationCount();
    ASSERT_GT(nOperations, 10);

    for (int n = 1; n <= nOperations; ++n) {
        SCOPED_TRACE("failing operation " + std::to_string(n));
        prepare();
        m_messages.Clear();
        CFaultyFileSystem fs;
        fs.FailAt(n);
        const int nResult = Run(fs);
        ASSERT_TRUE(fs.FaultInjected());
        for (const auto& text : m_messages.Texts()) {
            EXPECT_EQ(text.find("success"), std::string::npos);
        }
        const bool bMaster = Exists(m_out / "MASTER");
        EXPECT_TRUE(bMaster || !bExisting);
        const std::string master = bMaster ? ReadFile(m_out / "MASTER") : std::string();
        if (nResult == 0) {
            // Only a failed backup of MASTER may pass unnoticed.
            EXPECT_EQ(master, after);
            continue;
        }
        // Old, just created, after the add (today's dates), or final: always whole.
        ASSERT_EQ(master.size() % 53, 0u);
        const bool bOld = bExisting ? master == before : (master.empty() || master == std::string(53, '\0'));
        const bool bFinal = master == after;
        const bool bAdded = master.size() == after.size() && master.substr(0, master.size() - 28) ==
                                                                   after.substr(0, after.size() - 28);
        EXPECT_TRUE(bOld || bFinal || bAdded);
        // The new security's files exist exactly when its record does.
        const std::size_t nOld = bExisting ? 1 : 0;
        const bool bRecord = master.size() / 53 > nOld + 1;
        const std::string number = bExisting ? "2" : "1";
        EXPECT_EQ(Exists(m_out / ("F" + number + ".DAT")), bRecord);
        EXPECT_FALSE(Exists(m_out / "MASTER.~NU"));
        EXPECT_FALSE(Exists(m_out / "MASTER.NEW"));
        const std::string input = ReadFile(m_input);
        if (bReverse) {
            if (input != reversed) {
                EXPECT_EQ(input, kPrices);
                EXPECT_EQ(ReadFile(m_input.string() + ".BAK"), reversed);
            }
        } else {
            EXPECT_EQ(input, kPrices);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, DriverFaults,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Existing" : "New") +
                                    (std::get<1>(info.param) ? "Reversed" : "InOrder");
                         });
