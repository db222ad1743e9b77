// The fixed-length records of MASTER and F<n>.DAT and the lines of F<n>.DOP, byte for byte
// as other software reads them.
#include "metastock/DataFile.h"
#include "metastock/Records.h"

#include "platform/FileSystem.h"
#include "tests/support/MasterBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToVector(const MasterRecord& record) {
    return Bytes(record.begin(), record.end());
}

Bytes ToVector(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// The entry of the format's example: file 1, five fields, ALPHA CORP, ABC, 1999-01-04 to
// 1999-12-31.
const Bytes kAlphaEntry = {
    0x01, 0x00, 0x65, 0x14, 0x05, 0x00, 0x00,                                                 // 0-6
    0x41, 0x4C, 0x50, 0x48, 0x41, 0x20, 0x43, 0x4F, 0x52, 0x50, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, // 7-22
    0x00, 0x00,                                                                               // 23-24
    0x80, 0xB9, 0x71, 0x94,                                                                   // 25-28
    0xF0, 0xFF, 0x71, 0x94,                                                                   // 29-32
    0x44, 0x00, 0x00,                                                                         // 33-35
    0x41, 0x42, 0x43, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, // 36-51
    0x00,                                                                                     // 52
};

SSecurityEntry AlphaEntry() {
    SSecurityEntry entry;
    entry.nFileNumber = 1;
    entry.nRecordLength = 20;
    entry.nFieldCount = 5;
    entry.strName = "ALPHA CORP";
    entry.strSymbol = "ABC";
    entry.firstDate = EncodeMbf(990104.0f);
    entry.lastDate = EncodeMbf(991231.0f);
    return entry;
}

MasterRecord RecordFrom(const Bytes& bytes) {
    MasterRecord record{};
    std::copy(bytes.begin(), bytes.end(), record.begin());
    return record;
}

// A record whose name field (offsets 7 to 22) holds name exactly, padded with pad.
MasterRecord WithName(const std::string& name, char pad = ' ') {
    MasterRecord record{};
    for (std::size_t i = 0; i < 16; ++i) {
        record[7 + i] = static_cast<std::uint8_t>(i < name.size() ? name[i] : pad);
    }
    return record;
}

// A record whose symbol field (offsets 36 to 52) holds symbol exactly, padded with pad.
MasterRecord WithSymbol(const std::string& symbol, char pad = ' ') {
    MasterRecord record{};
    for (std::size_t i = 0; i < 17; ++i) {
        record[36 + i] = static_cast<std::uint8_t>(i < symbol.size() ? symbol[i] : pad);
    }
    return record;
}

} // namespace

TEST(LittleEndian, Int16IsLowByteFirst) {
    std::uint8_t bytes[2];
    WriteInt16(bytes, 0x0102);
    EXPECT_EQ(bytes[0], 0x02);
    EXPECT_EQ(bytes[1], 0x01);
    WriteInt16(bytes, -2);
    EXPECT_EQ(bytes[0], 0xFE);
    EXPECT_EQ(bytes[1], 0xFF);
    const std::uint8_t in[] = {0x34, 0x82};
    EXPECT_EQ(ReadInt16(in), static_cast<std::int16_t>(0x8234));
    const std::uint8_t max[] = {0xFF, 0x7F};
    EXPECT_EQ(ReadInt16(max), 32767);
}

TEST(MasterHeader, ANewHeaderIs53ZeroBytes) {
    EXPECT_EQ(SMasterHeader{}.ToBytes(), MasterRecord{});
}

TEST(MasterHeader, CountsAreLittleEndianAndTheRestIsKept) {
    SMasterHeader header;
    header.nEntryCount = 1;
    header.nFileCounter = 0x0203;
    for (std::size_t i = 0; i < header.reserved.size(); ++i) {
        header.reserved[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    const MasterRecord bytes = header.ToBytes();
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0x03);
    EXPECT_EQ(bytes[3], 0x02);
    for (std::size_t i = 4; i < 53; ++i) {
        EXPECT_EQ(bytes[i], 0xA0 + (i - 4)) << i;
    }
    const SMasterHeader back = SMasterHeader::FromBytes(bytes);
    EXPECT_EQ(back.nEntryCount, 1);
    EXPECT_EQ(back.nFileCounter, 0x0203);
    EXPECT_EQ(back.reserved, header.reserved);
    EXPECT_EQ(back.ToBytes(), bytes);
}

TEST(MasterHeader, CountsAreSigned) {
    MasterRecord bytes{};
    bytes[0] = 0xFF;
    bytes[1] = 0xFF;
    bytes[2] = 0x00;
    bytes[3] = 0x80;
    const SMasterHeader header = SMasterHeader::FromBytes(bytes);
    EXPECT_EQ(header.nEntryCount, -1);
    EXPECT_EQ(header.nFileCounter, -32768);
}

TEST(SecurityEntry, WritesTheAlphaCorpExample) {
    EXPECT_EQ(ToVector(AlphaEntry().ToBytes()), kAlphaEntry);
}

TEST(SecurityEntry, TheTestBuildersDefaultEntryIsTheExample) {
    // Other suites build their databases from this default.
    EXPECT_EQ(ToVector(MakeSecurityRecord({})), kAlphaEntry);
    EXPECT_EQ(ToVector(CMasterBuilder().Security({}).Bytes()).size(), 106u);
}

TEST(SecurityEntry, SevenFieldsAndFullTextFields) {
    SSecurityEntry entry = AlphaEntry();
    entry.nFileNumber = 255;
    entry.nRecordLength = 28;
    entry.nFieldCount = 7;
    entry.strName = "ABCDEFGHIJKLMNOP";
    entry.strSymbol = "QRSTUVWXYZ012345";
    const MasterRecord bytes = entry.ToBytes();
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[3], 28);
    EXPECT_EQ(bytes[4], 7);
    EXPECT_EQ(std::string(bytes.begin() + 7, bytes.begin() + 23), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(bytes[23], 0);
    EXPECT_EQ(bytes[24], 0);
    EXPECT_EQ(bytes[33], 'D');
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 52), "QRSTUVWXYZ012345");
    EXPECT_EQ(bytes[52], 0);
}

TEST(SecurityEntry, TextsArePaddedWithSpacesAndCutAt16) {
    const auto empty = PadEntryText("");
    EXPECT_EQ(std::string(empty.begin(), empty.end()), std::string(16, ' '));
    const auto cut = PadEntryText("ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(std::string(cut.begin(), cut.end()), "ABCDEFGHIJKLMNOP");
    const auto padded = PadEntryText("A B");
    EXPECT_EQ(std::string(padded.begin(), padded.end()), "A B             ");
}

TEST(SecurityEntry, ReadsBackNameAndSymbol) {
    const MasterRecord record = RecordFrom(kAlphaEntry);
    EXPECT_EQ(EntryNameText(record), "ALPHA CORP");
    EXPECT_EQ(EntrySymbolText(record, 0), "ABC");
    EXPECT_FALSE(IsDirectoryEntry(record));
}

TEST(SecurityEntry, NameTextEndsAtAZeroByteAndLosesTrailingSpaces) {
    EXPECT_EQ(EntryNameText(WithName("BETA  ", '\0')), "BETA");
    EXPECT_EQ(EntryNameText(WithName("GAMMA INC", ' ')), "GAMMA INC");
    EXPECT_EQ(EntryNameText(WithName("ABCDEFGHIJKLMNOP")), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(EntryNameText(WithName("")), "");
}

TEST(SecurityEntry, SymbolTextIsCutBeforeTheSpaceAfterTheSoughtOnes) {
    const MasterRecord record = WithSymbol("BRK A X");
    EXPECT_EQ(EntrySymbolText(record, 0), "BRK");
    EXPECT_EQ(EntrySymbolText(record, 1), "BRK A");
    EXPECT_EQ(EntrySymbolText(record, 2), "BRK A X");
    EXPECT_EQ(EntrySymbolText(WithSymbol("XYZ", '\0'), 0), "XYZ");
}

TEST(SecurityEntry, ASymbolFillingItsFieldRunsToTheLastByte) {
    // Other software may leave no space or zero before offset 52; the text then ends there.
    EXPECT_EQ(EntrySymbolText(WithSymbol("ABCDEFGHIJKLMNOPQ"), 0), "ABCDEFGHIJKLMNOPQ");
    EXPECT_EQ(EntrySymbolText(WithSymbol("ABCDEFGHIJKLMNOP", '\0'), 0), "ABCDEFGHIJKLMNOP");
}

TEST(DirectoryEntry, IsMarkedByDirAtNamePosition11) {
    const MasterRecord record = WithName("STOCKS     <DIR>");
    EXPECT_TRUE(IsDirectoryEntry(record));
    EXPECT_EQ(DirectoryEntryName(record), "STOCKS");
    // Only name positions 0 to 7 are the subdirectory's name.
    EXPECT_EQ(DirectoryEntryName(WithName("ABCDEFGHIJ <DIR>")), "ABCDEFGH");
    EXPECT_EQ(DirectoryEntryName(WithName("A B        <DIR>")), "A B");
}

TEST(DirectoryEntry, NeedsTheMarkInPlaceAndANameThatIsNotBlank) {
    EXPECT_FALSE(IsDirectoryEntry(WithName(" STOCKS    <DIR>")));
    EXPECT_FALSE(IsDirectoryEntry(WithName("STOCKS    <DIR> ")));
    EXPECT_FALSE(IsDirectoryEntry(WithName("STOCKS      <DIR")));
    EXPECT_FALSE(IsDirectoryEntry(WithName("STOCKS     <dir>")));
    EXPECT_FALSE(IsDirectoryEntry(WithName("STOCKS")));
    // A zero byte is not a space: such a name still starts a directory entry.
    EXPECT_TRUE(IsDirectoryEntry(WithName(std::string("\0STOCK     <DIR>", 16))));
}

TEST(DataHeader, AsCreatedEveryGroupIsZeroThenOne) {
    EXPECT_EQ(MakeDataHeader(2), (Bytes{0, 0, 1, 0, 0, 0, 1, 0}));
    const Bytes seven = MakeDataHeader(7);
    ASSERT_EQ(seven.size(), 28u);
    for (std::size_t i = 0; i < seven.size(); i += 4) {
        EXPECT_EQ((Bytes(seven.begin() + i, seven.begin() + i + 4)), (Bytes{0, 0, 1, 0})) << i;
    }
}

TEST(DataHeader, CountsTheRecordsIncludingItself) {
    Bytes header = MakeDataHeader(5);
    WriteInt16(header.data() + kDataHeaderCountOffset, 251);
    EXPECT_EQ(header, (Bytes{0x00, 0x00, 0xFB, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                             0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00}));
}

TEST(DopText, DateAndCloseLines) {
    FieldFlags fields{};
    fields[kFieldDate] = true;
    EXPECT_EQ(ToVector(MakeDopText(fields)),
              (Bytes{0x22, 0x44, 0x41, 0x54, 0x45, 0x22, 0x2C, 0x30, 0x2C, 0x30, 0x0D, 0x0A}));
    fields = {};
    fields[kFieldClose] = true;
    EXPECT_EQ(ToVector(MakeDopText(fields)),
              (Bytes{0x22, 0x43, 0x4C, 0x4F, 0x53, 0x45, 0x22, 0x2C, 0x34, 0x2C, 0x34, 0x0D, 0x0A}));
}

TEST(DopText, OneLinePerChosenFieldInFieldOrder) {
    FieldFlags fields{};
    fields[kFieldClose] = true;
    fields[kFieldLow] = true;
    fields[kFieldDate] = true;
    fields[kFieldHigh] = true;
    EXPECT_EQ(MakeDopText(fields), "\"DATE\",0,0\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n\"CLOSE\",4,4\r\n");
    fields.fill(true);
    EXPECT_EQ(MakeDopText(fields), "\"DATE\",0,0\r\n\"OPEN\",4,4\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n"
                                   "\"CLOSE\",4,4\r\n\"VOL\",4,4\r\n\"OI\",4,4\r\n");
}

class DataFileBytes : public ::testing::Test {
protected:
    CFileSystem& m_fs = GetSystemFileSystem();
    CTempDir m_dir;
    std::filesystem::path m_data = m_dir / "F1.DAT";
    std::filesystem::path m_temp = m_dir / "F1.NEW";
};

TEST_F(DataFileBytes, ANewDataFileIsItsHeaderAlone) {
    ASSERT_TRUE(CreateDataFile(m_fs, m_data, 4));
    EXPECT_EQ(ToVector(ReadFile(m_data)), MakeDataHeader(4));
    // No bars: the header counts only itself.
    ASSERT_TRUE(UpdateDataHeaderCount(m_fs, m_data, m_temp, 16, 0));
    EXPECT_EQ(ToVector(ReadFile(m_data)), MakeDataHeader(4));
    EXPECT_FALSE(Exists(m_temp));
}

TEST_F(DataFileBytes, BarsAreMbfSinglesInFieldOrder) {
    ASSERT_TRUE(CreateDataFile(m_fs, m_data, 5));
    // Date, High, Low, Close, Volume.
    const float bar[] = {991231.0f, 100.0f, 0.5f, -2.5f, 1.0f};
    Bytes record;
    for (float value : bar) {
        const MbfSingle mbf = EncodeMbf(value);
        record.insert(record.end(), mbf.begin(), mbf.end());
    }
    for (int i = 0; i < 250; ++i) {
        ASSERT_TRUE(AppendDataRecord(m_fs, m_data, record.data(), record.size()));
    }
    ASSERT_TRUE(UpdateDataHeaderCount(m_fs, m_data, m_temp, 20, 250));

    const Bytes file = ToVector(ReadFile(m_data));
    ASSERT_EQ(file.size(), 20u * 251u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 20),
              (Bytes{0x00, 0x00, 0xFB, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                     0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Bytes(file.end() - 20, file.end()),
              (Bytes{0xF0, 0xFF, 0x71, 0x94, 0x00, 0x00, 0x48, 0x87, 0x00, 0x00,
                     0x00, 0x80, 0x00, 0x00, 0xA0, 0x82, 0x00, 0x00, 0x00, 0x81}));
}

TEST_F(DataFileBytes, TheHeaderUpdateKeepsOnlyWholeRecordsAndTheOtherHeaderBytes) {
    Bytes file = {0xAA, 0xBB, 0x05, 0x00, 0xCC, 0xDD, 0xEE, 0xFF, // header of other software
                  1, 2, 3, 4, 5, 6, 7, 8,                         // one bar
                  9, 9, 9};                                       // a part of a bar
    WriteFile(m_data, std::string(file.begin(), file.end()));
    ASSERT_TRUE(UpdateDataHeaderCount(m_fs, m_data, m_temp, 8, 1));
    EXPECT_EQ(ToVector(ReadFile(m_data)),
              (Bytes{0xAA, 0xBB, 0x02, 0x00, 0xCC, 0xDD, 0xEE, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(DataFileBytes, TheDopFileHoldsTheLines) {
    FieldFlags fields{};
    fields[kFieldDate] = true;
    fields[kFieldClose] = true;
    ASSERT_TRUE(CreateDopFile(m_fs, m_dir / "F1.DOP", fields));
    EXPECT_EQ(ReadFile(m_dir / "F1.DOP"), "\"DATE\",0,0\r\n\"CLOSE\",4,4\r\n");
}
