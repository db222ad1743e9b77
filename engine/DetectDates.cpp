// The dates and what goes with them: the date column and its layout, the rows before the
// first date that are a header, a time of day (in the date field or a column of its own), and
// what one bar stands for (a day, a week, a month, or a few minutes).
#include "engine/LayoutAnalysis.h"

#include "metastock/Dates.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <tuple>

namespace {

// A column holds dates when at most this share of its steps go against the others.
constexpr double kMaxDisorder = 0.1;

// 1-6 and 7-12 in three kinds: the year first, the month first, the day first.
enum class EDateOrder { YearFirst, MonthFirst, DayFirst };
EDateOrder OrderOf(EDateFormat format) {
    const int n = (static_cast<int>(format) - 1) % 6; // [0, 5]
    return n < 2 ? EDateOrder::YearFirst : n < 4 ? EDateOrder::MonthFirst : EDateOrder::DayFirst;
}

std::chrono::sys_days DayOf(std::int32_t nValue) {
    const SDate date = DateOfValue(nValue);
    return std::chrono::year{date.nYear} / date.nMonth / date.nDay;
}

struct SSteps {
    std::size_t nRises = 0;
    std::size_t nFalls = 0;
    std::size_t nSame = 0;
    std::size_t Disorder() const { return std::min(nRises, nFalls); }
};

SSteps StepsOf(const std::vector<std::int32_t>& dates) {
    SSteps steps;
    for (std::size_t i = 1; i < dates.size(); ++i) {
        steps.nRises += dates[i] > dates[i - 1] ? 1 : 0;
        steps.nFalls += dates[i] < dates[i - 1] ? 1 : 0;
        steps.nSame += dates[i] == dates[i - 1] ? 1 : 0;
    }
    return steps;
}

// How a date layout reads one column.
struct SFormatFit {
    EDateFormat format = EDateFormat::MMDDYY;
    std::vector<std::size_t> rows;   // lines where it reads, as indices into the lines
    std::vector<std::int32_t> dates; // their date values
    std::size_t nWeekend = 0;        // dates on a Saturday or a Sunday
    long long nMedianStep = 0;       // days between neighbouring dates
};

void MeasureFit(SFormatFit& fit) {
    std::vector<long long> steps;
    for (std::size_t i = 0; i < fit.dates.size(); ++i) {
        const std::chrono::sys_days day = DayOf(fit.dates[i]);
        const unsigned nWeekday = std::chrono::weekday{day}.c_encoding(); // 0 Sunday
        fit.nWeekend += nWeekday == 0 || nWeekday == 6 ? 1 : 0;
        if (i > 0) {
            steps.push_back(std::llabs((day - DayOf(fit.dates[i - 1])).count()));
        }
    }
    if (!steps.empty()) {
        std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
        fit.nMedianStep = steps[steps.size() / 2];
    }
}

struct SDateColumn {
    std::size_t nColumn = 0;
    std::size_t nCount = 0;       // lines that its best layouts read
    std::vector<SFormatFit> fits; // the layouts that read the most lines and keep the dates in order best
};

// The layouts that read a column best: the most lines, then the fewest dates out of order.
std::optional<SDateColumn> FitColumn(const CLayoutAnalysis& analysis, std::size_t c) {
    std::vector<SFormatFit> fits;
    for (int f = 1; f <= kDateFormatCount; ++f) {
        SFormatFit fit;
        fit.format = static_cast<EDateFormat>(f);
        for (std::size_t i = 0; i < analysis.m_lines.size(); ++i) {
            const std::vector<std::string>& cells = analysis.m_lines[i].cells;
            const std::string_view date = c < cells.size() ? DateAndTime(cells[c]).first : std::string_view();
            if (MayBeDate(date)) {
                const SDateReading reading = ReadDateText(date, fit.format);
                if (reading.fault == EDateFault::None) {
                    fit.rows.push_back(i);
                    fit.dates.push_back(reading.nValue);
                }
            }
        }
        if (!fit.rows.empty()) {
            fits.push_back(std::move(fit));
        }
    }
    if (fits.empty()) {
        return std::nullopt;
    }
    SDateColumn column;
    column.nColumn = c;
    for (const SFormatFit& fit : fits) {
        column.nCount = std::max(column.nCount, fit.rows.size());
    }
    std::erase_if(fits, [&](const SFormatFit& fit) { return fit.rows.size() < column.nCount; });
    std::size_t nLeastDisorder = column.nCount;
    for (const SFormatFit& fit : fits) {
        nLeastDisorder = std::min(nLeastDisorder, StepsOf(fit.dates).Disorder());
    }
    std::erase_if(fits, [&](const SFormatFit& fit) { return StepsOf(fit.dates).Disorder() > nLeastDisorder; });
    const SSteps steps = StepsOf(fits.front().dates);
    // Numbers that happen to read as dates come in no order.
    if (nLeastDisorder > 1 &&
        static_cast<double>(nLeastDisorder) > kMaxDisorder * static_cast<double>(steps.nRises + steps.nFalls)) {
        return std::nullopt;
    }
    column.fits = std::move(fits);
    return column;
}

// Among layouts that read the column alike, the one whose dates look like trading days: on
// weekdays, close together; then the order usual where the file seems to come from.
void ChooseDateFormat(CLayoutAnalysis& analysis, const SDateColumn& column) {
    std::vector<SFormatFit> fits = column.fits;
    if (fits.size() > 1) {
        const std::string_view sample =
            DateAndTime(analysis.m_lines[fits.front().rows.front()].cells[column.nColumn]).first;
        const bool bEuropean =
            analysis.m_cDelimiter == ';' || analysis.m_bDecimalComma || sample.find('.') != std::string_view::npos;
        const auto rank = [&](const SFormatFit& fit) {
            const EDateOrder order = OrderOf(fit.format);
            const int nOrder = order == EDateOrder::YearFirst ? 2 : (order == EDateOrder::DayFirst) == bEuropean ? 0 : 1;
            return std::make_tuple(fit.nWeekend, fit.nMedianStep, nOrder);
        };
        for (SFormatFit& fit : fits) {
            MeasureFit(fit);
        }
        std::sort(fits.begin(), fits.end(), [&](const SFormatFit& a, const SFormatFit& b) { return rank(a) < rank(b); });
        const SFormatFit& chosen = fits.front();
        const SFormatFit& next = fits[1];
        const std::string strWhy = next.nWeekend > chosen.nWeekend       ? "the other layout puts dates on weekends"
                                   : next.nMedianStep > chosen.nMedianStep ? "its dates lie closer together"
                                   : bEuropean ? "the file's semicolons, decimal commas or dotted dates suggest it"
                                               : "it is the more common one";
        bool bDayMonth = fits.size() == 2;
        std::string strNames;
        for (std::size_t i = 0; i < fits.size(); ++i) {
            bDayMonth = bDayMonth && OrderOf(fits[i].format) != EDateOrder::YearFirst;
            strNames += (i == 0 ? "" : i + 1 == fits.size() ? " and " : ", ") + std::string(DateFormatName(fits[i].format));
        }
        analysis.Doubt(EDetectChoice::DateFormat, EConfidence::Unsure,
                       (bDayMonth ? std::string("All days are 12 or less: DD/MM or MM/DD cannot be told apart")
                                  : "The dates read alike as " + strNames) +
                           "; " + DateFormatName(chosen.format) + " was chosen, as " + strWhy + ".");
    }
    analysis.m_dateFormat = fits.front().format;
    analysis.m_rows = fits.front().rows;
    analysis.m_dates = fits.front().dates;
}

// Time names as FieldOfName gives them, or times with a colon.
bool IsTimeColumn(const CLayoutAnalysis& analysis, std::size_t c, bool bNamed) {
    std::size_t nTimes = 0;
    for (std::size_t i : analysis.m_rows) {
        const std::vector<std::string>& cells = analysis.m_lines[i].cells;
        if (c >= cells.size() || ReadTimeText(cells[c]).fault != ETimeFault::None ||
            (!bNamed && cells[c].find(':') == std::string::npos)) {
            return false;
        }
        ++nTimes;
    }
    return nTimes > 0;
}

} // namespace

bool ChooseDateColumn(CLayoutAnalysis& analysis) {
    std::vector<SDateColumn> candidates;
    for (std::size_t c = 0; c < analysis.m_nColumns; ++c) {
        if (auto column = FitColumn(analysis, c)) {
            candidates.push_back(std::move(*column));
        }
    }
    if (candidates.empty()) {
        return analysis.Fail("No column holds dates in one of the twelve date layouts (such as 2023-01-03, "
                             "03.01.2023, 01/03/23 or 20230103).");
    }
    std::size_t nMost = 0;
    for (const SDateColumn& column : candidates) {
        nMost = std::max(nMost, column.nCount);
    }
    std::erase_if(candidates, [&](const SDateColumn& column) { return column.nCount < nMost; });
    const SDateColumn* pChosen = &candidates.front();
    if (candidates.size() > 1) {
        // A header names the date column among several that hold dates.
        bool bNamed = false;
        const std::size_t nFirst = candidates.front().fits.front().rows.front();
        for (std::size_t i = nFirst; i-- > 0 && !bNamed;) {
            if (analysis.m_lines[i].bBlank) {
                continue;
            }
            for (const SDateColumn& column : candidates) {
                if (!bNamed && column.nColumn < analysis.m_lines[i].cells.size() &&
                    FieldOfName(analysis.m_lines[i].cells[column.nColumn]).first == kFieldDate) {
                    pChosen = &column;
                    bNamed = true;
                }
            }
            break;
        }
        if (!bNamed) {
            std::vector<std::size_t> columns;
            for (const SDateColumn& column : candidates) {
                columns.push_back(column.nColumn);
            }
            analysis.Doubt(EDetectChoice::DateColumn, EConfidence::Likely,
                           "Columns " + ColumnList(columns) + " hold dates; column " +
                               std::to_string(pChosen->nColumn + 1) + " was taken as the date.");
        }
    }
    analysis.m_nDateColumn = pChosen->nColumn;
    ChooseDateFormat(analysis, *pChosen);
    return true;
}

// Lines before the first date are header rows when they hold text: the last of them names the
// columns. A line of numbers whose date does not read (2021-02-30) is no header but the first
// bad line, and the reader says so.
bool FindHeader(CLayoutAnalysis& analysis) {
    const std::size_t nFirst = analysis.m_rows.front();
    const std::vector<std::string>& first = analysis.m_lines[nFirst].cells;
    // The columns that hold numbers in the first data row, the date's aside.
    std::vector<std::size_t> numeric;
    for (std::size_t c = 0; c < first.size(); ++c) {
        if (c != analysis.m_nDateColumn && analysis.Number(first[c]).fault == ENumberFault::None) {
            numeric.push_back(c);
        }
    }
    const auto isDataLike = [&](const SSampleLine& line) {
        return !numeric.empty() && std::all_of(numeric.begin(), numeric.end(), [&](std::size_t c) {
            return c < line.cells.size() && analysis.Number(line.cells[c]).fault == ENumberFault::None;
        });
    };
    std::optional<std::size_t> header;
    for (std::size_t i = nFirst; i-- > 0;) {
        const SSampleLine& line = analysis.m_lines[i];
        if (!line.bBlank && !isDataLike(line)) {
            header = i;
            break;
        }
    }
    if (!header) {
        return true;
    }
    analysis.m_nSkipRows = analysis.m_lines[*header].nNumber;
    if (analysis.m_nSkipRows > 200) {
        return analysis.Fail("The first date is on line " + std::to_string(analysis.m_lines[nFirst].nNumber) +
                             "; at most 200 rows can be skipped.");
    }
    std::vector<std::string> names = analysis.m_lines[*header].cells;
    if (names.size() < 2) {
        return true; // a title, not names
    }
    // Blanks split two-word names ("Open Interest") when they separate the columns.
    const std::size_t nDataCells = first.size();
    for (std::size_t i = 0; analysis.m_cDelimiter == ' ' && names.size() > nDataCells && i + 1 < names.size();) {
        if (FieldOfName(names[i] + names[i + 1], true).first != kUnknownName) {
            names[i] += " " + names[i + 1];
            names.erase(names.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        } else {
            ++i;
        }
    }
    // Names are shown in messages and the dialog: UTF-8, a file's Windows-1252 converted.
    for (std::string& name : names) {
        if (!IsUtf8(name)) {
            name = Windows1252ToUtf8(name);
        }
    }
    analysis.m_names = names;
    analysis.m_result.columnNames = std::move(names);
    return true;
}

// A time of day: in the date cells (2023-09-01 09:30) or in a column of its own, named Time or
// holding times with a colon. Times that are the same on every line are no intraday bars but
// the hour an export stamps on each day; so are varying times of one bar a day.
void ChooseTime(CLayoutAnalysis& analysis) {
    std::vector<std::int32_t> times;
    for (std::size_t i : analysis.m_rows) {
        const std::vector<std::string>& cells = analysis.m_lines[i].cells;
        if (const auto time = DateAndTime(cells[analysis.m_nDateColumn]).second) {
            times.push_back(*time);
        }
    }
    analysis.m_bDateTime = !times.empty();
    if (times.size() != analysis.m_rows.size()) {
        times.clear();
        for (std::size_t c = 0; c < analysis.m_nColumns; ++c) {
            const bool bNamed = c < analysis.m_names.size() && FieldOfName(analysis.m_names[c]).first == kTimeName;
            if (c != analysis.m_nDateColumn && IsTimeColumn(analysis, c, bNamed)) {
                analysis.m_timeColumn = c;
                for (std::size_t i : analysis.m_rows) {
                    times.push_back(ReadTimeText(analysis.m_lines[i].cells[c]).nTime);
                }
                break;
            }
        }
    }
    if (times.empty()) {
        return;
    }
    const std::set<std::int32_t> distinct(times.begin(), times.end());
    const SSteps steps = StepsOf(analysis.m_dates);
    if (distinct.size() > 1 && steps.nSame > 0) {
        analysis.m_times = std::move(times);
        analysis.m_period = EPeriod::Intraday;
        return;
    }
    if (distinct.size() > 1) {
        analysis.Doubt(EDetectChoice::Time, EConfidence::Likely,
                       "The times of day differ from line to line, but each day has one bar: the bars were taken "
                       "as daily bars.");
    }
    analysis.m_timeColumn.reset(); // not needed to read daily bars; the date cells still carry theirs
}

// What a bar stands for: intraday bars by their most common step within a day; others by the
// days between them (a week or a month apart: weekly or monthly bars).
void ChoosePeriod(CLayoutAnalysis& analysis) {
    if (analysis.m_period == EPeriod::Intraday) {
        std::map<int, std::size_t> steps; // minutes -> how often
        std::size_t nSteps = 0;
        for (std::size_t i = 1; i < analysis.m_dates.size(); ++i) {
            if (analysis.m_dates[i] != analysis.m_dates[i - 1]) {
                continue;
            }
            const auto minutes = [](std::int32_t t) { return t / 10000 * 60 + t / 100 % 100; };
            const int nStep = std::abs(minutes(analysis.m_times[i]) - minutes(analysis.m_times[i - 1]));
            if (nStep > 0) {
                ++steps[nStep];
                ++nSteps;
            }
        }
        const auto most = std::max_element(steps.begin(), steps.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        if (most == steps.end()) {
            analysis.m_nInterval = 1;
            analysis.Doubt(EDetectChoice::Period, EConfidence::Unsure,
                           "No two bars of one day are apart by whole minutes: the interval of the intraday bars "
                           "cannot be told.");
            return;
        }
        analysis.m_nInterval = std::clamp(most->first, 1, 60);
        if (most->first > 60) {
            analysis.Doubt(EDetectChoice::Period, EConfidence::Unsure,
                           "The bars are mostly " + std::to_string(most->first) +
                               " minutes apart; intraday bars of 1 to 60 minutes can be stored.");
        } else if (most->second * 2 < nSteps) {
            analysis.Doubt(EDetectChoice::Period, EConfidence::Unsure,
                           "The bars of a day are apart by different steps; the most common, " +
                               std::to_string(most->first) + " minutes, was taken as the interval.");
        }
        return;
    }
    std::vector<long long> days;
    for (std::size_t i = 1; i < analysis.m_dates.size(); ++i) {
        days.push_back(std::llabs((DayOf(analysis.m_dates[i]) - DayOf(analysis.m_dates[i - 1])).count()));
    }
    // A few dates tell no period: an update of two or three bars stays daily unless told.
    if (days.size() < 3) {
        return;
    }
    std::vector<long long> sorted = days;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const long long nMedian = sorted[sorted.size() / 2];
    const auto share = [&](long long nLow, long long nHigh) {
        return static_cast<double>(std::count_if(days.begin(), days.end(),
                                                 [&](long long n) { return n >= nLow && n <= nHigh; })) /
               static_cast<double>(days.size());
    };
    if (nMedian >= 5 && nMedian <= 9) {
        analysis.m_period = EPeriod::Weekly;
        if (share(5, 9) < 0.9) {
            analysis.Doubt(EDetectChoice::Period, EConfidence::Likely,
                           "Most dates are a week apart: the bars were taken as weekly bars.");
        }
    } else if (nMedian >= 27 && nMedian <= 33) {
        analysis.m_period = EPeriod::Monthly;
        if (share(27, 33) < 0.9) {
            analysis.Doubt(EDetectChoice::Period, EConfidence::Likely,
                           "Most dates are a month apart: the bars were taken as monthly bars.");
        }
    }
}
