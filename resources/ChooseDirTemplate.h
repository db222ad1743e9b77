// Dialog template 132, the "Choose Directory" chooser, and the ids of its controls. The
// hidden controls stand where the older file dialog expects them; the chooser keeps them so
// that the template reads as it always has.
#pragma once

#include "app/DialogTemplate.h"

inline constexpr int IDD_CHOOSE_DIR = 132;

inline constexpr int IDC_DIR_NAME = 101;
inline constexpr int IDC_FILE_NAME_LABEL = 1090;
inline constexpr int IDC_FILE_NAME = 1152;
inline constexpr int IDC_FILE_LIST = 1120;
inline constexpr int IDC_CURRENT_DIR = 1088;
inline constexpr int IDC_DIR_LIST = 1121;
inline constexpr int IDC_FILE_TYPE_LABEL = 1089;
inline constexpr int IDC_FILE_TYPE = 1136;
inline constexpr int IDC_DRIVES_LABEL = 1091;
inline constexpr int IDC_DRIVES = 1137;
inline constexpr int IDC_CHOOSER_HELP = 1038;
inline constexpr int IDC_READ_ONLY = 1040;

extern const SDialogTemplate kChooseDirTemplate;
