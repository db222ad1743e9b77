// pelmar-cli repair on folders damaged in each of the ways the charting software or a crash
// leaves them: afterwards check finds nothing, every security's bars read back, no bar the
// data files held is lost, and every directory file replaced is kept as <name>.pelmar-old.
#include "tests/cli/CliTestSupport.h"
#include "tests/metastock/DatabaseFixture.h"

#include <functional>
#include <sstream>

namespace {

struct SRepairCase {
    const char* pszName;
    std::function<void(FolderFiles&)> damage;
    std::vector<std::string> said;   // in what repair says it changes
    std::vector<std::string> listed; // rows of list afterwards
    std::vector<std::string> kept;   // the old copies it leaves
    std::vector<std::string> unsaid = {};
};

// The bars that the data files of a folder hold in whole records, counted or not: what no
// repair may lose.
int WholeBars(const FolderFiles& files, const std::map<std::string, int>& fieldsOf) {
    int nBars = 0;
    for (const auto& [name, nFields] : fieldsOf) {
        if (files.count(name)) {
            nBars += static_cast<int>(files.at(name).size() / (4 * static_cast<std::size_t>(nFields))) - 1;
        }
    }
    return nBars;
}

class Repairs : public CCliTest, public ::testing::WithParamInterface<SRepairCase> {};

TEST_P(Repairs, LeaveAFolderThatCheckFindsWholeAndLoseNoBar) {
    FolderFiles files = RealFolder();
    GetParam().damage(files);
    WriteFolder(Db(), files);
    const std::map<std::string, int> fieldsOf = {{"F1.DAT", 5},   {"F2.DAT", 4},   {"F4.DAT", 7},
                                                 {"F256.MWD", 6}, {"F258.MWD", 6}, {"F300.MWD", 6}};
    const int nBefore = WholeBars(files, fieldsOf);
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 1);

    const SCliResult repair = RunCli("repair", {DbText(), "--yes"});
    ASSERT_EQ(repair.nStatus, 0) << repair.strErr;
    for (const std::string& text : GetParam().said) {
        EXPECT_NE(repair.strOut.find(text), std::string::npos) << text << "\n" << repair.strOut;
    }
    for (const std::string& text : GetParam().unsaid) {
        EXPECT_EQ(repair.strOut.find(text), std::string::npos) << text << "\n" << repair.strOut;
    }
    const SCliResult check = RunCli("check", {DbText()});
    EXPECT_EQ(check.nStatus, 0) << check.strOut;
    const SCliResult list = RunCli("list", {DbText()});
    EXPECT_EQ(list.nStatus, 0) << list.strErr;
    for (const std::string& row : GetParam().listed) {
        EXPECT_NE(list.strOut.find(row), std::string::npos) << row << "\n" << list.strOut;
    }
    // Every security reads back whole, and together they hold every bar there was.
    int nListed = 0;
    std::istringstream rows(list.strOut);
    std::string row;
    std::getline(rows, row);
    while (std::getline(rows, row)) {
        const std::string symbol =
            row.substr(row.find('\t') + 1, row.find('\t', row.find('\t') + 1) - row.find('\t') - 1);
        const SCliResult dump = RunCli("dump", {DbText(), symbol});
        EXPECT_EQ(dump.nStatus, 0) << symbol << ": " << dump.strErr;
        nListed += static_cast<int>(std::count(dump.strOut.begin(), dump.strOut.end(), '\n')) - 1;
    }
    EXPECT_EQ(nListed, WholeBars(Snapshot(Db()), fieldsOf));
    EXPECT_EQ(nListed, nBefore);
    for (const std::string& name : GetParam().kept) {
        EXPECT_EQ(ReadFile(Db() / name), files.at(name.substr(0, name.find(".pelmar-old")))) << name;
    }
    EXPECT_EQ(RunCli("repair", {DbText(), "--yes"}).strOut, DbText() + " needs no repair.\n");
}

std::string Le32(std::uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

INSTANTIATE_TEST_SUITE_P(
    Damage, Repairs,
    ::testing::Values(
        // EMASTER's record 2 describes a deleted security: remade from MASTER; the other
        // records keep their long names.
        SRepairCase{"StaleEmasterRecord",
                    [](FolderFiles& f) {
                        f["EMASTER"][192 * 2 + 2] = 3;
                        f["EMASTER"].replace(192 * 2 + 11, 3, "OLD");
                    },
                    {"EMASTER: the record of file number 2 (LNG) made from MASTER",
                     "EMASTER record 2: file number 3 (OLD) is not in MASTER; removed"},
                    {"2\tLNG\tLONG NAMED SECUR\t", "1\tABC\tALPHA CORP\t"},
                    {"EMASTER.pelmar-old"}},
        SRepairCase{"MissingEmasterRecord",
                    [](FolderFiles& f) {
                        f["EMASTER"].resize(192 * 3);
                        f["EMASTER"][0] = 2;
                    },
                    {"EMASTER: the record of file number 4 (IDX) made from MASTER"},
                    {"4\tIDX\tFIVE MINUTES\t7\tI5\t"},
                    {"EMASTER.pelmar-old"}},
        SRepairCase{"EmasterInAnotherOrder",
                    [](FolderFiles& f) {
                        std::string& e = f["EMASTER"];
                        const std::string first = e.substr(192, 192);
                        e.replace(192, 192, e.substr(192 * 3, 192));
                        e.replace(192 * 3, 192, first);
                    },
                    {"EMASTER: its records set in step with MASTER"},
                    {"2\tLNG\tLONG NAMED SECURITY HOLDINGS\t"},
                    {"EMASTER.pelmar-old"}},
        // The real folder's 12 bytes of text: set aside, and its data files listed again.
        SRepairCase{"TextXmaster",
                    [](FolderFiles& f) { f["XMASTER"] = "broken file\n"; },
                    {"XMASTER: not an XMASTER; kept as XMASTER.pelmar-old",
                     "F256.MWD: no directory file listed it; XMASTER lists it as F256 (6 fields, 2 bars)"},
                    {"256\tF256\tF256\t6\tD\t2023-01-03\t2023-01-04\t2\tF256.MWD", "258\tF258\t"},
                    {"XMASTER.pelmar-old"}},
        SRepairCase{"OrphanMwd",
                    [](FolderFiles& f) { f["F300.MWD"] = f["F258.MWD"]; },
                    {"F300.MWD: no directory file listed it; XMASTER lists it as F300"},
                    {"300\tF300\tF300\t6\tD\t2023-01-03\t2023-01-04\t2\tF300.MWD"},
                    {"XMASTER.pelmar-old"}},
        // Without its XMASTER, a folder's F<n>.MWD files get one made for them, whole.
        SRepairCase{"MissingXmaster",
                    [](FolderFiles& f) { f.erase("XMASTER"); },
                    {"XMASTER: none was there; made for the data files that no directory file lists",
                     "F258.MWD: no directory file listed it; XMASTER lists it as F258 (6 fields, 2 bars)"},
                    {"256\tF256\tF256\t6\tD\t", "258\tF258\t"},
                    {},
                    {"next file number", "record count"}},
        SRepairCase{"DataFileCutMidRecord",
                    [](FolderFiles& f) { f["F1.DAT"].resize(f["F1.DAT"].size() - 10); },
                    {"F1.DAT: 10 bytes of a partial record at its end cut; its header counts 2 bars (it counted 3)",
                     "MASTER record 1 (ABC): dates 20230103-20230105 set to 20230103-20230104 from F1.DAT"},
                    {"1\tABC\tALPHA CORP\t5\tD\t2023-01-03\t2023-01-04\t2\tF1.DAT"},
                    {"MASTER.pelmar-old", "EMASTER.pelmar-old"}},
        SRepairCase{"WrongLastDates",
                    [](FolderFiles& f) {
                        f["MASTER"].replace(53 * 2 + 29, 4, "\xC8\x28\x16\x95"); // LNG ends 2023-01-05
                        f["XMASTER"].replace(150 + 116, 4, Le32(20230109));      // X1 ends 2023-01-09
                    },
                    {"MASTER record 2 (LNG): dates 20230103-20230105 set to 20230103-20230104 from F2.DAT",
                     "XMASTER record 1 (X1): dates 20230103-20230109 set to 20230103-20230104 from F256.MWD"},
                    {"2\tLNG\tLONG NAMED SECURITY HOLDINGS\t4\tD\t2023-01-03\t2023-01-04"},
                    {"MASTER.pelmar-old", "XMASTER.pelmar-old"}},
        SRepairCase{"XmasterNextNumber65535",
                    [](FolderFiles& f) { f["XMASTER"].replace(18, 2, "\xFF\xFF"); },
                    {"XMASTER: the next file number 65535 set to 259"},
                    {"258\tX2\t"},
                    {"XMASTER.pelmar-old"}}),
    [](const auto& info) { return std::string(info.param.pszName); });

// Without --yes it asks, and only a yes changes anything.
TEST_F(CCliTest, RepairAsksBeforeItChangesAnything) {
    FolderFiles files = RealFolder();
    files["XMASTER"] = "broken file\n";
    WriteFolder(Db(), files);
    for (const char* pszAnswer : {"", "n\n", "y\n"}) {
        std::istringstream in(pszAnswer);
        std::ostringstream out;
        std::ostringstream err;
        const int nStatus = RunRepairWith({DbText()}, in, out, err);
        EXPECT_NE(out.str().find("Repair it? [y/N] "), std::string::npos);
        EXPECT_EQ(nStatus, pszAnswer[0] == 'y' ? 0 : 1) << err.str();
        EXPECT_EQ(Snapshot(Db()) == files, pszAnswer[0] != 'y') << pszAnswer;
    }
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
    EXPECT_EQ(RunCli("repair", {(m_dir / "empty").string(), "--yes"}).nStatus, 1);
}

} // namespace
