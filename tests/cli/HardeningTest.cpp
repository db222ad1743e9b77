// What an adversarial trial found, end to end through pelmar-cli: EMASTER in another order,
// journals this program never wrote, files that look like its temporaries, an XMASTER whose
// next number is used up, a lock path that is no lock file, a change pending after a kill,
// an XMASTER damaged alone, directory files that are links, and batches with a bad file.
#include "tests/cli/CliTestSupport.h"
#include "tests/metastock/DatabaseFixture.h"
#include "tests/support/FaultyFileSystem.h"

namespace {

const char kBars[] = "2023-01-09,5,6,4,5,100\n2023-01-10,5,7,4,6,200\n";

class CHardeningTest : public CCliTest {
protected:
    void SetUp() override {
        CCliTest::SetUp();
        WriteFolder(Db(), RealFolder());
    }
    // A new security SYMBOL from kBars.
    SCliResult Add(const std::string& symbol, const std::string& dir) {
        return RunCli("convert", {Input(symbol + ".csv", kBars), "--out", dir, "--symbol", symbol, "--date-format",
                                  "CCYY_MM_DD", "--no-oi"});
    }
    static bool Has(const SCliResult& result, const std::string& text) {
        return (result.strOut + result.strErr).find(text) != std::string::npos;
    }
    // A folder of 255 MASTER securities beside EMASTER and xmaster (F256 and F258 in use).
    std::filesystem::path FullFolder(const std::string& xmaster) {
        const std::filesystem::path dir = m_dir / "full";
        std::filesystem::create_directories(dir);
        CMasterBuilder master;
        std::vector<SEntryDesc> descs;
        FolderFiles files;
        for (int n = 1; n <= 255; ++n) {
            descs.push_back({.nFileNumber = n,
                             .strSymbol = "S" + std::to_string(n),
                             .fFirstDate = 1230103,
                             .fLastDate = 1230103,
                             .nFieldCount = 2});
            master.Security(descs.back());
            files["F" + std::to_string(n) + ".DAT"] = MakeDataFileBytes(2, {{1230103, 1}});
        }
        files["MASTER"] = master.Bytes();
        files["EMASTER"] = MakeEmasterBytes(descs);
        files["XMASTER"] = xmaster;
        files["F256.MWD"] = MakeDataFileBytes(2, {{1230103, 1}});
        files["F258.MWD"] = MakeDataFileBytes(2, {{1230103, 1}});
        WriteFolder(dir, files);
        return dir;
    }
};

// EMASTER pairs with MASTER by file number: removing ABC takes ABC's record, and LNG keeps
// its long name although its record came first.
TEST_F(CHardeningTest, EmasterInAnotherOrderIsPairedByFileNumber) {
    std::string emaster = ReadFile(Db() / "EMASTER");
    const std::string first = emaster.substr(192, 192);
    emaster.replace(192, 192, emaster.substr(384, 192));
    emaster.replace(384, 192, first);
    WriteFile(Db() / "EMASTER", emaster);
    EXPECT_TRUE(Has(RunCli("check", {DbText()}), "another order"));
    ASSERT_EQ(RunCli("delete", {DbText(), "ABC"}).nStatus, 0);
    const SCliResult list = RunCli("list", {DbText()});
    EXPECT_TRUE(Has(list, "2\tLNG\tLONG NAMED SECURITY HOLDINGS")) << list.strOut;
    EXPECT_FALSE(Has(list, "ABC"));
    const SCliResult check = RunCli("check", {DbText()});
    EXPECT_EQ(check.nStatus, 0) << check.strOut;
}

struct SJournalCase {
    const char* pszName;
    std::string strJournal; // PELMAR.JNL; empty: a link to a journal elsewhere
};

class HostileJournals : public CHardeningTest, public ::testing::WithParamInterface<SJournalCase> {};

// A journal that is not whole and one of this program's, or names what its changes never
// touch, is refused with nothing replayed, until repair sets it aside.
TEST_P(HostileJournals, AreRefusedAndNothingIsReplayed) {
    WriteFile(Db() / "notes.txt", "a user's notes");
    if (GetParam().strJournal.empty()) {
        WriteFile(m_dir / "elsewhere.jnl", CJournal::PlanText({"0123abcd", {}, {}}, ""));
        std::filesystem::create_symlink(m_dir / "elsewhere.jnl", Db() / "PELMAR.JNL");
    } else {
        WriteFile(Db() / "PELMAR.JNL", GetParam().strJournal);
    }
    const FolderFiles before = Snapshot(Db());
    const SCliResult refused = RunCli("delete", {DbText(), "LNG"});
    EXPECT_EQ(refused.nStatus, 1);
    EXPECT_TRUE(Has(refused, "PELMAR.JNL") && Has(refused, "nothing was replayed")) << refused.strErr;
    EXPECT_TRUE(Snapshot(Db()) == before) << Differences(Snapshot(Db()), before);
    EXPECT_TRUE(Has(RunCli("check", {DbText()}), "not a journal of this program"));

    const SCliResult repair = RunCli("repair", {DbText(), "--yes"});
    EXPECT_EQ(repair.nStatus, 0) << repair.strErr;
    EXPECT_TRUE(Exists(Db() / "PELMAR.JNL.pelmar-old"));
    EXPECT_EQ(RunCli("delete", {DbText(), "LNG"}).nStatus, 0);
    EXPECT_EQ(ReadFile(Db() / "notes.txt"), "a user's notes");
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

// Journals that pass their check but name files beyond the database, in the format's own words.
std::string Plan(std::vector<SJournalOp> redo) {
    const std::string journal = CJournal::PlanText({"0123abcd", {}, std::move(redo)}, "");
    return journal + CJournal::CommitText(journal);
}

INSTANTIATE_TEST_SUITE_P(
    Journals, HostileJournals,
    ::testing::Values(SJournalCase{"RemovesTheLock", Plan({{EJournalVerb::Remove, "PELMAR.LCK", 0, {}}})},
                      SJournalCase{"RemovesAUsersFile", Plan({{EJournalVerb::Remove, "notes.txt", 0, {}}})},
                      SJournalCase{"RemovesMaster", Plan({{EJournalVerb::Remove, "MASTER", 0, {}}})},
                      SJournalCase{"OfAnEarlierVersion", "PELMAR JOURNAL 1\nREMOVE\tnotes.txt\nEND\n"},
                      SJournalCase{"WithAWrongCheck",
                                   "PELMAR JOURNAL 2\nPLAN 0123abcd\nDO REMOVE F1.DAT\nREADY 00000000\n"},
                      SJournalCase{"ThatIsALink", ""}),
    [](const auto& info) { return std::string(info.param.pszName); });

// Only what a journal or the run itself names is removed: a user's file that ends like a
// temporary stays, also when it is the run's own input in the folder itself.
TEST_F(CHardeningTest, FilesThatLookLikeTemporariesAreLeftAlone) {
    WriteFile(Db() / "F9.DAT.pelmar-0123abcd", "not ours");
    WriteFile(Db() / "prices.csv.pelmar-20240105", kBars);
    const SCliResult result = RunCli("convert", {(Db() / "prices.csv.pelmar-20240105").string(), "--out", DbText(),
                                                 "--symbol", "NEW", "--date-format", "CCYY_MM_DD", "--no-oi"});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(ReadFile(Db() / "prices.csv.pelmar-20240105"), kBars);
    EXPECT_EQ(ReadFile(Db() / "F9.DAT.pelmar-0123abcd"), "not ours");
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

// A next number of 65535 leaves thousands free: the lowest one is taken, and check says why
// the header was wrong before.
TEST_F(CHardeningTest, AnXmasterNextNumberOf65535TakesTheLowestFreeNumber) {
    std::string xmaster = MakeXmasterBytes({{.nFileNumber = 256,
                                             .strSymbol = "X1",
                                             .fFirstDate = 1230103,
                                             .fLastDate = 1230103,
                                             .nFieldCount = 2,
                                             .nFieldSet = 9},
                                            {.nFileNumber = 258,
                                             .strSymbol = "X2",
                                             .fFirstDate = 1230103,
                                             .fLastDate = 1230103,
                                             .nFieldCount = 2,
                                             .nFieldSet = 9}},
                                           65535);
    const std::filesystem::path dir = FullFolder(xmaster);
    EXPECT_TRUE(Has(RunCli("check", {dir.string()}), "next file number 65535 is out of range"));
    const SCliResult added = Add("NEWX", dir.string());
    EXPECT_EQ(added.nStatus, 0) << added.strErr;
    EXPECT_TRUE(Has(added, "file number 257 (F257.MWD)")) << added.strOut;
    const SCliResult check = RunCli("check", {dir.string()});
    EXPECT_EQ(check.nStatus, 0) << check.strOut;
}

// A lock path that is no lock file is named for what it is.
TEST_F(CHardeningTest, ALockPathThatIsALinkOrAFolderSaysWhatIsThere) {
    std::filesystem::create_directory(Db() / "PELMAR.LCK");
    SCliResult result = Add("NEW", DbText());
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_TRUE(Has(result, "PELMAR.LCK is a folder")) << result.strErr;
    std::filesystem::remove(Db() / "PELMAR.LCK");
    std::filesystem::create_symlink(m_dir / "nowhere", Db() / "PELMAR.LCK");
    result = Add("NEW", DbText());
    EXPECT_TRUE(Has(result, "PELMAR.LCK is a symbolic link")) << result.strErr;
    EXPECT_FALSE(Exists(m_dir / "nowhere"));
}

// Between a kill and the next change, check and list say that a change is pending and what
// will finish it, not that the folder is damaged; the next change finishes it.
TEST_F(CHardeningTest, AChangeStoppedByAKillIsReportedAsPendingUntilTheNextChange) {
    for (const bool bCommitted : {false, true}) {
        WriteFolder(Db(), RealFolder());
        CFaultyFileSystem counting;
        std::string strError;
        const auto change = [&](CFileSystem& fs) {
            CRecordingMessageBox messages;
            CDatabase db(fs, messages, Db());
            return db.LockAndRead(strError) && db.DeleteSecurity(db.FindSecurity("X1").value(), strError) &&
                   db.AddSecurity(NewSecurity("NEW", "", 2), strError) && db.Commit(strError);
        };
        const FolderFiles before = Snapshot(Db());
        ASSERT_TRUE(change(counting)) << strError;
        // Stopped right before the commit line, or right after it.
        int nCommit = 0;
        for (std::size_t i = 0; i < counting.Operations().size() && nCommit == 0; ++i) {
            const auto& operation = counting.Operations()[i];
            nCommit = operation.kind == EFault::OpenUpdate && operation.strName == "PELMAR.JNL" ? int(i) + 1 : 0;
        }
        WriteFolder(Db(), before);
        std::filesystem::remove(Db() / "F5.DAT");
        std::filesystem::remove(Db() / "F5.DOP");
        CFaultyFileSystem killed;
        killed.FailAt(bCommitted ? nCommit + 4 : nCommit, EFault::Any, true);
        ASSERT_FALSE(change(killed));
        ASSERT_TRUE(Exists(Db() / "PELMAR.JNL"));

        const SCliResult check = RunCli("check", {DbText()});
        EXPECT_EQ(check.nStatus, 1);
        EXPECT_EQ(check.strOut,
                  std::string("PELMAR.JNL: an interrupted change is pending; the next change of this folder "
                              "or a repair (pelmar-cli repair) ") +
                      (bCommitted ? "completes it" : "takes it back") +
                      ", and until then the folder may look damaged\n");
        const SCliResult list = RunCli("list", {DbText()});
        EXPECT_EQ(list.strErr, "pelmar-cli list: " + check.strOut);
        const SCliResult next = RunCli("rename", {DbText(), "ABC", "ABD"});
        EXPECT_EQ(next.nStatus, 0) << next.strErr;
        EXPECT_TRUE(Has(next, bCommitted ? "Completed an interrupted change" : "Undid an interrupted change"));
        EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
        EXPECT_EQ(Has(RunCli("list", {DbText()}), "\tNEW\t"), bCommitted);
    }
}

// A damaged XMASTER refuses only what would touch it; the refusal names repair.
TEST_F(CHardeningTest, AnXmasterDamagedAloneRefusesOnlyTheChangesThatTouchIt) {
    WriteFile(Db() / "XMASTER", "broken file\n");
    const SCliResult rename = RunCli("rename", {DbText(), "ABC", "ABD"});
    EXPECT_EQ(rename.nStatus, 0) << rename.strErr;
    EXPECT_EQ(Add("NEW", DbText()).nStatus, 0);
    EXPECT_TRUE(Has(RunCli("check", {DbText()}), "XMASTER: the file does not begin with the XMASTER signature"));

    const std::filesystem::path full = FullFolder("broken file\n");
    const SCliResult refused = Add("NEWX", full.string());
    EXPECT_EQ(refused.nStatus, 1);
    EXPECT_TRUE(Has(refused, "XMASTER is damaged") && Has(refused, "pelmar-cli repair")) << refused.strErr;
    // New bars for a security XMASTER held: not found while it is damaged, and said so.
    const SCliResult update = RunCli("convert", {Input("X256.csv", kBars), "--out", full.string(), "--symbol", "X256",
                                                 "--update", "--date-format", "CCYY_MM_DD", "--no-oi"});
    EXPECT_EQ(update.nStatus, 1);
    EXPECT_TRUE(Has(update, "Its XMASTER is damaged and lists no security; 'pelmar-cli repair' makes it whole."))
        << update.strErr;
}

// A directory file that is a symbolic link is not read, and no change goes through it.
TEST_F(CHardeningTest, ADirectoryFileThatIsALinkIsNotRead) {
    const std::filesystem::path other = m_dir / "other";
    std::filesystem::create_directories(other);
    WriteFolder(other, RealFolder());
    std::filesystem::remove(Db() / "EMASTER");
    std::filesystem::create_symlink(other / "EMASTER", Db() / "EMASTER");
    const SCliResult list = RunCli("list", {DbText()});
    EXPECT_TRUE(Has(list, "EMASTER: a symbolic link, not a file of this folder; it is not read")) << list.strErr;
    EXPECT_EQ(RunCli("delete", {DbText(), "LNG"}).nStatus, 1);
    EXPECT_EQ(ReadFile(other / "EMASTER"), RealFolder().at("EMASTER"));
}

// A batch with a bad file says which files were written; --all-or-nothing writes none.
TEST_F(CHardeningTest, ABatchWithABadFileSaysWhatWasWritten) {
    const std::vector<std::string> files = {Input("good1.csv", kBars), Input("bad.csv", "2023-01-09,x\n"),
                                            Input("good2.csv", kBars)};
    Arguments args = files;
    args.insert(args.end(), {"--out", DbText(), "--date-format", "CCYY_MM_DD", "--no-oi"});
    Arguments whole = args;
    whole.push_back("--all-or-nothing");
    const FolderFiles before = Snapshot(Db());
    const SCliResult allOrNothing = RunCli("convert", whole);
    EXPECT_EQ(allOrNothing.nStatus, 1);
    EXPECT_TRUE(Has(allOrNothing, "0 files converted, 3 failed, 3 in all. Nothing was written."))
        << allOrNothing.strOut;
    EXPECT_TRUE(Snapshot(Db()) == before) << Differences(Snapshot(Db()), before);

    const SCliResult result = RunCli("convert", args);
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_TRUE(Has(result, "2 files converted, 1 failed, 3 in all. Written: the 2 converted. Not written: bad.csv."))
        << result.strOut;
    EXPECT_TRUE(Has(RunCli("list", {DbText()}), "\tGOOD2\t"));
}

} // namespace
