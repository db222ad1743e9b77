// The options that describe how a price file is laid out, shared by convert and detect: their
// declaration, the layout they set over a default or a detected one, and the choices of
// detection they settle.
#pragma once

#include "engine/LayoutDetector.h"

#include <CLI/CLI.hpp>

#include <array>
#include <optional>
#include <string>

class CLayoutOptions {
public:
    // Declares the options on app.
    void Declare(CLI::App& app);
    // Sets in layout what the options given say; the rest stays.
    void Apply(SInputLayout& layout) const;
    // The detection choices the options given make.
    DetectChoices Settled() const;
    bool SymbolColumnGiven() const { return Given(m_pSymbolCol); }

private:
    static bool Given(const CLI::Option* pOption) { return pOption != nullptr && pOption->count() > 0; }

    std::string m_strDelimiter;
    std::string m_strDateFormat;
    std::string m_strCurrency;
    std::string m_strPeriod;
    int m_nSkipRows = 0;
    int m_nTimeCol = 0;
    int m_nSymbolCol = 0;
    int m_nInterval = 0;
    std::array<int, kFieldCount> m_fieldCols{};
    std::array<bool, kFieldCount> m_noField{};
    bool m_bDecimalComma = false;
    bool m_bDecimalPoint = false;
    bool m_bDateTime = false;
    bool m_bReverse = false;
    CLI::Option* m_pDelimiter = nullptr;
    CLI::Option* m_pDecimalComma = nullptr;
    CLI::Option* m_pDecimalPoint = nullptr;
    CLI::Option* m_pDateFormat = nullptr;
    CLI::Option* m_pDateTime = nullptr;
    CLI::Option* m_pSkipRows = nullptr;
    CLI::Option* m_pTimeCol = nullptr;
    CLI::Option* m_pSymbolCol = nullptr;
    CLI::Option* m_pCurrency = nullptr;
    CLI::Option* m_pPeriod = nullptr;
    CLI::Option* m_pInterval = nullptr;
    CLI::Option* m_pReverse = nullptr;
    std::array<CLI::Option*, kFieldCount> m_colOptions{};
    std::array<CLI::Option*, kFieldCount> m_noOptions{};
};
