#include "engine/ReadPass.h"

#include "engine/LineReader.h"
#include "engine/Wording.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <optional>

namespace {

// A hint that a bad line is a header row is given for the first few lines that hold anything.
constexpr std::uint64_t kHeaderHintLines = 3;

// The order of two bars: by date, then by time (0 for bars without one).
std::int64_t OrderKey(const SBar& bar) {
    return static_cast<std::int64_t>(bar.nDate) * 1000000 + bar.nTime;
}

bool IsPriceField(int nField) {
    return nField >= kFieldOpen && nField <= kFieldClose;
}

} // namespace

CReadPass::CReadPass(const SInputLayout& layout, const SReadOptions& options, const CWording& wording,
                     std::vector<SLinePreview>* pPreview)
    : m_layout(layout),
      m_options(options),
      m_wording(wording),
      m_splitter(layout.cDelimiter),
      m_pPreview(pPreview),
      m_nListed(options.bSkipBadLines ? CBarReader::kMaxListedBadLines : CBarReader::kShownBadLines) {
    if (const auto currency = Utf8ToWindows1252(layout.strCurrency); currency && *currency != layout.strCurrency) {
        m_strCurrency1252 = *currency;
    }
    for (int f = 0; f < kFieldCount; ++f) {
        if (f == kFieldDate || f == kFieldClose || layout.FieldOn(f)) {
            m_active.push_back({f, layout.fieldCol[static_cast<std::size_t>(f)]});
        }
    }
    if (layout.nTimeCol != kNoColumn) {
        m_active.push_back({kTimeField, layout.nTimeCol});
    }
    if (layout.nSymbolCol != kNoColumn) {
        m_active.push_back({kSymbolField, layout.nSymbolCol});
    }
}

bool CReadPass::ReadColumn(const SActiveField& active, std::string_view& text, SLineFault& fault) const {
    const auto nIndex = static_cast<std::size_t>(active.nColumn);
    fault.nField = active.nField;
    fault.nColumn = nIndex;
    if (m_splitter.QuoteFault() != EQuoteFault::None && nIndex >= m_splitter.Count()) {
        fault.kind = EFaultKind::Quote;
        fault.quote = m_splitter.QuoteFault();
        fault.nColumn = m_splitter.Count();
        fault.text = m_splitter.QuoteFaultText();
        return false;
    }
    if (nIndex >= m_splitter.Count()) {
        fault.kind = EFaultKind::Missing;
        fault.nColumns = m_splitter.Count();
        fault.text = {};
        return false;
    }
    text = m_splitter.Field(nIndex);
    fault.text = text;
    if (text.empty()) {
        fault.kind = EFaultKind::Empty;
        return false;
    }
    return true;
}

// The date, and with it the time where the date field carries one. A daily bar keeps only the
// date of a date with a time of day (the time the same on every line, as exports write it).
bool CReadPass::ReadDate(std::string_view text, SBar& bar, SLineFault& fault, SFieldCell* pCell) const {
    std::string_view date = text;
    std::string_view time;
    if (m_layout.bDateTime) {
        std::tie(date, time) = SplitDateTime(text);
    }
    fault.kind = EFaultKind::Date;
    fault.date = ReadDateText(date, m_layout.dateFormat);
    if (fault.date.fault != EDateFault::None) {
        return false;
    }
    bar.nDate = fault.date.nValue;
    if (pCell) {
        pCell->strText = DateValueText(bar.nDate);
    }
    if (m_layout.bDateTime && (!time.empty() || Intraday())) {
        fault.kind = time.empty() ? EFaultKind::NoTime : EFaultKind::Time;
        if (time.empty() || !ReadTime(time, bar, fault)) {
            return false;
        }
    }
    return true;
}

bool CReadPass::ReadTime(std::string_view text, SBar& bar, SLineFault& fault) const {
    fault.kind = EFaultKind::Time;
    fault.time = ReadTimeText(text);
    if (fault.time.fault != ETimeFault::None) {
        return false;
    }
    bar.nTime = Intraday() ? fault.time.nTime : 0;
    return true;
}

bool CReadPass::ReadValue(int nField, std::string_view text, SBar& bar, SLineFault& fault, SFieldCell* pCell) const {
    std::string scratch;
    std::string_view number = IsPriceField(nField) ? WithoutCurrency(text, m_layout.strCurrency, scratch) : text;
    if (number.size() == text.size() && !m_strCurrency1252.empty() && IsPriceField(nField)) {
        number = WithoutCurrency(text, m_strCurrency1252, scratch);
    }
    const SNumberReading reading = ReadNumber(number, m_layout.DecimalComma());
    fault.kind = EFaultKind::Number;
    fault.number = reading.fault;
    bar.values[static_cast<std::size_t>(nField)] = reading.fValue;
    if (reading.fault != ENumberFault::None) {
        return false;
    }
    if (pCell) {
        pCell->strText = ValueText(reading.fValue);
    }
    return true;
}

// Reads every chosen field of a line, Date first; the first fault in field order is the
// line's. Without a preview row the reading stops at that fault.
bool CReadPass::ParseLine(std::string_view line, SBar& bar, std::string_view& symbol, SLineFault& fault,
                          SLinePreview* pRow) {
    m_splitter.Split(line, SInputLayout::kMaxColumns);
    bool bGood = true;
    for (const SActiveField& active : m_active) {
        if (!bGood && !pRow) {
            break;
        }
        // A fault is worked out where it is kept: the line's own, or a scratch one after it.
        SLineFault& work = bGood ? fault : m_scratch;
        SFieldCell* pCell = !pRow                             ? nullptr
                            : active.nField == kSymbolField ? &pRow->symbol
                            : active.nField == kTimeField   ? &pRow->time
                                                            : &pRow->cells[static_cast<std::size_t>(active.nField)];
        std::string_view text;
        bool bRead = ReadColumn(active, text, work);
        if (bRead && pCell) {
            pCell->strText = text;
        }
        if (bRead && active.nField == kFieldDate) {
            bRead = ReadDate(text, bar, work, pCell);
            if (bRead && pRow && m_layout.bDateTime && Intraday()) {
                pRow->time.strText = TimeText(bar.nTime);
            }
        } else if (bRead && active.nField == kTimeField) {
            bRead = ReadTime(text, bar, work);
            if (bRead && pCell) {
                pCell->strText = TimeText(work.time.nTime);
            }
        } else if (bRead && active.nField == kSymbolField) {
            symbol = text;
            bRead = text.size() <= CBarReader::kMaxSymbolBytes;
            work.kind = EFaultKind::LongSymbol;
        } else if (bRead) {
            bRead = ReadValue(active.nField, text, bar, work, pCell);
        }
        if (!bRead) {
            if (pCell) {
                pCell->error = Reason(work);
            }
            bGood = false;
        }
    }
    m_nLastColumns = m_splitter.TotalCount();
    while (m_nLastColumns > 0 && m_nLastColumns <= m_splitter.Count() && m_splitter.Field(m_nLastColumns - 1).empty()) {
        --m_nLastColumns;
    }
    return bGood;
}

void CReadPass::Store(const SBar& bar, std::string_view symbol) {
    ++m_nGoodLines;
    if (m_series.empty() || m_series[m_nLastSeries].series.strSymbol != symbol) {
        const auto found = m_symbolIndex.find(symbol);
        if (found != m_symbolIndex.end()) {
            m_nLastSeries = found->second;
        } else if (m_series.size() >= CBarReader::kMaxSeries) {
            m_bTooManySymbols = true;
            return;
        } else {
            m_nLastSeries = m_series.size();
            m_series.emplace_back().series.strSymbol = symbol;
            m_symbolIndex.emplace(std::string(symbol), m_nLastSeries);
        }
    }
    SSeriesState& state = m_series[m_nLastSeries];
    if (state.nBars++ == 0) {
        state.nFirstLine = bar.nLine;
    }
    state.nLastLine = bar.nLine;
    // Past the limit the bars are only counted: the read fails and says how many there are
    // (unless the newest are to be kept, which the order check picks once the order is known).
    if (state.nBars <= CBarReader::kMaxBars || m_options.bKeepLast) {
        if (m_nStoredBars < CBarReader::kMaxStoredBars) {
            state.series.bars.push_back(bar);
            ++m_nStoredBars;
        } else {
            m_bTooManyBars = true;
        }
    }
}

// line: the line's text, shown when the fault has no field of its own.
void CReadPass::AddBadLine(std::uint64_t nLine, const SLineFault& fault, bool bHeaderHint, std::string_view line) {
    ++m_result.nBadLines;
    if (m_pPreview) {
        SLinePreview& row = (*m_pPreview)[static_cast<std::size_t>(nLine - 1)];
        if (fault.kind == EFaultKind::TooLong || fault.kind == EFaultKind::Order ||
            fault.kind == EFaultKind::FieldCount) {
            row.lineError = Reason(fault);
        }
        return;
    }
    std::vector<SBadLine>& listed = m_result.badLines;
    if (listed.size() == m_nListed && listed.back().nLine < nLine) {
        return;
    }
    SBadLine bad{nLine, DisplayedText(fault.text.empty() ? line : fault.text), Reason(fault)};
    if (bHeaderHint) {
        bad.strReason += " (is it a header? Set " + m_wording.Setting(ESetting::SkipRows) + ")";
    }
    const auto at = std::lower_bound(listed.begin(), listed.end(), nLine,
                                     [](const SBadLine& b, std::uint64_t n) { return b.nLine < n; });
    listed.insert(at, std::move(bad));
    if (listed.size() > m_nListed) {
        listed.pop_back();
    }
}

void CReadPass::ShowSkippedRow(std::string_view text, SLinePreview& row) {
    row.bSkipped = true;
    // A skipped row shows what it holds, so that a header can be recognised.
    SBar bar;
    std::string_view symbol;
    SLineFault fault;
    ParseLine(text, bar, symbol, fault, &row);
    for (SFieldCell& cell : row.cells) {
        cell.error.reset();
    }
    row.time.error.reset();
    row.symbol.error.reset();
}

void CReadPass::ReadContentLine(const SPhysicalLine& line, SLinePreview* pRow) {
    ++m_nContentLines;
    SLineFault fault;
    if (line.bTooLong) {
        fault.kind = EFaultKind::TooLong;
        AddBadLine(line.nNumber, fault, false, line.text);
        return;
    }
    SBar bar;
    bar.nLine = line.nNumber;
    std::string_view symbol;
    if (!ParseLine(line.text, bar, symbol, fault, pRow)) {
        bool bHint = false;
        if (m_nGoodLines == 0 && m_nContentLines <= kHeaderHintLines &&
            (fault.kind == EFaultKind::Date || fault.kind == EFaultKind::Number)) {
            bHint = std::any_of(fault.text.begin(), fault.text.end(),
                                [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
        }
        AddBadLine(line.nNumber, fault, bHint, line.text);
        return;
    }
    // Every line of a file has as many columns as the first good one: one more means a field
    // came apart (1,234,567 without quotes), and every value after it is another column's.
    if (m_nUsualColumns == 0) {
        m_nUsualColumns = m_nLastColumns;
    } else if (m_nLastColumns != m_nUsualColumns) {
        fault.kind = EFaultKind::FieldCount;
        fault.nColumns = m_nLastColumns;
        fault.nUsualColumns = m_nUsualColumns;
        if (pRow) {
            pRow->lineError = Reason(fault);
        }
        AddBadLine(line.nNumber, fault, false, line.text);
        return;
    }
    Store(bar, symbol);
}

void CReadPass::Run(CLineReader& reader, std::uint64_t nPreviewLines) {
    const auto nSkipRows = static_cast<std::uint64_t>(m_layout.nSkipRows);
    SPhysicalLine line;
    while ((!m_pPreview || m_result.nLines < nPreviewLines) && reader.Next(line)) {
        m_result.nLines = line.nNumber;
        SLinePreview* pRow = nullptr;
        if (m_pPreview) {
            pRow = &m_pPreview->emplace_back();
            pRow->nLine = line.nNumber;
        }
        if (line.nNumber <= nSkipRows || (!line.bTooLong && m_splitter.IsBlank(line.text))) {
            if (pRow) {
                ShowSkippedRow(line.text, *pRow);
            }
            continue;
        }
        ReadContentLine(line, pRow);
    }
}

void CReadPass::RefuseOrder(const SSeriesState& state, std::size_t nRises, std::size_t nFalls) {
    const std::size_t nSteps = state.series.bars.size() - 1;
    const std::string strWho = state.series.strSymbol.empty() ? "" : "Symbol " + state.series.strSymbol + ": ";
    const std::string strLines =
        " from line " + std::to_string(state.nFirstLine) + " to line " + std::to_string(state.nLastLine);
    const std::string strSteps = nRises == 0 ? "" : " in " + GroupedNumber(nFalls) + " of " + GroupedNumber(nSteps) + " steps";
    const std::string strWhat = Intraday() ? "bars" : "dates";
    const std::string strSetting = m_wording.Setting(ESetting::Reverse);
    if (!m_layout.bReverse) {
        m_result.errors.push_back(strWho + "The " + strWhat + " fall" + strSteps + strLines +
                                  ": the file runs newest first. Set " + strSetting + " to read it.");
    } else {
        m_result.errors.push_back(strWho + "The " + strWhat + " rise" + strSteps + strLines +
                                  ": the file runs oldest first, but " + strSetting + " is set. Clear it to read the file.");
    }
}

// The bars kept are the longest run of rising bars the lines hold; every other line is bad. So
// one mistyped date (2032 among 2023) is the line reported and left out, not the good lines
// after it. runFrom[i]: the length of the longest rising run that starts at bar i, found from
// the end (tails[k]: the latest key a run of k + 1 bars can start with). The run kept is then
// the longest one that keeps the earliest lines, taken greedily from the front.
void CReadPass::KeepRisingRun(SSeriesState& state) {
    std::vector<SBar>& bars = state.series.bars;
    std::vector<std::size_t> runFrom(bars.size());
    std::vector<std::int64_t> tails;
    for (std::size_t i = bars.size(); i-- > 0;) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), OrderKey(bars[i]), std::greater<>());
        runFrom[i] = static_cast<std::size_t>(at - tails.begin()) + 1;
        if (at == tails.end()) {
            tails.push_back(OrderKey(bars[i]));
        } else {
            *at = OrderKey(bars[i]);
        }
    }
    std::vector<bool> kept(bars.size(), false);
    std::size_t nNeeded = tails.size();
    std::optional<std::int64_t> lastKept;
    for (std::size_t i = 0; i < bars.size() && nNeeded > 0; ++i) {
        if (runFrom[i] >= nNeeded && (!lastKept || OrderKey(bars[i]) > *lastKept)) {
            kept[i] = true;
            lastKept = OrderKey(bars[i]);
            --nNeeded;
        }
    }
    std::size_t nKept = 0;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        if (kept[i]) {
            bars[nKept++] = bars[i];
            continue;
        }
        // Told against the kept bar before it where it is no later, else the kept bar after it.
        SLineFault fault;
        fault.kind = EFaultKind::Order;
        fault.nDate = bars[i].nDate;
        fault.nTime = bars[i].nTime;
        const SBar* pOther = nKept > 0 ? &bars[nKept - 1] : nullptr;
        if (!pOther || OrderKey(bars[i]) > OrderKey(*pOther)) {
            std::size_t nNext = i + 1;
            while (nNext < bars.size() && !kept[nNext]) {
                ++nNext;
            }
            pOther = nNext < bars.size() ? &bars[nNext] : pOther;
            fault.bLater = nNext < bars.size();
        }
        if (pOther) {
            fault.nOtherDate = pOther->nDate;
            fault.nOtherTime = pOther->nTime;
            fault.nOtherLine = pOther->nLine;
        }
        AddBadLine(bars[i].nLine, fault, false, BarTimeText(bars[i].nDate, bars[i].nTime, Intraday()));
    }
    bars.resize(nKept);
}

// Turns a series into conversion order and leaves out the bars that do not rise. A series that
// runs the other way as a whole is refused instead, naming the setting. With the newest bars to
// be kept, the older ones past what a security holds are left out.
void CReadPass::CheckOrder(SSeriesState& state) {
    std::vector<SBar>& bars = state.series.bars;
    if (m_layout.bReverse) {
        std::reverse(bars.begin(), bars.end());
    }
    std::size_t nRises = 0;
    std::size_t nFalls = 0;
    for (std::size_t i = 1; i < bars.size(); ++i) {
        nRises += OrderKey(bars[i]) > OrderKey(bars[i - 1]) ? 1 : 0;
        nFalls += OrderKey(bars[i]) < OrderKey(bars[i - 1]) ? 1 : 0;
    }
    if (!m_pPreview && nFalls > nRises) {
        RefuseOrder(state, nRises, nFalls);
        bars.clear();
        return;
    }
    KeepRisingRun(state);
    if (bars.size() > CBarReader::kMaxBars) {
        state.series.nLeftOut = bars.size() - CBarReader::kMaxBars;
        bars.erase(bars.begin(), bars.end() - static_cast<std::ptrdiff_t>(CBarReader::kMaxBars));
    }
}

std::string CReadPass::BadLinesMessage(std::uint64_t nBars) const {
    const std::uint64_t nBad = m_result.nBadLines;
    std::string strText = "The file has " + GroupedNumber(nBad) + (nBad == 1 ? " bad line:" : " bad lines:");
    const std::size_t nShown = std::min<std::size_t>(m_result.badLines.size(), CBarReader::kShownBadLines);
    for (std::size_t i = 0; i < nShown; ++i) {
        strText += "\nline " + std::to_string(m_result.badLines[i].nLine) + ": " + m_result.badLines[i].strReason;
    }
    if (nBad > nShown) {
        strText += "\n... and " + GroupedNumber(nBad - nShown) + " more.";
    }
    if (m_options.bSkipBadLines && nBars == 0) {
        strText += "\nNo bar is left once the bad lines are left out.";
    }
    return strText;
}

SReadResult CReadPass::Finish(const CLineReader& reader) {
    std::vector<std::string>& errors = m_result.errors;
    if (reader.Fault() != ETextFault::None) {
        if (m_pPreview) {
            const std::uint64_t nLine = reader.FaultLine();
            if (nLine > m_pPreview->size()) {
                m_pPreview->emplace_back().nLine = nLine;
            }
            (*m_pPreview)[static_cast<std::size_t>(nLine - 1)].lineError = reader.FaultText();
        }
        errors.push_back(reader.FaultText());
        return std::move(m_result);
    }
    std::uint64_t nBars = 0;
    for (SSeriesState& state : m_series) {
        if (state.nBars > CBarReader::kMaxBars && !m_options.bKeepLast) {
            errors.push_back((state.series.strSymbol.empty() ? "The file" : "Symbol " + state.series.strSymbol) +
                             " has " + GroupedNumber(state.nBars) + " bars; a security holds at most " +
                             GroupedNumber(CBarReader::kMaxBars) + ". " + m_wording.Setting(ESetting::KeepLast) +
                             " keeps the newest of them.");
            continue;
        }
        if (!m_bTooManyBars) {
            CheckOrder(state);
            nBars += state.series.bars.size();
        }
    }
    if (m_bTooManySymbols) {
        errors.push_back("The file has more than " + GroupedNumber(CBarReader::kMaxSeries) + " symbols.");
    }
    if (m_bTooManyBars) {
        errors.push_back("The file has more than " + GroupedNumber(CBarReader::kMaxStoredBars) +
                         " bars in all; split it into smaller files.");
    }
    if (m_result.nBadLines > 0 && (!m_options.bSkipBadLines || nBars == 0)) {
        errors.insert(errors.begin(), BadLinesMessage(nBars));
    }
    if (nBars == 0 && errors.empty()) {
        errors.push_back(m_result.nLines == 0 ? std::string("The file is empty.")
                                              : "The file has no bars: its " + GroupedNumber(m_result.nLines) +
                                                    (m_result.nLines == 1 ? " line is a row to skip or blank."
                                                                          : " lines are all rows to skip or blank."));
    }
    if (errors.empty()) {
        for (SSeriesState& state : m_series) {
            if (!state.series.bars.empty()) {
                m_result.series.push_back(std::move(state.series));
            }
        }
    }
    return std::move(m_result);
}
