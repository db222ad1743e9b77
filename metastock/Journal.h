// The journal PELMAR.JNL of a change of a database folder: what the change does and how to
// take it back, written before the change touches any file of the folder, so that the next
// run can complete or undo a change that was interrupted. It is only ever appended to: a plan
// (its undo and its redo steps) ends in a READY line, and a COMMIT line marks the moment from
// which the plan is to be completed rather than undone; a change that fails after its commit
// appends a second plan that takes the first one back. Both lines carry a CRC-32 of every
// byte before them, so that a journal cut short or written by hand is never mistaken for one
// of this program's. A journal names only the files this program's changes touch.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

enum class EJournalVerb {
    Rename, // the plan's temporary of strName replaces strName
    Remove, // strName is removed
    Size,   // strName gets nSize bytes and header at its start (a data file grown in place)
};

struct SJournalOp {
    EJournalVerb verb = EJournalVerb::Remove;
    std::string strName;
    std::uint64_t nSize = 0; // Size only
    std::string header;      // Size only: 8 to 32 bytes
};

struct SJournalPlan {
    std::string strToken;         // 8 hexadecimal digits, the mark of its temporaries
    std::vector<SJournalOp> undo; // takes back what the plan did before its commit
    std::vector<SJournalOp> redo; // completes it once committed
};

// A journal as read back: its whole plans in order, whether the last one is committed, and
// why it is refused when it is not one of this program's.
struct SJournalText {
    std::vector<SJournalPlan> plans;
    bool bLastCommitted = false;
    std::string strProblem; // empty for a journal of this program
    bool bPresent = false;  // the folder holds it (set by whoever read it)
};

class CJournal {
public:
    static constexpr const char* kFileName = "PELMAR.JNL";

    // A fresh token for the temporaries of one plan.
    static std::string NewToken();
    // "<target>.pelmar-<token>": the name under which a plan writes a new target whole.
    static std::string TemporaryName(const std::string& target, const std::string& token);
    // "<name>.pelmar-old": where a repair keeps a directory file it replaces.
    static std::string OldCopyName(const std::string& name);

    // The text of a plan to be appended to journal (empty for a new journal), ending in its
    // READY line; and the COMMIT line that follows it.
    static std::string PlanText(const SJournalPlan& plan, const std::string& journal);
    static std::string CommitText(const std::string& journal);

    // Reads a journal. Text after its last READY or COMMIT line is a plan that was being
    // written when its run stopped: it did nothing yet and is left out. Anything else that is
    // not as this program writes it, or that names a file its changes never touch, makes the
    // whole journal refused (strProblem).
    static SJournalText Parse(const std::string& text);

    // Names a journal may hold: data files F<n>.DAT, F<n>.MWD, F<n>.DOP; the directory files
    // MASTER, EMASTER, XMASTER, MASTER.BAK and a repair's copies; without regard to case.
    static bool IsDataFileName(const std::string& name);
    static bool IsDirectoryFileName(const std::string& name);

private:
    static std::optional<std::string> ParseOp(const std::string& line, SJournalOp& op);
    // Whether op names only what this program's changes touch: files of the database and the
    // temporaries of the journal's plans (tokens); renamed collects the targets that plans
    // replace, the only directory files a later step may remove.
    static bool Allowed(const SJournalOp& op, const std::set<std::string>& tokens, std::set<std::string>& renamed);
    static std::string CheckLine(const char* pszWord, const std::string& journal);
};
