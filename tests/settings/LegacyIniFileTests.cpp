#include "settings/LegacyIniFile.h"

#include "platform/FileSystem.h"
#include "platform/TextReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct SLineCase {
    std::string strPiece;
    ELegacyIniLine eKind;
    std::string strName;
    std::string strValue;
};

class LegacyIniLine : public ::testing::TestWithParam<SLineCase> {};

TEST_P(LegacyIniLine, ParsesAsTheOldVersionsDid) {
    const SLineCase& c = GetParam();
    const SLegacyIniLine line = ParseLegacyIniLine(c.strPiece);
    EXPECT_EQ(line.eKind, c.eKind);
    EXPECT_EQ(line.strName, c.strName);
    EXPECT_EQ(line.strValue, c.strValue);
}

using L = ELegacyIniLine;

INSTANTIATE_TEST_SUITE_P(
    Lines, LegacyIniLine,
    ::testing::Values(
        SLineCase{"[Import]\n", L::Section, "Import", ""},
        SLineCase{"[ Import ]", L::Section, "Import", ""},
        SLineCase{" \t[Import]\t \n", L::Section, "Import", ""},
        SLineCase{"[\tImport Data\t]", L::Section, "Import Data", ""},
        SLineCase{"[]", L::Section, "", ""},
        SLineCase{"[ ]", L::Section, "", ""},
        SLineCase{"[[a]", L::Section, "[a", ""},
        SLineCase{"[a=b]", L::Section, "a=b", ""},
        // The first "]" must be the last character.
        SLineCase{"[Import] x", L::Skip, "", ""},
        SLineCase{"[a]b]", L::Skip, "", ""},
        SLineCase{"[a]]", L::Skip, "", ""},
        SLineCase{"][", L::Skip, "", ""},
        SLineCase{"x[Import]", L::Skip, "", ""},
        SLineCase{"[Import", L::Skip, "", ""},
        SLineCase{"[a] =1", L::Value, "[a] ", "1"},
        SLineCase{"cx = 640\n", L::Value, "cx ", " 640"},
        SLineCase{"  DateCol=3  \n", L::Value, "DateCol", "3"},
        SLineCase{"a=b=c", L::Value, "a", "b=c"},
        SLineCase{"=v", L::Value, "", "v"},
        SLineCase{"k=", L::Value, "k", ""},
        SLineCase{"k=\r\n", L::Value, "k", ""},
        SLineCase{"", L::Skip, "", ""},
        SLineCase{"\n", L::Skip, "", ""},
        SLineCase{"; a comment", L::Skip, "", ""},
        // A NUL ends the text as in a C string.
        SLineCase{std::string("a\0=b\n", 5), L::Skip, "", ""},
        SLineCase{std::string("k=v\0w", 5), L::Value, "k", "v"},
        SLineCase{std::string("[S]\0x", 5), L::Section, "S", ""}));

// Records what a reading delivers; refuses the sections it is told to.
class CRecordingSink : public CLegacyIniSink {
public:
    bool OnSection(const std::string& strSection) override {
        m_events.push_back("[" + strSection + "]");
        return m_refused.count(strSection) == 0;
    }
    void OnValue(const std::string& strSection, const std::string& strName,
                 const std::string& strValue) override {
        m_events.push_back(strSection + ":" + strName + "=" + strValue);
    }

    std::set<std::string> m_refused;
    std::vector<std::string> m_events;
};

class LegacyIniRead : public ::testing::Test {
protected:
    std::vector<std::string> Read(const std::string& bytes) {
        const auto path = m_dir / "Pelmar.INI";
        if (!WriteFile(path, bytes)) {
            return {};
        }
        auto pFile = GetSystemFileSystem().Open(path, EOpenMode::Read);
        if (!pFile) {
            ADD_FAILURE() << "cannot open " << path;
            return {};
        }
        CTextReader reader(std::move(pFile));
        ReadLegacyIniFile(reader, m_sink);
        return m_sink.m_events;
    }

    CTempDir m_dir;
    CRecordingSink m_sink;
};

using Events = std::vector<std::string>;

TEST_F(LegacyIniRead, ValuesBeforeAnySectionAreDropped) {
    EXPECT_EQ(Read("DateCol=3\n=x\n[Import]\nOpenCol=4\n"), (Events{"[Import]", "Import:OpenCol=4"}));
}

TEST_F(LegacyIniRead, MalformedHeaderKeepsTheCurrentSection) {
    EXPECT_EQ(Read("[Screen]\n[Import] x\nx=1\n"), (Events{"[Screen]", "Screen:x=1"}));
}

TEST_F(LegacyIniRead, RefusedSectionEndsTheReading) {
    m_sink.m_refused = {"Bad"};
    EXPECT_EQ(Read("[Import]\nDateCol=3\n[Bad]\nx=1\n[Screen]\ncx=5\n"),
              (Events{"[Import]", "Import:DateCol=3", "[Bad]"}));
}

TEST_F(LegacyIniRead, CrLfLinesAndCtrlZEndAsInTextMode) {
    EXPECT_EQ(Read("[Import]\r\nName=A B\r\nSymbol=X\r\n\x1A" "Exist=1\r\n"),
              (Events{"[Import]", "Import:Name=A B", "Import:Symbol=X"}));
}

TEST_F(LegacyIniRead, LastLineNeedsNoNewline) {
    EXPECT_EQ(Read("[Import]\nDateCol=3"), (Events{"[Import]", "Import:DateCol=3"}));
}

// 519 characters per read: a longer line arrives in pieces, each one a line of its own.
TEST_F(LegacyIniRead, LongLineIsReadInPiecesOf519Characters) {
    const std::string first = "Name=" + std::string(514, 'N'); // 519 characters
    EXPECT_EQ(Read("[Import]\n" + first + "Symbol=ABC\n"),
              (Events{"[Import]", "Import:Name=" + std::string(514, 'N'), "Import:Symbol=ABC"}));
}

TEST_F(LegacyIniRead, HeaderSplitAcrossPiecesIsNoHeader) {
    const std::string line = std::string(515, ' ') + "[Screen]"; // "[Scr" ends the first piece
    EXPECT_EQ(Read("[Import]\n" + line + "\ncx=1\n"), (Events{"[Import]", "Import:cx=1"}));
}

TEST_F(LegacyIniRead, EmptyFileDeliversNothing) {
    EXPECT_TRUE(Read("").empty());
}

} // namespace
