// One read of a price file for CBarReader: each line split and checked as it comes, bars
// stored per symbol, the order of the bars checked at the end. A preview keeps a row for every
// line as well.
#pragma once

#include "engine/BarReader.h"
#include "engine/FieldSplitter.h"
#include "engine/LineFault.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CWording;

class CReadPass {
public:
    CReadPass(const SInputLayout& layout, const SReadOptions& options, const CWording& wording,
              std::vector<SLinePreview>* pPreview);

    void Run(CLineReader& reader, std::uint64_t nPreviewLines);
    SReadResult Finish(const CLineReader& reader);

private:
    struct SActiveField {
        int nField; // kField..., kSymbolField or kTimeField
        int nColumn;
    };
    struct SSeriesState {
        SSeries series;
        std::uint64_t nBars = 0; // lines of this symbol that read well, stored or not
        std::uint64_t nFirstLine = 0;
        std::uint64_t nLastLine = 0;
    };
    struct SStringHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };

    bool ParseLine(std::string_view line, SBar& bar, std::string_view& symbol, SLineFault& fault, SLinePreview* pRow);
    bool ReadColumn(const SActiveField& active, std::string_view& text, SLineFault& fault) const;
    bool ReadDate(std::string_view text, SBar& bar, SLineFault& fault, SFieldCell* pCell) const;
    bool ReadTime(std::string_view text, SBar& bar, SLineFault& fault) const;
    bool ReadValue(int nField, std::string_view text, SBar& bar, SLineFault& fault, SFieldCell* pCell) const;
    void ReadContentLine(const struct SPhysicalLine& line, SLinePreview* pRow);
    void ShowSkippedRow(std::string_view text, SLinePreview& row);
    void Store(const SBar& bar, std::string_view symbol);
    void AddBadLine(std::uint64_t nLine, const SLineFault& fault, bool bHeaderHint, std::string_view line);
    void CheckOrder(SSeriesState& state);
    void RefuseOrder(const SSeriesState& state, std::size_t nRises, std::size_t nFalls);
    void KeepRisingRun(SSeriesState& state);
    std::string BadLinesMessage(std::uint64_t nBars) const;
    std::string Reason(const SLineFault& fault) const { return FaultReason(fault, m_layout); }
    bool Intraday() const { return m_layout.period == EPeriod::Intraday; }

    const SInputLayout& m_layout;
    const SReadOptions& m_options;
    const CWording& m_wording;
    std::string m_strCurrency1252;      // the layout's currency as Windows-1252 files write it
    std::vector<SActiveField> m_active; // in field order, then the time, the symbol last
    SLineFault m_scratch;
    CFieldSplitter m_splitter;
    std::vector<SLinePreview>* m_pPreview;
    std::size_t m_nListed;             // bad lines to keep in the result
    std::size_t m_nUsualColumns = 0;   // columns of the first good line, empty ones at its end aside
    std::size_t m_nLastColumns = 0;    // those of the line ParseLine read last
    SReadResult m_result;
    std::vector<SSeriesState> m_series;
    std::unordered_map<std::string, std::size_t, SStringHash, std::equal_to<>> m_symbolIndex;
    std::size_t m_nLastSeries = 0;
    std::uint64_t m_nContentLines = 0; // lines past the skipped rows that are not blank
    std::uint64_t m_nGoodLines = 0;
    std::size_t m_nStoredBars = 0;
    bool m_bTooManySymbols = false;
    bool m_bTooManyBars = false;
};
