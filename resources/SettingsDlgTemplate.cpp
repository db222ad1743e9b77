#include "resources/SettingsDlgTemplate.h"

namespace {

using enum EControlKind;

// In template order, which is the tab order. Positions and sizes in dialog units.
constexpr SDialogControl kControls[] = {
    {IDOK, DefPushButton, "OK", 230, 210, 50, 14, kTabStop},
    {IDCANCEL, PushButton, "Cancel", 285, 210, 50, 14, kTabStop},
    {IDC_DATE_COL, Edit, nullptr, 15, 30, 30, 15, kTabStop},
    {IDC_DATE_SPIN, UpDown, nullptr, 45, 30, 9, 15, 0},
    {IDC_OPEN_ON, CheckBox, "Open", 60, 20, 35, 10, kTabStop},
    {IDC_OPEN_COL, Edit, nullptr, 60, 30, 30, 15, kTabStop},
    {IDC_OPEN_SPIN, UpDown, nullptr, 90, 30, 9, 15, 0},
    {IDC_HI_ON, CheckBox, "High", 105, 20, 35, 10, kTabStop},
    {IDC_HI_COL, Edit, nullptr, 105, 30, 30, 15, kTabStop},
    {IDC_HI_SPIN, UpDown, nullptr, 135, 30, 9, 15, 0},
    {IDC_LO_ON, CheckBox, "Low", 150, 20, 35, 10, kTabStop},
    {IDC_LO_COL, Edit, nullptr, 150, 30, 30, 15, kTabStop},
    {IDC_LO_SPIN, UpDown, nullptr, 180, 30, 9, 15, 0},
    {IDC_CLO_COL, Edit, nullptr, 195, 30, 30, 15, kTabStop},
    {IDC_CLO_SPIN, UpDown, nullptr, 225, 30, 9, 15, 0},
    {IDC_VOL_ON, CheckBox, "Volume", 240, 20, 35, 10, kTabStop},
    {IDC_VOL_COL, Edit, nullptr, 240, 30, 30, 15, kTabStop},
    {IDC_VOL_SPIN, UpDown, nullptr, 270, 30, 9, 15, 0},
    {IDC_OI_ON, CheckBox, "Open Int", 285, 20, 45, 10, kTabStop},
    {IDC_OI_COL, Edit, nullptr, 285, 30, 30, 15, kTabStop},
    {IDC_OI_SPIN, UpDown, nullptr, 315, 30, 9, 15, 0},
    {IDC_COMMA, RadioButton, "Comma", 15, 85, 35, 10, kGroup},
    {IDC_TAB, RadioButton, "Tab", 59, 85, 25, 10, 0},
    {IDC_SPACE, RadioButton, "Space", 89, 85, 36, 10, 0},
    {IDC_DATE_FORMAT, ComboBox, nullptr, 140, 80, 75, 80, kGroup | kTabStop},
    {IDC_SKIP_ON, CheckBox, "Skip Rows", 230, 69, 50, 10, kTabStop},
    {IDC_ROWS_TO_SKIP, Edit, nullptr, 230, 79, 30, 15, kTabStop},
    {IDC_ROWS_SPIN, UpDown, nullptr, 260, 79, 11, 15, 0},
    {IDC_PATH_OUT, Edit, nullptr, 15, 130, 240, 15, kTabStop},
    {IDC_BROWSE, PushButton, "Browse...", 260, 130, 65, 15, kTabStop},
    {IDC_EXIST_MASTER, RadioButton, "Use Existing Master", 15, 185, 75, 10, kGroup},
    {IDC_NEW_MASTER, RadioButton, "Make New Master", 100, 185, 75, 10, 0},
    {IDC_SYMBOL, Edit, nullptr, 190, 180, 65, 15, kGroup | kTabStop},
    {IDC_NAME, Edit, nullptr, 260, 180, 65, 15, kTabStop},
    {kStaticId, Label, "Which Column Delimiter Character?", 15, 70, 125, 8, 0},
    {kStaticId, GroupBox, "Output File: Path to Output Files", 5, 105, 330, 45, 0},
    {kStaticId, Label, "Directory Path", 15, 120, 80, 10, 0},
    {kStaticId, Label, "Symbol", 190, 170, 30, 10, 0},
    {kStaticId, Label, "Name", 260, 170, 30, 10, 0},
    {kStaticId, Label, "Date", 15, 20, 20, 8, 0},
    {kStaticId, GroupBox, "Input File: Supported Fields and Column Assignments", 5, 5, 330, 45, 0},
    {kStaticId, Label, "Date Format", 140, 70, 50, 8, 0},
    {kStaticId, GroupBox, "Input File: Detail Settings", 5, 55, 330, 45, 0},
    {kStaticId, GroupBox, "Output File: Detail Settings", 5, 155, 330, 45, 0},
    {kStaticId, Label, "How to use a Master File in this Directory?", 15, 170, 135, 8, 0},
    {kStaticId, Label, "Close", 195, 20, 18, 8, 0},
    {IDC_REVERSE, CheckBox, "Reverse File Order", 285, 72, 45, 20, kMultiLine | kTabStop},
    {IDC_PATH_IN, Edit, nullptr, 40, 210, 105, 15, kHidden | kTabStop},
};

}  // namespace

const SDialogTemplate kSettingsDlgTemplate = {
    IDD_SETTINGS, "Conversion Settings", 342, 231, "MS Sans Serif", 8, kControls,
};
