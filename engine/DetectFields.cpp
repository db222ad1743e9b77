// The fields: which column holds which price and count, from the header's names where they
// give them, else from the values (the high the largest price of every row, the low the
// smallest, ...); and a currency sign or code that every price carries.
#include "engine/LayoutAnalysis.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// The prices of one bar lie within this factor of each other; a volume or a count does not.
constexpr double kPriceSpread = 4.0;
// Price rows that may break the order low <= open, close <= high, per row read (data glitches).
constexpr std::size_t kRowsPerGlitch = 50;
// Added to the rank of a named column that holds nothing but zeros.
constexpr int kZeroRank = 100;
// Currency codes and signs a price may carry, besides codes of three capital letters.
constexpr std::string_view kCurrencySigns[] = {"$", "US$", "C$", "A$", "R$", "\xE2\x82\xAC", "\x80", "\xC2\xA3",
                                               "\xA3", "\xC2\xA5", "\xA5"};

// Column names as NameKey leaves them (lower-case letters and digits), by field and rank: rank
// 0 names the field for sure; a higher rank gives way to a lower one.
struct SColumnNames {
    int nField;
    int nRank;
    const char* pszNames; // separated by blanks
};

constexpr SColumnNames kColumnNames[] = {
    {kFieldDate, 0, "date dtyyyymmdd datum tradedate"},
    {kFieldDate, 1, "day data fecha"},
    {kFieldOpen, 0, "open openprice opening erffnung eroeffnung ouverture otwarcie apertura"},
    {kFieldOpen, 1, "o op first erster"},
    {kFieldHigh, 0, "high highprice hi hoch haut plushaut najwyzszy"},
    {kFieldHigh, 1, "h max massimo maximo mximo"},
    {kFieldLow, 0, "low lowprice lo tief bas plusbas najnizszy"},
    {kFieldLow, 1, "l min minimo mnimo"},
    {kFieldClose, 0, "close closeprice closing closelast schluss schlusskurs"},
    {kFieldClose, 0, "cloture clture zamkniecie cierre chiusura"},
    {kFieldClose, 1, "c cl last lastprice settle settlement letzter dernier"},
    {kFieldClose, 2, "price"},
    {kFieldVolume, 0, "vol volume volumen wolumen totalvolume stcke stuecke"},
    {kFieldVolume, 1, "v shares qty quantity"},
    {kFieldVolume, 2, "tickvol tickvolume"},
    {kFieldOpenInterest, 0, "oi openint openinterest opint openinterests"},
    {kNoField, 0, "adjclose adjustedclose adjclosed per period spread turnover change chg trades name"},
    {kTimeName, 0, "time zeit heure hora uhrzeit"},
    {kSymbolName, 0, "ticker symbol code"},
};

std::string NameKey(std::string_view text) {
    std::string key;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') {
            key += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            key += c;
        }
    }
    return key;
}

bool IsCurrency(std::string_view token) {
    if (std::find(std::begin(kCurrencySigns), std::end(kCurrencySigns), token) != std::end(kCurrencySigns)) {
        return true;
    }
    return token.size() == 3 && std::all_of(token.begin(), token.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// The currency a cell carries before or after its number (blanks between allowed), when the
// rest reads as a number; empty otherwise.
std::string CurrencyOf(std::string_view cell, bool bDecimalComma) {
    const auto isNumberChar = [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == ','; };
    std::size_t nStart = 0;
    while (nStart < cell.size() && !isNumberChar(cell[nStart])) {
        ++nStart;
    }
    std::size_t nEnd = cell.size();
    while (nEnd > nStart && !isNumberChar(cell[nEnd - 1])) {
        --nEnd;
    }
    const std::string_view before = TrimBlanks(cell.substr(0, nStart));
    const std::string_view after = TrimBlanks(cell.substr(nEnd));
    const std::string_view number = cell.substr(nStart, nEnd - nStart);
    if (before.empty() == after.empty() || ReadNumber(number, bDecimalComma).fault != ENumberFault::None) {
        return {};
    }
    const std::string_view token = before.empty() ? after : before;
    return IsCurrency(token) ? std::string(token) : std::string();
}


// High, low and the prices between them: a high never below the low, nor below any price
// between, glitches aside.
struct SPriceGroup {
    std::size_t nHigh = 0;
    std::size_t nLow = 0;
    std::vector<std::size_t> between; // always within the low and the high, glitches aside
    std::size_t nGlitches = 0;
};

// The columns of prices and, for every pair, the rows where one is below the other.
class CPriceOrder {
public:
    CPriceOrder(const CLayoutAnalysis& analysis, const std::vector<std::size_t>& candidates)
        : m_analysis(analysis), m_index(analysis.m_nColumns), m_nGlitches(analysis.m_measured.size() / kRowsPerGlitch) {
        for (std::size_t c : candidates) {
            if (analysis.Stats(c).bPositive) {
                m_prices.push_back(c);
            }
        }
        const std::size_t n = m_prices.size();
        m_below.resize(n * n);
        for (std::size_t i = 0; i < n; ++i) {
            m_index[m_prices[i]] = i;
            for (std::size_t j = 0; j < n; ++j) {
                for (std::size_t r = 0; r < analysis.m_measured.size(); ++r) {
                    m_below[i * n + j] += analysis.Stats(m_prices[i]).values[r] < analysis.Stats(m_prices[j]).values[r];
                }
            }
        }
    }
    const std::vector<std::size_t>& Prices() const { return m_prices; }
    bool IsPrice(std::size_t c) const { return std::find(m_prices.begin(), m_prices.end(), c) != m_prices.end(); }
    std::optional<SPriceGroup> GroupOf(std::size_t h, std::size_t l) const {
        if (h == l || Below(h, l) > m_nGlitches || !m_analysis.Near(h, l)) {
            return std::nullopt;
        }
        SPriceGroup group{h, l, {}, Below(h, l)};
        for (std::size_t x : m_prices) {
            const std::size_t nOff = Below(h, x) + Below(x, l);
            if (x != h && x != l && nOff <= m_nGlitches) {
                group.between.push_back(x);
                group.nGlitches += nOff;
            }
        }
        return group;
    }

private:
    std::size_t Below(std::size_t a, std::size_t b) const {
        return m_below[m_index[a] * m_prices.size() + m_index[b]];
    }
    const CLayoutAnalysis& m_analysis;
    std::vector<std::size_t> m_prices;
    std::vector<std::size_t> m_index; // by column: its place among the prices
    std::vector<std::size_t> m_below;
    std::size_t m_nGlitches;
};

bool Contains(const std::vector<std::size_t>& columns, std::size_t c) {
    return std::find(columns.begin(), columns.end(), c) != columns.end();
}

// The usual order first: open, high and low (either way round), close side by side.
std::optional<SPriceGroup> UsualGroup(CLayoutAnalysis& analysis, const CPriceOrder& order) {
    for (std::size_t a : order.Prices()) {
        for (std::size_t nHigh : {a + 1, a + 2}) {
            if (!order.IsPrice(a + 1) || !order.IsPrice(a + 2) || !order.IsPrice(a + 3)) {
                continue;
            }
            std::optional<SPriceGroup> group = order.GroupOf(nHigh, 2 * a + 3 - nHigh);
            if (group && Contains(group->between, a) && Contains(group->between, a + 3)) {
                analysis.SetField(kFieldOpen, a);
                analysis.SetField(kFieldClose, a + 3);
                return group;
            }
        }
    }
    return std::nullopt;
}

// Else the high and low that hold the most columns between them.
std::optional<SPriceGroup> WidestGroup(CLayoutAnalysis& analysis, const CPriceOrder& order) {
    std::vector<SPriceGroup> best;
    for (std::size_t h : order.Prices()) {
        for (std::size_t l : order.Prices()) {
            std::optional<SPriceGroup> group = order.GroupOf(h, l);
            if (!group || group->between.empty() ||
                (!best.empty() && group->between.size() < best.front().between.size())) {
                continue;
            }
            if (!best.empty() && group->between.size() > best.front().between.size()) {
                best.clear();
            }
            best.push_back(std::move(*group));
        }
    }
    if (best.empty()) {
        return std::nullopt;
    }
    if (best.size() > 1) {
        analysis.Doubt(EDetectChoice::High, EConfidence::Unsure,
                       analysis.Unnamed() + " and the values fit more than one choice of high and low; columns " +
                           std::to_string(best.front().nHigh + 1) + " and " + std::to_string(best.front().nLow + 1) +
                           " were chosen.",
                       EDetectChoice::Low);
    }
    return std::move(best.front());
}

// Of several prices between the low and the high: open before them, close after them.
void ChooseOpenAndClose(CLayoutAnalysis& analysis, const SPriceGroup& group) {
    const std::vector<std::size_t>& between = group.between;
    if (between.size() == 1) {
        analysis.SetField(kFieldClose, between.front());
        return;
    }
    const std::size_t nLast = std::max(group.nHigh, group.nLow);
    const auto closing = std::find_if(between.begin(), between.end(), [&](std::size_t c) { return c > nLast; });
    const std::size_t nClose = closing != between.end() ? *closing : between.back();
    analysis.SetField(kFieldOpen, between.front() != nClose ? between.front() : between[1]);
    analysis.SetField(kFieldClose, nClose);
    analysis.Doubt(EDetectChoice::Close, EConfidence::Unsure,
                   analysis.Unnamed() + " and columns " + ColumnList(between) +
                       " lie between the low and the high: the open and the close cannot be told apart; column " +
                       std::to_string(nClose + 1) + " was taken as the close.",
                   EDetectChoice::Open);
}

// Other columns of prices beside those taken: an adjusted close, or the close itself.
void NoteOtherPrices(CLayoutAnalysis& analysis, const CPriceOrder& order) {
    std::vector<std::size_t> others;
    for (std::size_t c : order.Prices()) {
        if (!analysis.IsUsed(c) && analysis.m_fieldOn[kFieldClose] && analysis.IsPriceLike(c)) {
            others.push_back(c);
        }
    }
    if (!others.empty()) {
        analysis.Doubt(EDetectChoice::Close, EConfidence::Unsure,
                       analysis.Unnamed() + " and " +
                           (others.size() == 1 ? analysis.ColumnText(others.front()) + " holds"
                                               : "columns " + ColumnList(others) + " hold") +
                           " prices too: the close could be there (" +
                           analysis.ColumnText(analysis.m_fieldCol[kFieldClose]) + " was chosen).");
    }
}

void ChoosePrices(CLayoutAnalysis& analysis, const std::vector<std::size_t>& candidates) {
    const CPriceOrder order(analysis, candidates);
    std::optional<SPriceGroup> chosen = UsualGroup(analysis, order);
    if (!chosen) {
        chosen = WidestGroup(analysis, order);
    }
    if (!chosen) {
        // At most two prices a row: the close alone, the first column of prices.
        if (!order.Prices().empty()) {
            analysis.SetField(kFieldClose, order.Prices().front());
        }
    } else {
        if (!analysis.m_fieldOn[kFieldClose]) {
            ChooseOpenAndClose(analysis, *chosen);
        }
        analysis.SetField(kFieldHigh, chosen->nHigh);
        analysis.SetField(kFieldLow, chosen->nLow);
        if (chosen->nGlitches > 0) {
            analysis.Doubt(EDetectChoice::Close, EConfidence::Likely,
                           "In " + std::to_string(chosen->nGlitches) +
                               " places a price lies outside the low and the high of its row; the columns were "
                               "chosen from the other rows.");
        }
    }
    NoteOtherPrices(analysis, order);
}

// The volume: the first column of whole numbers that is neither a price nor all zeros (a time
// of 000000); the open interest the next one. Without whole numbers, a column of fractions (a
// crypto volume). bNamed: the other fields come from names and only the volume is looked for.
void ChooseCounts(CLayoutAnalysis& analysis, const std::vector<std::size_t>& candidates, bool bNamed) {
    std::vector<std::size_t> counts;
    std::vector<std::size_t> fractions;
    for (std::size_t c : candidates) {
        const SColumnStats& stats = analysis.Stats(c);
        // A column within the range of the prices in every row is one more price, not a count.
        if (!analysis.IsUsed(c) && analysis.IsNumeric(c) && stats.bNonNegative && !stats.bZeros && !analysis.IsPriceLike(c)) {
            (stats.bWhole ? counts : fractions).push_back(c);
        }
    }
    // Counts follow the prices in every usual layout; a column before them may be a row number.
    for (std::vector<std::size_t>* pColumns : {&counts, &fractions}) {
        const auto after = [&](std::size_t c) { return c > analysis.m_fieldCol[kFieldClose]; };
        if (std::any_of(pColumns->begin(), pColumns->end(), after)) {
            std::erase_if(*pColumns, [&](std::size_t c) { return c < analysis.m_fieldCol[kFieldClose]; });
        }
    }
    if (counts.empty()) {
        if (!fractions.empty()) {
            analysis.SetField(kFieldVolume, fractions.front());
            analysis.Doubt(EDetectChoice::Volume, EConfidence::Likely,
                  analysis.ColumnText(fractions.front()) + " was taken as the volume, though it holds fractions.");
        }
        return;
    }
    analysis.SetField(kFieldVolume, counts.front());
    if (bNamed) {
        analysis.Doubt(EDetectChoice::Volume, EConfidence::Likely,
              "No header names the volume; " + analysis.ColumnText(counts.front()) +
                  " holds whole numbers and was taken as the volume.");
        return;
    }
    if (counts.size() > 1) {
        // A second count may as well be trades or turnover as open interest: without a name it
        // is a guess that would store another number as the open interest.
        analysis.SetField(kFieldOpenInterest, counts[1]);
        analysis.Doubt(EDetectChoice::OpenInterest, EConfidence::Unsure,
              counts.size() > 2 ? "Columns " + ColumnList(counts) +
                                      " hold whole numbers: the volume and the open interest were taken from the "
                                      "first two."
                                : "No header names " + analysis.ColumnText(counts[1]) +
                                      ", which holds whole numbers after the volume; it was taken as the open "
                                      "interest, but it may be another count.");
    }
}


} // namespace

std::pair<int, int> FieldOfName(std::string_view name, bool bExact) {
    const std::string key = NameKey(name);
    for (const SColumnNames& entry : kColumnNames) {
        for (std::string_view names = entry.pszNames; !names.empty();) {
            const std::size_t nEnd = std::min(names.find(' '), names.size());
            if (!key.empty() && names.substr(0, nEnd) == key) {
                return {entry.nField, entry.nRank};
            }
            names.remove_prefix(std::min(nEnd + 1, names.size()));
        }
    }
    if (!bExact && key.rfind("date", 0) == 0) {
        return {kFieldDate, 1};
    }
    return {kUnknownName, 0};
}

// A currency that every value of a column carries, the same in every such column.
void FindCurrency(CLayoutAnalysis& analysis) {
    for (std::size_t c = 0; c < analysis.m_nColumns; ++c) {
        if (c == analysis.m_nDateColumn) {
            continue;
        }
        std::optional<std::string> currency;
        for (std::size_t i : analysis.m_rows) {
            const std::vector<std::string>& cells = analysis.m_lines[i].cells;
            const std::string found = c < cells.size() ? CurrencyOf(cells[c], analysis.m_bDecimalComma) : std::string();
            if (found.empty() || (currency && *currency != found)) {
                currency.reset();
                break;
            }
            currency = found;
        }
        if (!currency) {
            continue;
        }
        if (analysis.m_strCurrency.empty()) {
            analysis.m_strCurrency = *currency;
        } else if (analysis.m_strCurrency != *currency) {
            analysis.Doubt(EDetectChoice::Currency, EConfidence::Unsure,
                           "The prices carry two currencies, " + analysis.m_strCurrency + " and " + *currency +
                               "; only one can be read.");
        }
    }
}

// Measures the columns on the rows with the usual count of numbers: a row of "null"s or of
// totals says nothing about them.
void MeasureColumns(CLayoutAnalysis& analysis) {
    std::vector<std::size_t> counts;
    std::vector<std::size_t> frequency(CLayoutAnalysis::kMaxAnalysedColumns + 1);
    for (std::size_t i : analysis.m_rows) {
        std::size_t nNumbers = 0;
        for (const std::string& cell : analysis.m_lines[i].cells) {
            nNumbers += analysis.Number(cell).fault == ENumberFault::None ? 1 : 0;
        }
        counts.push_back(nNumbers);
        ++frequency[nNumbers];
    }
    const auto nUsual =
        static_cast<std::size_t>(std::max_element(frequency.begin(), frequency.end()) - frequency.begin());
    for (std::size_t r = 0; r < analysis.m_rows.size(); ++r) {
        if (counts[r] == nUsual) {
            analysis.m_measured.push_back(analysis.m_rows[r]);
        }
    }
    analysis.m_stats.assign(analysis.m_nColumns, SColumnStats{});
    for (std::size_t c = 0; c < analysis.m_nColumns; ++c) {
        SColumnStats& stats = analysis.m_stats[c];
        for (std::size_t i : analysis.m_measured) {
            const std::vector<std::string>& cells = analysis.m_lines[i].cells;
            const SNumberReading number =
                c < cells.size() ? analysis.Number(cells[c]) : SNumberReading{ENumberFault::Empty, 0.0f};
            stats.nEmpty += number.fault == ENumberFault::Empty ? 1 : 0;
            const double fValue = number.fault == ENumberFault::None ? number.fValue : 0.0;
            if (number.fault == ENumberFault::None) {
                ++stats.nNumbers;
                stats.bWhole = stats.bWhole && std::floor(fValue) == fValue;
                stats.bPositive = stats.bPositive && fValue > 0;
                stats.bNonNegative = stats.bNonNegative && fValue >= 0;
            }
            stats.values.push_back(fValue);
        }
        stats.bZeros = stats.nNumbers > 0 &&
                       std::all_of(stats.values.begin(), stats.values.end(), [](double f) { return f == 0; });
    }
}

// Fields from the header's names; false when no name gives the close.
bool ChooseFieldsByName(CLayoutAnalysis& analysis) {
    // The columns that name each field, best first: by rank, a column of zeros last (a volume
    // of zeros beside a tick volume), then from the left.
    std::array<std::vector<std::pair<int, std::size_t>>, kFieldCount> named;
    for (std::size_t c = 0; c < analysis.m_names.size() && c < analysis.m_nColumns; ++c) {
        const auto [nField, nRank] = FieldOfName(analysis.m_names[c]);
        if (nField > kFieldDate) {
            named[static_cast<std::size_t>(nField)].emplace_back(nRank + (analysis.Stats(c).bZeros ? kZeroRank : 0), c);
        }
    }
    if (named[kFieldClose].empty()) {
        return false;
    }
    const std::size_t nDoubts = analysis.m_result.doubts.size();
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        std::vector<std::pair<int, std::size_t>>& columns = named[static_cast<std::size_t>(f)];
        std::sort(columns.begin(), columns.end());
        if (columns.empty()) {
            continue;
        }
        // A named column without a single number holds nothing to convert: an empty open
        // interest, or a volume written as "4.78M".
        const std::size_t nColumn = columns.front().second;
        if (f != kFieldClose && analysis.Stats(nColumn).nNumbers == 0) {
            if (analysis.Stats(nColumn).nEmpty < analysis.m_measured.size()) {
                const std::vector<std::string>& cells = analysis.m_lines[analysis.m_measured.front()].cells;
                analysis.Doubt(kFieldChoices[f], EConfidence::Unsure,
                      analysis.ColumnText(nColumn) + " names the " + LowerFieldName(f) + " but holds no number (such as \"" +
                          (nColumn < cells.size() ? cells[nColumn] : std::string()) + "\"): it is left out.");
            }
            continue;
        }
        analysis.SetField(f, columns.front().second);
        if (columns.size() > 1 && columns[1].first == columns[0].first) {
            analysis.Doubt(kFieldChoices[f], EConfidence::Likely,
                  "Columns " + ColumnList({columns[0].second, columns[1].second}) + " both name the " +
                      LowerFieldName(f) + "; " + analysis.ColumnText(columns.front().second) + " was chosen.");
        }
    }
    // An unnamed column of prices (a high in another tongue): the values say more than the names.
    for (std::size_t c = 0; c < analysis.m_nColumns; ++c) {
        if (c != analysis.m_nDateColumn &&
            (c >= analysis.m_names.size() || FieldOfName(analysis.m_names[c]).first == kUnknownName) &&
            analysis.IsPriceLike(c)) {
            analysis.m_fieldOn.fill(false);
            analysis.m_result.doubts.resize(nDoubts);
            return false;
        }
    }
    if (!analysis.m_fieldOn[kFieldVolume]) {
        std::vector<std::size_t> candidates;
        for (std::size_t c = 0; c < analysis.m_nColumns; ++c) {
            if (c != analysis.m_nDateColumn && c != analysis.m_timeColumn &&
                (c >= analysis.m_names.size() || FieldOfName(analysis.m_names[c]).first == kUnknownName)) {
                candidates.push_back(c);
            }
        }
        ChooseCounts(analysis, candidates, true);
    }
    return true;
}

// Fields from the values alone: High is the largest price of every row, Low the smallest, the
// Close between them, then the Volume and the Open interest among the whole numbers.
void ChooseFieldsByValue(CLayoutAnalysis& analysis) {
    std::vector<std::size_t> candidates;
    for (std::size_t c = 0; c < analysis.m_nColumns; ++c) {
        const int nNamed = c < analysis.m_names.size() ? FieldOfName(analysis.m_names[c]).first : kUnknownName;
        if (c != analysis.m_nDateColumn && c != analysis.m_timeColumn && analysis.IsNumeric(c) &&
            (nNamed == kUnknownName || nNamed >= kFieldOpen)) {
            candidates.push_back(c);
        }
    }
    ChoosePrices(analysis, candidates);
    if (analysis.m_fieldOn[kFieldClose]) {
        ChooseCounts(analysis, candidates, false);
    }
}

