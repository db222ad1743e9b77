#include "tests/metastock/DatabaseFixture.h"

#include <numeric>

#include <chrono>
#include <functional>

namespace {

using namespace std::string_literals;

// Bytes of a record or header of size bytes: zero but for the pieces at their offsets.
std::string Layout(std::size_t size, const std::vector<std::pair<std::size_t, std::string>>& pieces) {
    std::string bytes(size, '\0');
    for (const auto& [offset, text] : pieces) {
        bytes.replace(offset, text.size(), text);
    }
    return bytes;
}

std::string Le32(std::uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

TEST_F(DatabaseTest, ReadsEverySecurityOfTheThreeDirectoryFiles) {
    WriteFolder(m_dir.Path(), RealFolder());
    CDatabase database(GetSystemFileSystem(), m_messages, m_dir.Path());
    std::string strError;
    ASSERT_TRUE(database.Read(strError)) << strError;
    EXPECT_TRUE(database.HasMaster() && database.HasEmaster() && database.HasXmaster());
    EXPECT_TRUE(database.Damage().empty());
    EXPECT_TRUE(database.Check().empty()) << database.Check().front();

    EXPECT_EQ(Describe(database.Securities()),
              (std::vector<std::string>{"M 1 ABC|ALPHA CORP|5D0|1230103-1230105|F1.DAT",
                                        "M 2 LNG|LONG NAMED SECURITY HOLDINGS|4D0|1230103-1230104|F2.DAT",
                                        "M 4 IDX|FIVE MINUTES|7I5|1230103-1230103|F4.DAT",
                                        "X 256 X1|FIRST EXTRA SECURITY NAME|6D0|1230103-1230104|F256.MWD",
                                        "X 258 X2|SECOND|6D0|1230103-1230104|F258.MWD"}));

    // Fields from F1.DOP, from the EMASTER field set, and the time column of the intraday file.
    const std::vector<std::vector<int>> fields = {
        {kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume},
        {kFieldDate, kFieldHigh, kFieldLow, kFieldClose},
        {kFieldDate, kFieldTime, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume},
        {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume},
    };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto bars = database.ReadBars(database.Securities()[i], strError);
        ASSERT_TRUE(bars) << strError;
        EXPECT_EQ(bars->fields, fields[i]);
        EXPECT_EQ(bars->bars.back().nDate, database.Securities()[i].nLastDate);
    }
    const auto intraday = database.ReadBars(database.Securities()[2], strError);
    EXPECT_TRUE(intraday->bTime);
    EXPECT_EQ(intraday->bars[1].nTime, 94000);
    EXPECT_EQ(intraday->bars[1].values[kFieldOpen], 1.5f);
    EXPECT_EQ(intraday->bars[1].values[kFieldVolume], 200.0f);
}

TEST_F(DatabaseTest, CheckNamesEachInconsistencyAndItsCause) {
    const auto swapEmaster = [](FolderFiles& f, std::size_t a, std::size_t b) {
        std::string& e = f["EMASTER"];
        const std::string first = e.substr(192 * a, 192);
        e.replace(192 * a, 192, e.substr(192 * b, 192));
        e.replace(192 * b, 192, first);
    };
    const std::vector<std::pair<std::function<void(FolderFiles&)>, std::vector<std::string>>> cases = {
        {[](FolderFiles& f) { f["F1.DAT"].resize(f["F1.DAT"].size() - 20); },
         {"F1.DAT (MASTER record 1 (ABC)): the header counts 3 bars but the file holds 2 (shorter)"}},
        {[](FolderFiles& f) { f["F256.MWD"] += std::string(24, '\0'); }, {"holds 3 (longer)"}},
        {[](FolderFiles& f) { f.erase("F258.MWD"); }, {"F258.MWD (XMASTER record 2 (X2)): missing"}},
        {[](FolderFiles& f) { f["F2.DAT"] = MakeDataFileBytes(4, {{1230103, 2, 1, 1}, {1230106, 3, 2, 2}}); },
         {"the last bar is dated 20230106 but MASTER says 20230104"}},
        {[](FolderFiles& f) { f["XMASTER"].replace(150 * 2 + 65, 2, "\x00\x01", 2); },
         {"file number 256 is listed 2 times", "F258.MWD: no directory file lists it"}},
        {[](FolderFiles& f) { f["EMASTER"].replace(192 + 72, 4, Le32(0x499628A0)); }, {"EMASTER record 1: dates 20230103-20230100"}},
        // One stale record is named once, not as a mismatch at every record after it.
        {[](FolderFiles& f) { f["EMASTER"][192 * 2 + 2] = 9; },
         {"MASTER record 2: file number 2 (LNG) is only in MASTER; EMASTER has no record of it",
          "EMASTER record 2: file number 9 (LNG) is only in EMASTER; MASTER has no record of it"}},
        {[&](FolderFiles& f) { swapEmaster(f, 1, 3); },
         {"EMASTER: its records are in another order than MASTER's (record 1 is file number 4, MASTER's is 1)"}},
        {[](FolderFiles& f) { f["XMASTER"].replace(18, 2, "\xFF\xFF", 2); },
         {"XMASTER: the next file number 65535 is out of range (256 to 65534)"}},
        {[](FolderFiles& f) { f["F300.MWD"] = f["F258.MWD"]; }, {"F300.MWD: no directory file lists it"}},
        // A user's file that looks like a temporary is none of the database's business.
        {[](FolderFiles& f) { f["F1.DAT"].resize(f["F1.DAT"].size() - 20); f["prices.csv.pelmar-20240105"] = "x"; },
         {"F1.DAT (MASTER record 1 (ABC)): the header counts 3 bars"}},
    };
    for (const auto& [mutate, expected] : cases) {
        CTempDir dir;
        FolderFiles files = RealFolder();
        mutate(files);
        WriteFolder(dir.Path(), files);
        CDatabase database(GetSystemFileSystem(), m_messages, dir.Path());
        std::string strError;
        ASSERT_TRUE(database.Read(strError)) << strError;
        const auto lines = database.Check();
        ASSERT_EQ(lines.size(), expected.size()) << expected.front() << (lines.empty() ? "" : "; first: " + lines.front());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_NE(lines[i].find(expected[i]), std::string::npos) << lines[i];
        }
        EXPECT_TRUE(database.Damage().empty());
    }
}

TEST_F(DatabaseTest, DamagedMasterOrEmasterIsReportedAndRefusesEveryChange) {
    const std::vector<std::pair<std::function<void(FolderFiles&)>, std::string>> cases = {
        {[](FolderFiles& f) { f["MASTER"] += "0123456789"; }, "MASTER: 10 bytes after the last whole record"},
        {[](FolderFiles& f) { f["MASTER"][0] = 2; f["EMASTER"][0] = 2; }, "MASTER: the entry count is 2 but the file holds 3"},
        {[](FolderFiles& f) { f["MASTER"].replace(0, 2, "\xFF\xFF"); }, "MASTER: the entry count -1 is negative"},
        {[](FolderFiles& f) { f["EMASTER"].resize(192 * 3); f["EMASTER"][0] = 2; }, "EMASTER: its entry count 2 is not MASTER's 3"},
        {[](FolderFiles& f) { f["EMASTER"] += "12345"; }, "EMASTER: 5 bytes after"},
        {[](FolderFiles& f) { f["MASTER"].resize(40); }, "MASTER: the file ends inside its header"},
    };
    for (const auto& [mutate, expected] : cases) {
        CTempDir dir;
        FolderFiles files = RealFolder();
        mutate(files);
        WriteFolder(dir.Path(), files);
        {
            CDatabase database(GetSystemFileSystem(), m_messages, dir.Path());
            std::string strError;
            ASSERT_TRUE(database.LockAndRead(strError, std::chrono::seconds(5))) << strError;
            ASSERT_FALSE(database.RefusingDamage().empty()) << expected;
            EXPECT_NE(database.Damage().front().find(expected), std::string::npos) << database.Damage().front();
            EXPECT_FALSE(database.AddSecurity(NewSecurity("NEW", "", 1), strError));
            EXPECT_NE(strError.find(expected), std::string::npos) << strError;
            EXPECT_NE(strError.find("pelmar-cli repair"), std::string::npos) << strError;
            EXPECT_FALSE(database.CreateNew(strError));
            EXPECT_TRUE(database.Commit(strError));
        }
        EXPECT_EQ(Snapshot(dir.Path()), files) << expected;
    }
}

TEST_F(DatabaseTest, NewSecurityTakesTheLowestNumberThatNoFileUses) {
    struct SCase {
        std::vector<int> master;
        std::int16_t nCounter;
        bool bEmaster;
        std::vector<int> xmaster;
        int nNext;
        std::vector<std::string> disk;
        const char* pszExpected;
    };
    std::vector<int> full(255);
    std::iota(full.begin(), full.end(), 1);
    const SCase cases[] = {
        {{1, 2, 4}, 3, false, {}, 0, {}, "F3.DAT"},
        {{1, 2, 4}, 3, true, {}, 0, {}, "F5.DAT"},
        {{}, 0, false, {}, 0, {"F1.DAT", "f2.Mwd", "F.DAT"}, "F3.DAT"},
        {{1, 2, 4}, 255, false, {}, 0, {}, "F3.DAT"}, // bytes 2-3 are the highest number in use, not a count
        {full, 255, true, {}, 0, {"F300.DAT", "F70000.DAT"}, "F301.MWD"},
        {full, 255, true, {256, 258}, 259, {"F259.mwd"}, "F260.MWD"},
        {full, 255, true, {256, 258}, 200, {}, "F257.MWD"},
        {{1, 2, 4}, 3, false, {}, 0, {"f3.dop"}, "F5.DAT"},
    };
    for (const SCase& c : cases) {
        CTempDir dir;
        const auto descsOf = [](const std::vector<int>& numbers) {
            std::vector<SEntryDesc> descs;
            for (int n : numbers) {
                descs.push_back({.nFileNumber = n, .strSymbol = "S" + std::to_string(n)});
            }
            return descs;
        };
        CMasterBuilder master;
        for (const SEntryDesc& desc : descsOf(c.master)) {
            master.Security(desc);
        }
        FolderFiles files = {{"MASTER", master.FileCounter(c.nCounter).Bytes()}};
        if (c.bEmaster) {
            files["EMASTER"] = MakeEmasterBytes(descsOf(c.master));
            files["EMASTER"][192 * 3 + 2] = 3; // stale: a removed security's record, its count still MASTER's
        }
        if (!c.xmaster.empty()) {
            files["XMASTER"] = MakeXmasterBytes(descsOf(c.xmaster), c.nNext);
        }
        for (const std::string& name : c.disk) {
            files[name] = "not ours";
        }
        WriteFolder(dir.Path(), files);
        CDatabase database(GetSystemFileSystem(), m_messages, dir.Path());
        std::string strError;
        ASSERT_TRUE(database.LockAndRead(strError)) << strError;
        const auto added = database.AddSecurity(NewSecurity("NEW", "", 2), strError);
        ASSERT_TRUE(added) << strError;
        EXPECT_EQ(added->strDataFile, c.pszExpected);
        ASSERT_TRUE(database.Commit(strError)) << strError;
        EXPECT_TRUE(Exists(dir / c.pszExpected));
        for (const std::string& name : c.disk) {
            EXPECT_EQ(ReadFile(dir / name), "not ours");
        }
        if (c.bEmaster) { // kept as it was, stale record and notice included, only extended
            const std::string emaster = ReadFile(dir / "EMASTER");
            EXPECT_EQ(emaster.substr(4, files["EMASTER"].size() - 4), files["EMASTER"].substr(4));
            if (added->directory == EDirectoryFile::Master) {
                EXPECT_EQ(emaster.substr(0, 4), ReadFile(dir / "MASTER").substr(0, 4));
            }
        }
    }
}

TEST_F(DatabaseTest, FolderLimitsAreRefusedWithTheirMessages) {
    CMasterBuilder full;
    for (int n = 1; n <= 255; ++n) {
        full.Security({.nFileNumber = n, .strSymbol = n == 1 ? "ABC" : "S" + std::to_string(n)});
    }
    WriteFolder(m_dir.Path(), {{"MASTER", full.Bytes()}});
    auto pDatabase = Open();
    std::string strError;
    EXPECT_FALSE(pDatabase->AddSecurity(NewSecurity("NEW", "", 1), strError));
    EXPECT_EQ(strError.find("This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or "
                            "new portfolio."),
              0u);
    EXPECT_NE(strError.find("no EMASTER"), std::string::npos);
    EXPECT_FALSE(pDatabase->AddSecurity(NewSecurity("ABC", "", 1), strError));
    EXPECT_EQ(pDatabase->LastRefusal(), ERefusal::SymbolTaken) << strError;
    EXPECT_FALSE(pDatabase->AddSecurity(NewSecurity("FIFTEEN_CHARS_X", "", 1), strError));
    EXPECT_FALSE(pDatabase->AddSecurity(NewSecurity("NEW", std::string(45, 'N'), 1), strError));
    pDatabase.reset();

    // 6,000 securities in MASTER and XMASTER together fill a folder.
    std::vector<SEntryDesc> extra(5999);
    for (std::size_t i = 0; i < extra.size(); ++i) {
        extra[i].nFileNumber = 256 + static_cast<int>(i);
        extra[i].strSymbol = std::string("X").append(std::to_string(i));
    }
    WriteFolder(m_dir.Path(), {{"MASTER", CMasterBuilder().Security({}).Bytes()},
                               {"EMASTER", MakeEmasterBytes({SEntryDesc{}})},
                               {"XMASTER", MakeXmasterBytes(extra)}});
    pDatabase = Open();
    EXPECT_FALSE(pDatabase->AddSecurity(NewSecurity("NEW", "", 1), strError));
    EXPECT_NE(strError.find("6,000"), std::string::npos) << strError;
}

TEST_F(DatabaseTest, NewDatabaseAndXmasterHoldExactlyTheDocumentedBytes) {
    const std::string name = "A VERY LONG SECURITY NAME INC";
    const std::string first = "\xB8\x28\x96\x49", last = "\xC0\x28\x96\x49"; // 1230103, 1230104 as IEEE singles
    const std::string firstMbf = "\xB8\x28\x16\x95", lastMbf = "\xC0\x28\x16\x95";
    {
        auto pDatabase = Open();
        std::string strError;
        ASSERT_TRUE(pDatabase->CreateNew(strError)) << strError;
        ASSERT_TRUE(pDatabase->AddSecurity(NewSecurity("ABC", name, 2), strError)) << strError;
        ASSERT_TRUE(pDatabase->Commit(strError)) << strError;
    }
    const std::string header = Layout(53, {{0, std::string("\x01\x00\x01\x00", 4)}});
    const std::string entry = Layout(53, {{0, std::string("\x01\x00\x65\x10\x04", 5)}, {7, "A VERY LONG SECU"},
                                          {25, firstMbf + lastMbf + "D"}, {36, "ABC             "}});
    EXPECT_EQ(ReadFile(m_dir / "MASTER"), header + entry);
    const std::string emasterRecord =
        Layout(192, {{0, "66\x01"}, {6, "\x04\x0F"}, {9, " "}, {11, "ABC"}, {32, "A VERY LONG SECU"}, {60, "D"},
                     {64, first}, {72, last}, {126, Le32(20230103)}, {139, name}});
    EXPECT_EQ(ReadFile(m_dir / "EMASTER"), Layout(192, {{0, header}}) + emasterRecord);
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), Layout(16, {{2, "\x03"}, {6, "\x01"}, {10, "\x01"}, {14, "\x01"}}) +
                                              Layout(32, {{0, firstMbf}, {4, "\x00\x00\x20\x84"s}, {8, "\x00\x00\x20\x84"s},
                                                          {12, "\x00\x00\x20\x84"s}, {16, lastMbf}, {20, "\x00\x00\x30\x84"s},
                                                          {24, "\x00\x00\x30\x84"s}, {28, "\x00\x00\x30\x84"s}}));
    EXPECT_EQ(ReadFile(m_dir / "F1.DOP"), "\"DATE\",0,0\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n\"CLOSE\",4,4\r\n");

    // A full MASTER (255 securities) in a folder with EMASTER: the first XMASTER.
    std::vector<SEntryDesc> full;
    CMasterBuilder fullMaster;
    for (int n = 1; n <= 255; ++n) {
        full.push_back({.nFileNumber = n, .strSymbol = "S" + std::to_string(n)});
        fullMaster.Security(full.back());
    }
    std::string master = fullMaster.Bytes();
    std::string emaster = MakeEmasterBytes(full);
    master.replace(49, 4, "\x12\x34\x56\x78");
    emaster.replace(49, 4, "\x12\x34\x56\x78");
    WriteFile(m_dir / "MASTER", master);
    WriteFile(m_dir / "EMASTER", emaster);
    const FolderFiles before = Snapshot(m_dir.Path());
    {
        auto pDatabase = Open();
        std::string strError;
        const auto added = pDatabase->AddSecurity(NewSecurity("XYZ", "EXTRA", 1, {kFieldDate, kFieldClose}), strError);
        ASSERT_TRUE(added) << strError;
        EXPECT_EQ(added->directory, EDirectoryFile::Xmaster);
        ASSERT_TRUE(pDatabase->Commit(strError)) << strError;
    }
    const std::string xheader =
        Layout(150, {{0, "\x5D\xFE\x58\x4D\x20\x03\x12\x34\x56\x78\x01"}, {14, "\x01"}, {18, "\x01\x01"}});
    const std::string xrecord = Layout(150, {{0, "\x01XYZ"}, {16, "EXTRA"}, {62, "D"}, {65, "\x00\x01\x00\x00\x00\x09"s},
                                             {80, Le32(19800317) + "\xFD\x20\x2E"}, {104, Le32(20230103) + Le32(20230103)},
                                             {116, Le32(20230103)}});
    EXPECT_EQ(ReadFile(m_dir / "XMASTER"), xheader + xrecord);
    EXPECT_EQ(ReadFile(m_dir / "F256.MWD"), Layout(8, {{2, "\x02"}, {6, "\x01"}}) + firstMbf + "\x00\x00\x20\x84"s);
    FolderFiles after = Snapshot(m_dir.Path());
    EXPECT_EQ(after.size(), before.size() + 2); // no F256.DOP
    after.erase("XMASTER");
    after.erase("F256.MWD");
    EXPECT_EQ(after, before);
}

TEST_F(DatabaseTest, ReadOnlyFilesAreNeverReplaced) {
    FolderFiles files = RealFolder();
    files["MASTER.BAK"] = "an older backup";
    WriteFolder(m_dir.Path(), files);
    for (const char* pszName : {"F1.DAT", "MASTER.BAK"}) {
        std::filesystem::permissions(m_dir / pszName, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    }
    std::string strError;
    auto pDatabase = Open();
    const auto find = [&](const char* pszSymbol) { return pDatabase->FindSecurity(pszSymbol).value(); };
    const std::vector<int> five = {kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
    ASSERT_TRUE(pDatabase->AppendBars(find("ABC"), Records(five, 1, 1230106), 1, 1230106, strError));
    EXPECT_FALSE(pDatabase->Commit(strError));
    EXPECT_NE(strError.find("F1.DAT is read-only; nothing was changed"), std::string::npos) << strError;
    pDatabase->KeepMasterBackup(); // a backup that cannot be written does not fail the change
    ASSERT_TRUE(pDatabase->DeleteSecurity(find("LNG"), strError) && pDatabase->Commit(strError)) << strError;
    ASSERT_EQ(pDatabase->Warnings().size(), 1u);
    EXPECT_NE(pDatabase->Warnings()[0].find("MASTER.BAK is read-only"), std::string::npos);
    EXPECT_EQ(ReadFile(m_dir / "MASTER.BAK"), "an older backup");
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), files["F1.DAT"]);
}

TEST_F(DatabaseTest, MakeNewMasterIsRefusedWhereAnyDirectoryFileExists) {
    for (const char* pszName : {"MASTER", "emaster", "XMaster"}) {
        CTempDir dir;
        const FolderFiles files = {{pszName, "x"}, {"F1.DAT", "keep"}};
        WriteFolder(dir.Path(), files);
        std::string strError;
        CDatabase database(GetSystemFileSystem(), m_messages, dir.Path());
        EXPECT_TRUE(database.LockAndRead(strError) && !database.CreateNew(strError) && database.Commit(strError));
        EXPECT_EQ(strError, "New Master chosen but one already exists");
        EXPECT_EQ(ReadFile(dir / pszName) + ReadFile(dir / "F1.DAT"), "xkeep");
        EXPECT_EQ(ListDirectory(dir.Path()).size(), 3u); // and PELMAR.LCK, held
    }
}

TEST_F(DatabaseTest, UpdateDeleteAndRenameKeepEveryDirectoryFileInStep) {
    WriteFolder(m_dir.Path(), RealFolder());
    const FolderFiles before = Snapshot(m_dir.Path());
    std::string strError;
    {
        auto pDatabase = Open();
        CDatabase& db = *pDatabase;
        const auto find = [&db](const char* pszSymbol) { return db.FindSecurity(pszSymbol).value(); };
        const std::vector<int> five = {kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
        ASSERT_TRUE(db.AppendBars(find("ABC"), Records(five, 2, 1230106), 2, 1230107, strError)) << strError;
        const std::vector<int> six = {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
        ASSERT_TRUE(db.AppendBars(find("X1"), Records(six, 1, 1230105), 1, 1230105, strError)) << strError;
        EXPECT_FALSE(db.AppendBars(find("IDX"), Records(five, 1, 1230106), 1, 1230106, strError));
        EXPECT_FALSE(db.AppendBars(find("LNG"), Records(five, 1, 1230106), 1, 1230106, strError));
        ASSERT_TRUE(db.DeleteSecurity(find("LNG"), strError)) << strError;
        ASSERT_TRUE(db.DeleteSecurity(find("X2"), strError)) << strError;
        EXPECT_FALSE(db.RenameSecurity(find("IDX"), "abc", std::nullopt, strError));
        EXPECT_EQ(db.LastRefusal(), ERefusal::SymbolTaken) << strError;
        ASSERT_TRUE(db.RenameSecurity(find("IDX"), "IDX5", "FIVE MINUTE BARS OF THE INDEX", strError)) << strError;
        ASSERT_TRUE(db.RenameSecurity(find("X1"), "XONE", std::nullopt, strError)) << strError;
        db.KeepMasterBackup();
        ASSERT_TRUE(db.Commit(strError)) << strError;
        EXPECT_TRUE(db.Warnings().empty());
    }
    CDatabase database(GetSystemFileSystem(), m_messages, m_dir.Path());
    ASSERT_TRUE(database.Read(strError)) << strError;
    EXPECT_TRUE(database.Check().empty()) << database.Check().front();
    EXPECT_EQ(Describe(database.Securities()),
              (std::vector<std::string>{"M 1 ABC|ALPHA CORP|5D0|1230103-1230107|F1.DAT",
                                        "M 4 IDX5|FIVE MINUTE BARS OF THE INDEX|7I5|1230103-1230103|F4.DAT",
                                        "X 256 XONE|FIRST EXTRA SECURITY NAME|6D0|1230103-1230105|F256.MWD"}));
    const FolderFiles after = Snapshot(m_dir.Path());
    for (const char* pszGone : {"F2.DAT", "F258.MWD"}) {
        EXPECT_FALSE(after.count(pszGone)) << pszGone;
    }
    EXPECT_EQ(after.at("MASTER.BAK"), before.at("MASTER"));
    EXPECT_EQ(after.at("f3.dop"), before.at("f3.dop"));
    EXPECT_EQ(after.at("F1.DAT").substr(0, 40), before.at("F1.DAT").substr(0, 40).replace(2, 1, "\x06"));
    // One entry fewer; the highest number in use stays as it was, as the charting software keeps it.
    EXPECT_EQ(after.at("MASTER").substr(0, 4), std::string("\x02\x00\x04\x00", 4));
    EXPECT_EQ(after.at("EMASTER").substr(0, 4), std::string("\x02\x00\x04\x00", 4));
    EXPECT_EQ(after.at("XMASTER").substr(10, 10), std::string("\x01\x00\x00\x00\x01\x00\x00\x00\x03\x01", 10));
}

TEST_F(DatabaseTest, TreeSearchFindsSymbolsAndNamesVisitingEachFolderOnce) {
#ifdef _WIN32
    GTEST_SKIP() << "the loop back to the top needs a symbolic link to a folder";
#endif
    // Four levels of 100 entries that all lead to the next level, and a link back to the top.
    std::filesystem::path dir = m_dir.Path();
    for (int level = 1; level <= 4; ++level) {
        CMasterBuilder master;
        for (int i = 0; i < 100; ++i) {
            master.Directory(static_cast<std::uint8_t>(i + 1), i % 2 ? "LEVEL" : "level");
        }
        master.Directory(101, "LOOP");
        std::filesystem::create_directory(dir / "LEVEL");
        std::filesystem::create_directory_symlink(m_dir.Path(), dir / "LOOP");
        WriteFile(dir / "MASTER", master.Bytes());
        dir /= "LEVEL";
    }
    const SEntryDesc brk{.nFileNumber = 3, .strSymbol = "BRK A", .strName = "BERKSHIRE HATHAWAY CLASS A"};
    WriteFile(dir / "emaster", MakeEmasterBytes({brk}));
    WriteFile(dir / "XMASTER", MakeXmasterBytes({{.nFileNumber = 300, .strSymbol = "DEEP", .strName = "DEEP DOWN"}}));

    const auto start = std::chrono::steady_clock::now();
    const std::pair<const char*, const char*> cases[] = {
        {"deep", "DEEP"}, {"Deep Down", "DEEP"}, {"BRK A", "BRK A"}, {"brk", "BRK A"},
        {"berkshire hathaway class a", "BRK A"}, {"BRK B", nullptr}, {"LEVEL", nullptr},
    };
    for (const auto& [pszSought, pszFound] : cases) {
        const auto found = FindSecurityInTree(GetSystemFileSystem(), m_dir.Path(), pszSought);
        ASSERT_EQ(found.has_value(), pszFound != nullptr) << pszSought;
        if (found) {
            EXPECT_EQ(found->security.strSymbol, pszFound);
            EXPECT_EQ(found->folder, dir);
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

} // namespace
