// The fields of one line. With a comma, tab or semicolon every delimiter separates a field, so
// an empty field is an empty column; with a space, runs of blanks (spaces and tabs) separate
// fields and leading or trailing blanks make none. Fields may be quoted as in RFC 4180:
// "1,234.5" is one field, "" inside quotes is one quote. Each field comes without the blanks
// around it and without its quotes. One splitter serves every line of a read, so that
// splitting allocates nothing once its buffers have grown to the longest line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class EQuoteFault {
    None,
    Unclosed,  // a quote opens a field and no quote closes it
    TextAfter, // something other than blanks between a closing quote and the delimiter
};

class CFieldSplitter {
public:
    explicit CFieldSplitter(char cDelimiter);

    // Splits line into fields, keeping the first nMaxFields of them (the others are counted).
    // The views stay valid while line does and until the next call.
    void Split(std::string_view line, std::size_t nMaxFields);

    // The fields kept, and all fields of the line.
    std::size_t Count() const { return m_fields.size(); }
    std::size_t TotalCount() const { return m_nTotal; }
    std::string_view Field(std::size_t nIndex) const { return m_fields[nIndex]; }
    // A field whose quoting is broken ends the fields: it is column Count(), and its text
    // runs from its opening quote.
    EQuoteFault QuoteFault() const { return m_quoteFault; }
    std::string_view QuoteFaultText() const { return m_quoteFaultText; }

    // Whether the line holds nothing but blanks and delimiters.
    bool IsBlank(std::string_view line) const;

private:
    bool IsBlankChar(char c) const { return c == ' ' || (c == '\t' && m_cDelimiter != '\t'); }
    bool SplitQuoted(std::string_view line, std::size_t& i);
    void Push(std::string_view text);

    char m_cDelimiter;
    std::vector<std::string_view> m_fields;
    std::size_t m_nMaxFields = 0;
    std::size_t m_nTotal = 0;
    std::string m_unquoted; // quoted fields that held "" pairs, one after the other
    EQuoteFault m_quoteFault = EQuoteFault::None;
    std::string_view m_quoteFaultText;
};
