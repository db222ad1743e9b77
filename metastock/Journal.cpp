#include "metastock/Journal.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>

namespace {

constexpr std::string_view kHead = "PELMAR JOURNAL 2";
constexpr std::string_view kTemporaryMark = ".pelmar-";
constexpr std::string_view kOldMark = ".pelmar-old";
constexpr std::size_t kTokenDigits = 8;
constexpr std::size_t kMinHeader = 8; // a data file's header record: 4 bytes per field, 2 to 8 fields
constexpr std::size_t kMaxHeader = 32;
constexpr std::uint64_t kMaxSize = 64u << 20; // no data file comes near it

std::uint32_t Crc32(const std::string& text, std::size_t nLength) {
    static const std::array<std::uint32_t, 256> kTable = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[i] = c;
        }
        return table;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < nLength; ++i) {
        crc = kTable[(crc ^ static_cast<std::uint8_t>(text[i])) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

std::string Hex32(std::uint32_t value) {
    char text[kTokenDigits + 1];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

bool IsHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

std::string HexBytes(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (char c : bytes) {
        text += kDigits[static_cast<std::uint8_t>(c) >> 4];
        text += kDigits[static_cast<std::uint8_t>(c) & 15];
    }
    return text;
}

std::optional<std::string> BytesOfHex(std::string_view text) {
    if (text.size() % 2 != 0 || !IsHex(text)) {
        return std::nullopt;
    }
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        bytes += static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1]));
    }
    return bytes;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t nStart = 0;
    while (nStart <= line.size()) {
        const std::size_t nEnd = std::min(line.find(' ', nStart), line.size());
        words.push_back(line.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return words;
}

const char* VerbWord(EJournalVerb verb) {
    return verb == EJournalVerb::Rename ? "RENAME" : verb == EJournalVerb::Remove ? "REMOVE" : "SIZE";
}

std::string OpText(const char* pszList, const SJournalOp& op) {
    std::string line = std::string(pszList) + " " + VerbWord(op.verb) + " " + op.strName;
    if (op.verb == EJournalVerb::Size) {
        line += " " + std::to_string(op.nSize) + " " + HexBytes(op.header);
    }
    return line + "\n";
}

// The plan being read, and the first reason to refuse it once it turns out whole.
struct SPlanReading {
    SJournalPlan plan;
    std::string strProblem; // a name this program's changes never touch
    bool bOpen = false;     // PLAN read, READY not yet
};

} // namespace

bool CJournal::Allowed(const SJournalOp& op, const std::set<std::string>& tokens, std::set<std::string>& renamed) {
    const std::string upper = Upper(op.strName);
    std::string target = op.strName;
    bool bTemporary = false;
    for (const std::string& token : tokens) {
        const std::string mark = Upper(std::string(kTemporaryMark) + token);
        if (upper.size() > mark.size() && upper.ends_with(mark)) {
            target = op.strName.substr(0, op.strName.size() - mark.size());
            bTemporary = true;
        }
    }
    const bool bKnown = IsDataFileName(target) || IsDirectoryFileName(target);
    switch (op.verb) {
    case EJournalVerb::Rename:
        renamed.insert(upper);
        return !bTemporary && bKnown;
    case EJournalVerb::Remove:
        // A temporary of a plan, a data file, or a directory file only where a plan put it.
        return bKnown && (bTemporary || IsDataFileName(target) || renamed.count(upper) != 0);
    case EJournalVerb::Size:
        return !bTemporary && IsDataFileName(target) && !Upper(target).ends_with(".DOP");
    }
    return false;
}

std::string CJournal::NewToken() {
    std::uint32_t value = 0;
    try {
        std::random_device device;
        value = device();
    } catch (...) {
        // No entropy source: the clock still tells runs apart, and a temporary is created
        // only where no file of its name exists.
    }
    value ^= static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return Hex32(value);
}

std::string CJournal::TemporaryName(const std::string& target, const std::string& token) {
    return target + std::string(kTemporaryMark) + token;
}

std::string CJournal::OldCopyName(const std::string& name) {
    return name + std::string(kOldMark);
}

bool CJournal::IsDataFileName(const std::string& name) {
    const std::string upper = Upper(name);
    const std::size_t nDot = upper.find('.');
    if (upper.size() < 3 || upper[0] != 'F' || nDot == std::string::npos || nDot < 2 || nDot > 6) {
        return false;
    }
    const std::string_view digits = std::string_view(upper).substr(1, nDot - 1);
    const std::string_view extension = std::string_view(upper).substr(nDot + 1);
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           (extension == "DAT" || extension == "MWD" || extension == "DOP");
}

bool CJournal::IsDirectoryFileName(const std::string& name) {
    const std::string upper = Upper(name);
    for (const char* pszName : {"MASTER", "EMASTER", "XMASTER"}) {
        if (upper == pszName || upper == Upper(OldCopyName(pszName))) {
            return true;
        }
    }
    return upper == "MASTER.BAK";
}

std::string CJournal::CheckLine(const char* pszWord, const std::string& journal) {
    return std::string(pszWord) + " " + Hex32(Crc32(journal, journal.size())) + "\n";
}

std::string CJournal::PlanText(const SJournalPlan& plan, const std::string& journal) {
    std::string text = journal.empty() ? std::string(kHead) + "\n" : std::string();
    text += "PLAN " + plan.strToken + "\n";
    for (const SJournalOp& op : plan.undo) {
        text += OpText("UNDO", op);
    }
    for (const SJournalOp& op : plan.redo) {
        text += OpText("DO", op);
    }
    return text + CheckLine("READY", journal + text);
}

std::string CJournal::CommitText(const std::string& journal) {
    return CheckLine("COMMIT", journal);
}

std::optional<std::string> CJournal::ParseOp(const std::string& line, SJournalOp& op) {
    const std::vector<std::string> words = Words(line);
    if (words.size() < 3) {
        return "a line that is not a step: \"" + line + "\"";
    }
    op.strName = words[2];
    if (words[1] == "RENAME" && words.size() == 3) {
        op.verb = EJournalVerb::Rename;
    } else if (words[1] == "REMOVE" && words.size() == 3) {
        op.verb = EJournalVerb::Remove;
    } else if (words[1] == "SIZE" && words.size() == 5) {
        op.verb = EJournalVerb::Size;
        const auto header = BytesOfHex(words[4]);
        const bool bDigits = !words[3].empty() && words[3].size() <= 9 &&
                             std::all_of(words[3].begin(), words[3].end(), [](char c) { return c >= '0' && c <= '9'; });
        op.nSize = bDigits ? std::stoull(words[3]) : 0;
        if (!bDigits || !header || header->size() < kMinHeader || header->size() > kMaxHeader ||
            header->size() % 4 != 0 || op.nSize < header->size() || op.nSize > kMaxSize) {
            return "a SIZE step of the wrong form: \"" + line + "\"";
        }
        op.header = *header;
    } else {
        return "a line that is not a step: \"" + line + "\"";
    }
    return std::nullopt;
}

SJournalText CJournal::Parse(const std::string& text) {
    SJournalText result;
    std::set<std::string> renamed; // upper-case targets that the journal's plans replace
    std::set<std::string> tokens;  // of every plan so far: a later plan removes earlier temporaries
    SPlanReading reading;
    bool bReady = false; // the last whole plan has its READY line
    const auto refuse = [&](const std::string& problem) {
        result = SJournalText{};
        result.strProblem = problem;
        return result;
    };
    std::size_t nStart = 0;
    for (std::size_t nLine = 1; nStart < text.size(); ++nLine) {
        const std::size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos) {
            break; // a line cut short: the plan it belongs to never began
        }
        const std::string line = text.substr(nStart, nEnd - nStart);
        const std::string where = "line " + std::to_string(nLine) + ": ";
        const std::vector<std::string> words = Words(line);
        if (nLine == 1) {
            if (line != kHead) {
                return refuse(line.rfind("PELMAR JOURNAL", 0) == 0 ? "it is the journal of an earlier version"
                                                                   : "it does not begin as a journal does");
            }
        } else if ((words[0] == "READY" || words[0] == "COMMIT") && words.size() == 2) {
            const bool bCommit = words[0] == "COMMIT";
            if (words[1] != Hex32(Crc32(text, nStart))) {
                return refuse(where + "its check does not match the lines before it");
            }
            if (bCommit ? !bReady || result.bLastCommitted || reading.bOpen : !reading.bOpen) {
                return refuse(where + words[0] + " out of place");
            }
            if (!bCommit) {
                if (!reading.strProblem.empty()) {
                    return refuse(reading.strProblem);
                }
                result.plans.push_back(std::move(reading.plan));
                reading = {};
                bReady = true;
                result.bLastCommitted = false;
            } else {
                result.bLastCommitted = true;
            }
        } else if (words[0] == "PLAN" && words.size() == 2 && words[1].size() == kTokenDigits && IsHex(words[1])) {
            if (reading.bOpen || (bReady && !result.bLastCommitted)) {
                return refuse(where + "a plan begins before the one before it was committed");
            }
            reading.bOpen = true;
            reading.plan.strToken = words[1];
            tokens.insert(words[1]);
        } else if (reading.bOpen && (words[0] == "UNDO" || words[0] == "DO")) {
            SJournalOp op;
            if (const auto problem = ParseOp(line, op)) {
                reading.strProblem = where + *problem;
            } else if (reading.strProblem.empty()) {
                if (!Allowed(op, tokens, renamed)) {
                    reading.strProblem = where + "it names " + op.strName + ", which no change of this program touches";
                }
                (words[0] == "UNDO" ? reading.plan.undo : reading.plan.redo).push_back(std::move(op));
            }
        } else if (reading.bOpen) {
            reading.strProblem = where + "a line that is not a step: \"" + line + "\"";
        } else {
            return refuse(where + "a line that belongs to no plan: \"" + line + "\"");
        }
        nStart = nEnd + 1;
    }
    return result;
}
