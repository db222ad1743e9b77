// Intraday, weekly and monthly bars end to end: the directory records and data files a
// conversion writes, byte for byte against expectations written out here field by field from
// the layouts the charting software reads; new bars for an intraday security; the newest bars
// kept of a file longer than a security holds.
#include "metastock/Mbf.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/MasterBuilder.h"

#include <cstring>
#include <map>

namespace {

// The expected files of one security, built field by field.
struct SExpected {
    int nNumber;
    std::string strSymbol;
    char cPeriod;
    int nInterval;
    std::vector<int> fields; // record order: kFieldDate, kFieldTime, ...
    std::vector<std::vector<float>> bars; // the values of each record in that order
};

void Put(std::string& bytes, std::size_t nAt, const void* p, std::size_t n) {
    bytes.replace(nAt, n, static_cast<const char*>(p), n);
}
void PutMbf(std::string& bytes, std::size_t nAt, float f) {
    const MbfSingle mbf = EncodeMbf(f);
    Put(bytes, nAt, mbf.data(), 4);
}
void PutInt(std::string& bytes, std::size_t nAt, std::uint32_t n, std::size_t nBytes) {
    for (std::size_t i = 0; i < nBytes; ++i) {
        bytes[nAt + i] = static_cast<char>(n >> (8 * i));
    }
}
void PutFloat(std::string& bytes, std::size_t nAt, float f) {
    std::uint32_t n;
    std::memcpy(&n, &f, 4);
    PutInt(bytes, nAt, n, 4);
}
std::uint8_t FieldSet(const std::vector<int>& fields) {
    // Date 1, High 2, Low 4, Close 8, Volume 16, Open 32, Open interest 64, Time 128.
    static const std::map<int, std::uint8_t> kBits = {{kFieldDate, 1},   {kFieldHigh, 2},   {kFieldLow, 4},
                                                      {kFieldClose, 8},  {kFieldVolume, 16}, {kFieldOpen, 32},
                                                      {kFieldOpenInterest, 64}, {kFieldTime, 128}};
    std::uint8_t n = 0;
    for (int field : fields) {
        n = static_cast<std::uint8_t>(n | kBits.at(field));
    }
    return n;
}
bool Timed(const SExpected& e) {
    return e.cPeriod == 'I';
}
float First(const SExpected& e, std::size_t nField) {
    return e.bars.front()[nField];
}
float Last(const SExpected& e, std::size_t nField) {
    return e.bars.back()[nField];
}

// MASTER record: 0 number, 1-2 "00 65", 3 record length, 4 field count, 7-22 name (spaces),
// 25 and 29 first and last date (MBF), 33 period, 34-35 interval, 36-51 symbol (spaces).
std::string MasterRecordOf(const SExpected& e) {
    std::string r(53, '\0');
    r[0] = static_cast<char>(e.nNumber);
    r[2] = 0x65;
    r[3] = static_cast<char>(4 * e.fields.size());
    r[4] = static_cast<char>(e.fields.size());
    r.replace(7, 16, std::string(16, ' '));
    PutMbf(r, 25, First(e, 0));
    PutMbf(r, 29, Last(e, 0));
    r[33] = e.cPeriod;
    PutInt(r, 34, static_cast<std::uint32_t>(e.nInterval), 2);
    r.replace(36, 16, (e.strSymbol + std::string(16, ' ')).substr(0, 16));
    return r;
}

// EMASTER record: "66", 2 number, 6 field count, 7 field set, 9 a space, 11 symbol, 60 period,
// 62 interval, 64/68 first date/time and 72/76 last date/time (IEEE), 126 first YYYYMMDD.
std::string EmasterRecordOf(const SExpected& e) {
    std::string r(192, '\0');
    r[0] = r[1] = '6';
    r[2] = static_cast<char>(e.nNumber);
    r[6] = static_cast<char>(e.fields.size());
    r[7] = static_cast<char>(FieldSet(e.fields));
    r[9] = ' ';
    r.replace(11, e.strSymbol.size(), e.strSymbol);
    r[60] = e.cPeriod;
    PutInt(r, 62, static_cast<std::uint32_t>(e.nInterval), 2);
    PutFloat(r, 64, First(e, 0));
    PutFloat(r, 72, Last(e, 0));
    if (Timed(e)) {
        PutFloat(r, 68, First(e, 1));
        PutFloat(r, 76, Last(e, 1));
    }
    PutInt(r, 126, static_cast<std::uint32_t>(First(e, 0)) + 19000000, 4);
    return r;
}

// XMASTER record: 0 0x01, 1 symbol, 16 name, 62 period, 63 interval, 65 number, 70 field set,
// 80 19800317 and FD 20 2E 00, 104 and 108 first YYYYMMDD, 112 first time, 116 last YYYYMMDD,
// 120 last time.
std::string XmasterRecordOf(const SExpected& e) {
    std::string r(150, '\0');
    r[0] = 0x01;
    r.replace(1, e.strSymbol.size(), e.strSymbol);
    r.replace(16, e.strSymbol.size(), e.strSymbol); // the name is the symbol in a batch
    r[62] = e.cPeriod;
    PutInt(r, 63, static_cast<std::uint32_t>(e.nInterval), 2);
    PutInt(r, 65, static_cast<std::uint32_t>(e.nNumber), 2);
    r[70] = static_cast<char>(FieldSet(e.fields));
    PutInt(r, 80, 19800317, 4);
    PutInt(r, 84, 0x002E20FD, 4);
    PutInt(r, 104, static_cast<std::uint32_t>(First(e, 0)) + 19000000, 4);
    PutInt(r, 108, static_cast<std::uint32_t>(First(e, 0)) + 19000000, 4);
    PutInt(r, 116, static_cast<std::uint32_t>(Last(e, 0)) + 19000000, 4);
    if (Timed(e)) {
        PutInt(r, 112, static_cast<std::uint32_t>(First(e, 1)), 4);
        PutInt(r, 120, static_cast<std::uint32_t>(Last(e, 1)), 4);
    }
    return r;
}

// Data file: a header record of "00 00 01 00" per field, bytes 2-3 the records with the
// header, then each bar's fields as MBF singles.
std::string DataFileOf(const SExpected& e) {
    std::string bytes;
    for (std::size_t f = 0; f < e.fields.size(); ++f) {
        bytes += std::string("\0\0\x01\0", 4);
    }
    PutInt(bytes, 2, static_cast<std::uint32_t>(e.bars.size() + 1), 2);
    for (const std::vector<float>& bar : e.bars) {
        for (float f : bar) {
            bytes += std::string(4, '\0');
            PutMbf(bytes, bytes.size() - 4, f);
        }
    }
    return bytes;
}

// F<n>.DOP: a line per field in record order.
std::string DopOf(const SExpected& e) {
    static const std::map<int, std::string> kNames = {{kFieldDate, "\"DATE\",0,0"}, {kFieldTime, "\"TIME\",0,0"},
                                                      {kFieldOpen, "\"OPEN\",4,4"}, {kFieldHigh, "\"HIGH\",4,4"},
                                                      {kFieldLow, "\"LOW\",4,4"},   {kFieldClose, "\"CLOSE\",4,4"},
                                                      {kFieldVolume, "\"VOL\",4,4"}};
    std::string text;
    for (int field : e.fields) {
        text += kNames.at(field) + "\r\n";
    }
    return text;
}

struct SPeriodCase {
    const char* pszName;
    std::string strText;
    Arguments args;
    SExpected expected;
};

const std::vector<int> kDtc{kFieldDate, kFieldTime, kFieldClose};
const std::vector<int> kDtohlcv{kFieldDate, kFieldTime, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
const std::vector<int> kDc{kFieldDate, kFieldClose};

class Periods : public CCliTest, public ::testing::WithParamInterface<SPeriodCase> {
protected:
    // A folder of 255 securities in MASTER and EMASTER: the next one goes into XMASTER.
    void FillMaster() {
        CMasterBuilder master;
        std::vector<SEntryDesc> descs;
        FolderFiles files;
        for (int n = 1; n <= 255; ++n) {
            descs.push_back({.nFileNumber = n, .strSymbol = "S" + std::to_string(n), .fFirstDate = 1230103,
                             .fLastDate = 1230103, .nFieldCount = 2, .nFieldSet = 9});
            master.Security(descs.back());
            files["F" + std::to_string(n) + ".DAT"] = MakeDataFileBytes(2, {{1230103, 1}});
        }
        files["MASTER"] = master.Bytes();
        files["EMASTER"] = MakeEmasterBytes(descs);
        WriteFolder(Db(), files);
    }
};

TEST_P(Periods, WriteTheBytesTheChartingSoftwareReads) {
    const SExpected& e = GetParam().expected;
    const bool bXmaster = e.nNumber > 255;
    if (bXmaster) {
        FillMaster();
    }
    Arguments args{Input("prices.csv", GetParam().strText), "--out", DbText(), "--symbol", e.strSymbol};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const SCliResult result = RunCli("convert", args);
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    const FolderFiles files = Snapshot(Db());
    if (bXmaster) {
        EXPECT_EQ(files.at("XMASTER").substr(150, 150), XmasterRecordOf(e));
        EXPECT_EQ(files.at("F256.MWD"), DataFileOf(e));
        EXPECT_EQ(files.count("F256.DOP"), 0u);
    } else {
        EXPECT_EQ(files.at("MASTER").substr(53, 53), MasterRecordOf(e));
        EXPECT_EQ(files.at("EMASTER").substr(192, 192), EmasterRecordOf(e));
        EXPECT_EQ(files.at("F1.DAT"), DataFileOf(e));
        EXPECT_EQ(files.at("F1.DOP"), DopOf(e));
    }
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Periods,
    ::testing::Values(
        SPeriodCase{"OneMinuteTimeColumn", "Date,Time,Close\n2023-09-01,09:30,1.5\n2023-09-01,09:31,1.75\n"
                                           "2023-09-01,09:32,2\n",
                    {"--detect"},
                    {1, "ONE", 'I', 1, kDtc,
                     {{1230901, 93000, 1.5f}, {1230901, 93100, 1.75f}, {1230901, 93200, 2}}}},
        SPeriodCase{"FiveMinuteDateAndTimeInOneField",
                    "2023-09-01 15:50:00,1,2,0.5,1.5,10\n2023-09-01 15:55:00,1,2,0.5,1.6,20\n"
                    "2023-09-05 09:30:00,1,2,0.5,1.7,30\n2023-09-05 09:35:00,1,2,0.5,1.8,40\n",
                    {"--detect"},
                    {1, "FIVE", 'I', 5, kDtohlcv,
                     {{1230901, 155000, 1, 2, 0.5f, 1.5f, 10},
                      {1230901, 155500, 1, 2, 0.5f, 1.6f, 20},
                      {1230905, 93000, 1, 2, 0.5f, 1.7f, 30},
                      {1230905, 93500, 1, 2, 0.5f, 1.8f, 40}}}},
        SPeriodCase{"SixtyMinuteHhmmss", "20230901\t093000\t1.5\n20230901\t103000\t1.6\n20230901\t113000\t1.7\n",
                    {"--delimiter", "tab", "--date-format", "CCYYMMDD", "--time-col", "2", "--close-col", "3",
                     "--no-open", "--no-high", "--no-low", "--no-volume", "--no-oi", "--interval", "60"},
                    {1, "HOUR", 'I', 60, kDtc,
                     {{1230901, 93000, 1.5f}, {1230901, 103000, 1.6f}, {1230901, 113000, 1.7f}}}},
        SPeriodCase{"Weekly", "2023-01-06,1.5\n2023-01-13,1.6\n2023-01-20,1.7\n2023-01-27,1.8\n", {"--detect"},
                    {1, "WK", 'W', 0, kDc, {{1230106, 1.5f}, {1230113, 1.6f}, {1230120, 1.7f}, {1230127, 1.8f}}}},
        SPeriodCase{"Monthly", "2023-01-31,1.5\n2023-02-28,1.6\n2023-03-31,1.7\n2023-04-28,1.8\n", {"--detect"},
                    {1, "MO", 'M', 0, kDc, {{1230131, 1.5f}, {1230228, 1.6f}, {1230331, 1.7f}, {1230428, 1.8f}}}},
        SPeriodCase{"FiveMinutePast255", "2023-09-01 09:30,1.5\n2023-09-01 09:35,1.6\n2023-09-01 09:40,1.7\n",
                    {"--detect", "--name", "X256"},
                    {256, "X256", 'I', 5, kDtc,
                     {{1230901, 93000, 1.5f}, {1230901, 93500, 1.6f}, {1230901, 94000, 1.7f}}}},
        SPeriodCase{"WeeklyPast255", "2023-01-06,1.5\n2023-01-13,1.6\n2023-01-20,1.7\n2023-01-27,1.8\n",
                    {"--period", "W", "--date-format", "CCYY_MM_DD", "--close-col", "2", "--no-open", "--no-high",
                     "--no-low", "--no-volume", "--no-oi", "--name", "W256"},
                    {256, "W256", 'W', 0, kDc, {{1230106, 1.5f}, {1230113, 1.6f}, {1230120, 1.7f}, {1230127, 1.8f}}}}),
    [](const auto& info) { return info.param.pszName; });

const Arguments kFiveMinutes{"--date-format", "CCYY_MM_DD", "--date-time", "--close-col", "2", "--no-open",
                             "--no-high", "--no-low", "--no-volume", "--no-oi", "--interval", "5"};

Arguments With(Arguments args, const Arguments& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// New bars for an intraday security: those after its last date and time are appended; equal
// ones are skipped, one that differs is a conflict; another period or interval is refused,
// naming both.
TEST_F(CCliTest, IntradayUpdatesFollowTheLastDateAndTime) {
    ASSERT_EQ(RunCli("convert", With({Input("a.csv", "2023-09-01 15:50,1.5\n2023-09-01 15:55,1.6\n"), "--out",
                                      DbText(), "--symbol", "X"},
                                     kFiveMinutes))
                  .nStatus,
              0);
    const SCliResult next = RunCli(
        "convert", With({Input("b.csv", "2023-09-01 15:55,1.6\n2023-09-05 09:30,1.7\n2023-09-05 09:35,1.8\n"), "--out",
                         DbText(), "--symbol", "X", "--update"},
                        kFiveMinutes));
    EXPECT_EQ(next.nStatus, 0) << next.strErr;
    EXPECT_NE(next.strOut.find("X: 2 new bars, 2023-09-05 09:30:00 to 2023-09-05 09:35:00; 1 bar already held was "
                               "skipped"),
              std::string::npos)
        << next.strOut;
    EXPECT_EQ(RunCli("dump", {DbText(), "X"}).strOut,
              "Date,Time,Close\n2023-09-01,155000,1.5\n2023-09-01,155500,1.6\n2023-09-05,093000,1.7\n"
              "2023-09-05,093500,1.8\n");
    const FolderFiles before = Snapshot(Db());
    const SCliResult conflict = RunCli(
        "convert", With({Input("c.csv", "2023-09-05 09:35,1.9\n2023-09-05 09:40,2\n"), "--out", DbText(), "--symbol",
                         "X", "--update"},
                        kFiveMinutes));
    EXPECT_EQ(conflict.nStatus, 1);
    EXPECT_NE(conflict.strErr.find("line 1: the bar of 2023-09-05 09:35:00 conflicts: Close is 1.9 in the file but "
                                   "1.8 in the security"),
              std::string::npos)
        << conflict.strErr;
    Arguments daily = kFiveMinutes;
    daily.resize(daily.size() - 2);
    const SCliResult otherPeriod = RunCli(
        "convert", With({Input("d.csv", "2023-09-06 09:30,2\n"), "--out", DbText(), "--symbol", "X", "--update"}, daily));
    EXPECT_EQ(otherPeriod.nStatus, 1);
    EXPECT_NE(otherPeriod.strErr.find("The file holds daily bars, but X in " + Db().string() + " holds 5-minute bars."),
              std::string::npos)
        << otherPeriod.strErr;
    Arguments tenMinutes = kFiveMinutes;
    tenMinutes.back() = "10";
    const SCliResult otherInterval = RunCli(
        "convert",
        With({Input("e.csv", "2023-09-06 09:30,2\n"), "--out", DbText(), "--symbol", "X", "--update"}, tenMinutes));
    EXPECT_NE(otherInterval.strErr.find("The file holds 10-minute bars, but X"), std::string::npos);
    EXPECT_EQ(Snapshot(Db()), before);
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

// A file of more bars than a security holds: refused, naming --keep-last; with it the newest
// 65,534 are kept and the summary says how many older ones were left out.
TEST_F(CCliTest, TheNewestBarsAreKeptWhenAsked) {
    std::string text;
    for (int nDay = 1; nDay <= 46; ++nDay) {
        for (int nMinute = 0; nMinute < 1425; ++nMinute) {
            char line[64];
            std::snprintf(line, sizeof line, "2023-%02d-%02d %02d:%02d,1.5\n", 1 + (nDay - 1) / 28,
                          1 + (nDay - 1) % 28, nMinute / 60, nMinute % 60);
            text += line;
        }
    }
    // 46 x 1,425 = 65,550 one-minute bars.
    const std::string input = Input("minutes.csv", text);
    Arguments args = With({input, "--out", DbText(), "--symbol", "M"}, kFiveMinutes);
    args.back() = "1";
    const SCliResult refused = RunCli("convert", args);
    EXPECT_EQ(refused.nStatus, 1);
    EXPECT_NE(refused.strErr.find("The file has 65,550 bars; a security holds at most 65,534. --keep-last keeps the "
                                  "newest of them."),
              std::string::npos)
        << refused.strErr;
    args.push_back("--keep-last");
    const SCliResult kept = RunCli("convert", args);
    ASSERT_EQ(kept.nStatus, 0) << kept.strErr;
    EXPECT_NE(kept.strOut.find("M: 65534 bars, 2023-01-01 00:16:00 to 2023-02-18 23:44:00"), std::string::npos)
        << kept.strOut;
    EXPECT_NE(kept.strOut.find("M: the 16 oldest bars were left out to keep the newest 65,534"), std::string::npos);
}

} // namespace
