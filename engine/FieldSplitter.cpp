#include "engine/FieldSplitter.h"

CFieldSplitter::CFieldSplitter(char cDelimiter) : m_cDelimiter(cDelimiter) {}

void CFieldSplitter::Push(std::string_view text) {
    while (!text.empty() && IsBlankChar(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlankChar(text.back())) {
        text.remove_suffix(1);
    }
    ++m_nTotal;
    if (m_fields.size() < m_nMaxFields) {
        m_fields.push_back(text);
    }
}

// A quoted field from its opening quote at i; i ends where the next delimiter or blank may
// stand. False, with the fault noted, when the quoting is broken.
bool CFieldSplitter::SplitQuoted(std::string_view line, std::size_t& i) {
    const std::size_t nOpen = i;
    std::size_t nFrom = i + 1;
    bool bPairs = false;
    std::size_t nClose = std::string_view::npos;
    while (nClose == std::string_view::npos) {
        const std::size_t q = line.find('"', nFrom);
        if (q == std::string_view::npos) {
            m_quoteFault = EQuoteFault::Unclosed;
            m_quoteFaultText = line.substr(nOpen);
            return false;
        }
        if (q + 1 < line.size() && line[q + 1] == '"') {
            bPairs = true;
            nFrom = q + 2;
        } else {
            nClose = q;
        }
    }
    std::string_view content = line.substr(nOpen + 1, nClose - nOpen - 1);
    if (bPairs) {
        // Capacity was reserved for the whole line, so earlier views into it stay valid.
        const std::size_t nStart = m_unquoted.size();
        for (std::size_t k = 0; k < content.size(); ++k) {
            m_unquoted.push_back(content[k]);
            k += content[k] == '"' ? 1 : 0;
        }
        content = std::string_view(m_unquoted).substr(nStart);
    }
    i = nClose + 1;
    // With spaces the blanks after the quote are the separator; else they come before one.
    if (m_cDelimiter != ' ') {
        while (i < line.size() && IsBlankChar(line[i])) {
            ++i;
        }
    }
    if (i < line.size() && !IsBlankChar(line[i]) && line[i] != m_cDelimiter) {
        m_quoteFault = EQuoteFault::TextAfter;
        m_quoteFaultText = line.substr(nOpen);
        return false;
    }
    Push(content);
    return true;
}

void CFieldSplitter::Split(std::string_view line, std::size_t nMaxFields) {
    m_fields.clear();
    m_nMaxFields = nMaxFields;
    m_nTotal = 0;
    m_unquoted.clear();
    m_unquoted.reserve(line.size());
    m_quoteFault = EQuoteFault::None;
    m_quoteFaultText = {};
    const bool bSpaces = m_cDelimiter == ' ';
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && IsBlankChar(line[i])) {
            ++i;
        }
        if (bSpaces && i == line.size()) {
            return;
        }
        if (i < line.size() && line[i] == '"') {
            if (!SplitQuoted(line, i)) {
                return;
            }
        } else {
            std::size_t nEnd = i;
            while (nEnd < line.size() && !(bSpaces ? IsBlankChar(line[nEnd]) : line[nEnd] == m_cDelimiter)) {
                ++nEnd;
            }
            Push(line.substr(i, nEnd - i));
            i = nEnd;
        }
        if (!bSpaces) {
            if (i >= line.size()) {
                return;
            }
            ++i; // the delimiter; a field follows it, empty if nothing does
        }
    }
}

bool CFieldSplitter::IsBlank(std::string_view line) const {
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != m_cDelimiter) {
            return false;
        }
    }
    return true;
}
