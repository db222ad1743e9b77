// Which value member of the Settings dialog goes with which setting and which control, for the
// dialog and its doubts: column boxes, check boxes, text boxes, the numbers of radio groups and
// lists, and the fields that can be switched off.
#pragma once

#include "app/SettingsDlg.h"
#include "engine/InputLayout.h"
#include "ui_SettingsDlg.h"

#include <utility>

// The dialog's controls as the form makes them.
using CUi = Ui::CSettingsDlg;

struct SSpinBinding {
    int CSettingsDlg::*pMember;
    long long SImportSettings::*pSetting;
    QSpinBox* CUi::*pSpin;
};
inline constexpr SSpinBinding kSpins[] = {
    {&CSettingsDlg::m_nDateCol, &SImportSettings::nDateCol, &CUi::dateColSpin},
    {&CSettingsDlg::m_nOpenCol, &SImportSettings::nOpenCol, &CUi::openColSpin},
    {&CSettingsDlg::m_nHiCol, &SImportSettings::nHiCol, &CUi::hiColSpin},
    {&CSettingsDlg::m_nLoCol, &SImportSettings::nLoCol, &CUi::loColSpin},
    {&CSettingsDlg::m_nCloCol, &SImportSettings::nCloCol, &CUi::cloColSpin},
    {&CSettingsDlg::m_nVolCol, &SImportSettings::nVolCol, &CUi::volColSpin},
    {&CSettingsDlg::m_nOICol, &SImportSettings::nOICol, &CUi::oiColSpin},
    {&CSettingsDlg::m_nSymbolCol, &SImportSettings::nSymbolCol, &CUi::symbolColSpin},
    {&CSettingsDlg::m_nTimeCol, &SImportSettings::nTimeCol, &CUi::timeColSpin},
    {&CSettingsDlg::m_nRowsToSkip, &SImportSettings::nRowsToSkip, &CUi::rowsToSkipSpin},
    {&CSettingsDlg::m_nInterval, &SImportSettings::nInterval, &CUi::intervalSpin},
};

struct SCheckBinding {
    bool CSettingsDlg::*pMember;
    long long SImportSettings::*pSetting;
    QCheckBox* CUi::*pCheck;
};
inline constexpr SCheckBinding kChecks[] = {
    {&CSettingsDlg::m_bHiOn, &SImportSettings::bHiOn, &CUi::highCheck},
    {&CSettingsDlg::m_bLoOn, &SImportSettings::bLoOn, &CUi::lowCheck},
    {&CSettingsDlg::m_bOIOn, &SImportSettings::bOIOn, &CUi::openIntCheck},
    {&CSettingsDlg::m_bOpenOn, &SImportSettings::bOpenOn, &CUi::openCheck},
    {&CSettingsDlg::m_bVolOn, &SImportSettings::bVolOn, &CUi::volumeCheck},
    {&CSettingsDlg::m_bSkipOn, &SImportSettings::bSkipOn, &CUi::skipRowsCheck},
    {&CSettingsDlg::m_bSkipBadLines, &SImportSettings::bSkipBadLines, &CUi::skipBadCheck},
    {&CSettingsDlg::m_bReverseOrder, &SImportSettings::bReverseOrder, &CUi::reverseCheck},
    {&CSettingsDlg::m_bDateTime, &SImportSettings::bDateTime, &CUi::dateTimeCheck},
    {&CSettingsDlg::m_bKeepLast, &SImportSettings::bKeepLast, &CUi::keepLastCheck},
};

struct STextBinding {
    QString CSettingsDlg::*pMember;
    std::string SImportSettings::*pSetting;
    QLineEdit* CUi::*pEdit;
};
inline constexpr STextBinding kTexts[] = {
    {&CSettingsDlg::m_strName, &SImportSettings::strName, &CUi::nameEdit},
    {&CSettingsDlg::m_strPathOut, &SImportSettings::strPathOut, &CUi::pathOutEdit},
    {&CSettingsDlg::m_strSymbol, &SImportSettings::strSymbol, &CUi::symbolEdit},
    {&CSettingsDlg::m_strCurrency, &SImportSettings::strCurrency, &CUi::currencyEdit},
};

// Members whose control is a group of radio buttons or a list: their number.
inline constexpr std::pair<int CSettingsDlg::*, long long SImportSettings::*> kNumbers[] = {
    {&CSettingsDlg::m_nExist, &SImportSettings::nExist},
    {&CSettingsDlg::m_nDelimiter, &SImportSettings::nDelimiter},
    {&CSettingsDlg::m_nPeriod, &SImportSettings::nPeriod},
};

// The fields that can be switched off, with their check box and column box.
struct SOptionalField {
    EDetectChoice choice;
    QCheckBox* CUi::*pCheck;
    QSpinBox* CUi::*pSpin;
    long long SImportSettings::*pOn;
    long long SImportSettings::*pCol;
};
inline constexpr SOptionalField kOptionalFields[] = {
    {EDetectChoice::Open, &CUi::openCheck, &CUi::openColSpin, &SImportSettings::bOpenOn, &SImportSettings::nOpenCol},
    {EDetectChoice::High, &CUi::highCheck, &CUi::hiColSpin, &SImportSettings::bHiOn, &SImportSettings::nHiCol},
    {EDetectChoice::Low, &CUi::lowCheck, &CUi::loColSpin, &SImportSettings::bLoOn, &SImportSettings::nLoCol},
    {EDetectChoice::Volume, &CUi::volumeCheck, &CUi::volColSpin, &SImportSettings::bVolOn, &SImportSettings::nVolCol},
    {EDetectChoice::OpenInterest, &CUi::openIntCheck, &CUi::oiColSpin, &SImportSettings::bOIOn,
     &SImportSettings::nOICol},
};

// The field of a choice that can be switched off; null for any other choice.
inline const SOptionalField* OptionalField(EDetectChoice choice) {
    for (const SOptionalField& field : kOptionalFields) {
        if (field.choice == choice) {
            return &field;
        }
    }
    return nullptr;
}
