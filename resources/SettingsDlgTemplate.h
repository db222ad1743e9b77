// Dialog template 130, the "Conversion Settings" dialog, and the ids of its controls.
#pragma once

#include "app/DialogTemplate.h"

inline constexpr int IDD_SETTINGS = 130;

inline constexpr int IDC_DATE_COL = 1004;
inline constexpr int IDC_DATE_SPIN = 1005;
inline constexpr int IDC_OPEN_ON = 1009;
inline constexpr int IDC_OPEN_COL = 1010;
inline constexpr int IDC_OPEN_SPIN = 1011;
inline constexpr int IDC_HI_ON = 1012;
inline constexpr int IDC_HI_COL = 1013;
inline constexpr int IDC_HI_SPIN = 1014;
inline constexpr int IDC_LO_ON = 1015;
inline constexpr int IDC_LO_COL = 1016;
inline constexpr int IDC_LO_SPIN = 1017;
inline constexpr int IDC_CLO_COL = 1019;
inline constexpr int IDC_CLO_SPIN = 1020;
inline constexpr int IDC_VOL_ON = 1021;
inline constexpr int IDC_VOL_COL = 1022;
inline constexpr int IDC_VOL_SPIN = 1023;
inline constexpr int IDC_OI_ON = 1024;
inline constexpr int IDC_OI_COL = 1025;
inline constexpr int IDC_OI_SPIN = 1026;
inline constexpr int IDC_PATH_OUT = 1027;
inline constexpr int IDC_EXIST_MASTER = 1028;
inline constexpr int IDC_NEW_MASTER = 1029;
inline constexpr int IDC_BROWSE = 1030;
inline constexpr int IDC_SYMBOL = 1031;
inline constexpr int IDC_NAME = 1032;
inline constexpr int IDC_ROWS_TO_SKIP = 1033;
inline constexpr int IDC_ROWS_SPIN = 1034;
inline constexpr int IDC_SKIP_ON = 1035;
inline constexpr int IDC_COMMA = 1036;
inline constexpr int IDC_TAB = 1037;
inline constexpr int IDC_SPACE = 1038;
inline constexpr int IDC_DATE_FORMAT = 1039;
inline constexpr int IDC_REVERSE = 1040;
inline constexpr int IDC_PATH_IN = 1042;

extern const SDialogTemplate kSettingsDlgTemplate;
