// The words that differ between the window program and the command line: how the user sets a
// setting (a control, "Reverse File Order", or an option, --reverse) and how a message with a
// title is laid out (a box of short lines, or one line on a terminal). The engine builds every
// message through the wording of the front end that runs it, so each says one text in its own
// terms.
#pragma once

#include <string>
#include <string_view>

// What a change whose symbol is taken already is refused with.
inline constexpr const char* kDuplicateSymbolText =
    "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already exists.\n\n"
    "Choose a different symbol or\nrename/delete the existing symbol";

enum class ESetting {
    Delimiter,
    DecimalMark,
    DateFormat,
    DateColumn,
    TimeColumn,
    SkipRows,
    SkipBadLines,
    Reverse,
    Period,
    Interval,
    Currency,
    KeepLast,
    MakeNew,
    AddNewBars,
    AddOrUpdate,
    Fields, // the columns of the fields and whether each is there
    Check,  // the report of a folder's inconsistencies
    Repair, // the repair of a folder
};

class CWording {
public:
    virtual ~CWording() = default;
    // The setting as the user sets it: "--reverse" or "\"Reverse File Order\"".
    virtual std::string Setting(ESetting setting) const = 0;
    // A message: title is the program's own sentence (lines broken for a box, as it has always
    // been shown), detail what follows it (its own lines kept).
    virtual std::string Message(std::string_view title, std::string_view detail = {}) const = 0;
    // Where the lines a run left out are listed: "listed above" or "listed on stderr".
    virtual std::string WhereSkippedLinesAre() const = 0;
};

// The settings dialog's controls, and boxes of lines.
const CWording& WindowWording();
// pelmar-cli's options, and one line for a title.
const CWording& CommandLineWording();
