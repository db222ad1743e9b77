#include "engine/Wording.h"

#include <array>
#include <utility>

namespace {

struct SSettingWords {
    ESetting setting;
    const char* pszControl; // the window program's control
    const char* pszOption;  // the command line's option
};

constexpr std::array<SSettingWords, 18> kSettingWords = {{
    {ESetting::Delimiter, "the column delimiter", "--delimiter"},
    {ESetting::DecimalMark, "the decimal mark (\"Decimal point\" or \"Decimal comma\")",
     "--decimal-point or --decimal-comma"},
    {ESetting::DateFormat, "\"Date Format\"", "--date-format"},
    {ESetting::DateColumn, "the Date column", "--date-col"},
    {ESetting::TimeColumn, "the Time column", "--time-col"},
    {ESetting::SkipRows, "\"Skip Rows\"", "--skip-rows"},
    {ESetting::SkipBadLines, "\"Skip bad lines\"", "--skip-bad-lines"},
    {ESetting::Reverse, "\"Reverse File Order\"", "--reverse"},
    {ESetting::Period, "\"Period\"", "--period"},
    {ESetting::Interval, "\"Interval\"", "--interval"},
    {ESetting::Currency, "\"Currency\"", "--currency"},
    {ESetting::KeepLast, "\"Keep the newest bars\"", "--keep-last"},
    {ESetting::MakeNew, "\"Make New Master\"", "--new-master"},
    {ESetting::AddNewBars, "\"Add New Bars\"", "--update"},
    {ESetting::AddOrUpdate, "\"Add or Update\"", "--add-or-update"},
    {ESetting::Fields, "the field columns", "--<field>-col and --no-<field>"},
    {ESetting::Check, "the Database window (View > Database...)", "'pelmar-cli check'"},
    {ESetting::Repair, "Repair... in the Database window", "'pelmar-cli repair'"},
}};

const SSettingWords& WordsOf(ESetting setting) {
    for (const SSettingWords& words : kSettingWords) {
        if (words.setting == setting) {
            return words;
        }
    }
    return kSettingWords.front();
}

class CWindowWording : public CWording {
public:
    std::string Setting(ESetting setting) const override { return WordsOf(setting).pszControl; }
    std::string Message(std::string_view title, std::string_view detail) const override {
        std::string text(title);
        if (!detail.empty()) {
            text += "\n\n";
            text += detail;
        }
        return text;
    }
    std::string WhereSkippedLinesAre() const override { return "each is listed above"; }
};

class CCommandLineWording : public CWording {
public:
    std::string Setting(ESetting setting) const override { return WordsOf(setting).pszOption; }
    // The title's paragraphs become sentences of one line, and so do the detail's; the detail
    // keeps its single line breaks (a list of lines).
    std::string Message(std::string_view title, std::string_view detail) const override {
        std::string text = Sentences(title, true);
        if (!detail.empty()) {
            const std::string strDetail = Sentences(detail, false);
            // A heading ("Path does not exist") leads into its detail; sentences stand apart.
            const bool bHeading = title.find('\n') == std::string_view::npos;
            if (!text.empty() && !EndsSentence(text)) {
                text += bHeading ? ':' : '.';
            }
            text += strDetail.find('\n') != std::string::npos ? "\n" : " ";
            text += strDetail;
        }
        return text;
    }

private:
    static bool EndsSentence(const std::string& text) {
        return std::string_view(".:?!").find(text.back()) != std::string_view::npos;
    }
    // Paragraphs (an empty line between) joined as sentences; within one, a line break becomes
    // a blank (bJoinLines: a title's lines broken for a box) or stays (a detail's list).
    static std::string Sentences(std::string_view text, bool bJoinLines) {
        std::string result;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\n') {
                result += text[i];
                continue;
            }
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                while (i + 1 < text.size() && text[i + 1] == '\n') {
                    ++i;
                }
                if (!result.empty() && !EndsSentence(result)) {
                    result += '.';
                }
                result += ' ';
            } else {
                result += bJoinLines ? ' ' : '\n';
            }
        }
        return result;
    }

public:
    std::string WhereSkippedLinesAre() const override { return "each is listed on stderr"; }
};

} // namespace

const CWording& WindowWording() {
    static const CWindowWording wording;
    return wording;
}

const CWording& CommandLineWording() {
    static const CCommandLineWording wording;
    return wording;
}
