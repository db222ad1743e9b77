// The journal as the next run reads it back: what it carries out, what it leaves out as never
// begun, and what it refuses as not one of this program's.
#include "metastock/Journal.h"

#include <gtest/gtest.h>

namespace {

SJournalOp Rename(const std::string& name) {
    return {EJournalVerb::Rename, name, 0, {}};
}
SJournalOp Remove(const std::string& name) {
    return {EJournalVerb::Remove, name, 0, {}};
}
SJournalOp Size(const std::string& name, std::uint64_t nSize) {
    return {EJournalVerb::Size, name, nSize, std::string("\0\0\x03\0\0\0\x01\0", 8)};
}

// A plan of token 0123abcd, committed or not, after journal.
std::string Planned(const std::vector<SJournalOp>& undo, const std::vector<SJournalOp>& redo, bool bCommit,
                    const std::string& journal = "", const std::string& token = "0123abcd") {
    std::string text = journal + CJournal::PlanText({token, undo, redo}, journal);
    return bCommit ? text + CJournal::CommitText(text) : text;
}

TEST(Journal, ReadsBackWhatWasWrittenUpToItsLastWholeLine) {
    const std::vector<SJournalOp> undo = {Remove("F5.DAT"), Remove("MASTER.pelmar-0123abcd"), Size("f1.dat", 40)};
    const std::vector<SJournalOp> redo = {Size("f1.dat", 80), Rename("MASTER"), Remove("F3.DOP"),
                                          Remove("MASTER.pelmar-0123abcd")};
    const std::string ready = Planned(undo, redo, false);
    const std::string committed = Planned(undo, redo, true);
    const std::string readyTwo = Planned({}, {Rename("MASTER"), Remove("F5.DAT")}, false, committed, "89abcdef");
    const std::string back = readyTwo + CJournal::CommitText(readyTwo);
    // Every length of it: a plan counts from its READY line, its commit from the COMMIT line,
    // and what follows the last whole line was never begun.
    for (std::size_t n = 0; n <= back.size(); ++n) {
        const SJournalText read = CJournal::Parse(back.substr(0, n));
        ASSERT_EQ(read.strProblem, "") << n;
        ASSERT_EQ(read.plans.size(), n >= readyTwo.size() ? 2u : n >= ready.size() ? 1u : 0u) << n;
        EXPECT_EQ(read.bLastCommitted, (n >= committed.size() && n < readyTwo.size()) || n == back.size()) << n;
    }
    const SJournalText read = CJournal::Parse(committed);
    ASSERT_EQ(read.plans.size(), 1u);
    ASSERT_EQ(read.plans[0].redo.size(), redo.size());
    EXPECT_EQ(read.plans[0].strToken, "0123abcd");
    EXPECT_EQ(read.plans[0].undo[2].nSize, 40u);
    EXPECT_EQ(read.plans[0].redo[0].header, redo[0].header);
    EXPECT_EQ(read.plans[0].redo[1].strName, "MASTER");
}

TEST(Journal, RefusesWhatThisProgramNeverWrites) {
    const std::string good = Planned({}, {Rename("MASTER")}, true);
    std::string wrongCheck = good;
    wrongCheck[wrongCheck.size() - 3] = wrongCheck[wrongCheck.size() - 3] == '0' ? '1' : '0';
    const std::pair<std::string, const char*> cases[] = {
        {Planned({}, {Remove("PELMAR.LCK")}, true), "PELMAR.LCK"},
        {Planned({}, {Remove("PELMAR.JNL")}, true), "PELMAR.JNL"},
        {Planned({}, {Remove("notes.txt")}, true), "notes.txt"},
        {Planned({}, {Remove("MASTER")}, true), "it names MASTER"},
        {Planned({Remove("EMASTER.pelmar-89abcdef")}, {}, false), "EMASTER.pelmar-89abcdef"},
        {Planned({}, {Rename("prices.csv")}, true), "prices.csv"},
        {Planned({}, {Size("F1.DOP", 40)}, true), "F1.DOP"},
        {Planned({}, {Rename("../MASTER")}, true), "../MASTER"},
        {wrongCheck, "its check does not match"},
        {"PELMAR JOURNAL 1\nREMOVE\tF1.DAT\nEND\n", "an earlier version"},
        {"not a journal\n", "does not begin as a journal does"},
        {Planned({}, {}, false, Planned({}, {}, false)), "before the one before it was committed"},
        {good + "DO REMOVE F1.DAT\n", "belongs to no plan"},
    };
    for (const auto& [text, pszProblem] : cases) {
        const SJournalText read = CJournal::Parse(text);
        EXPECT_NE(read.strProblem.find(pszProblem), std::string::npos) << pszProblem << ": " << read.strProblem;
        EXPECT_TRUE(read.plans.empty()) << pszProblem;
    }
    // A directory file is removed only where a plan of the journal put it.
    EXPECT_EQ(CJournal::Parse(Planned({}, {Rename("EMASTER"), Remove("EMASTER")}, true)).strProblem, "");
}

} // namespace
