#include "resources/ChooseDirTemplate.h"

namespace {

using enum EControlKind;

constexpr int kOk = 1;
constexpr int kCancel = 2;

// In template order, which is the tab order. Positions and sizes in dialog units; the dialog
// is 200 wide, so controls at x 201 or below y 134 lie outside it.
constexpr SDialogControl kControls[] = {
    {IDC_FILE_NAME_LABEL, Label, "File &Name:", 201, 0, 76, 10, kHidden},
    {IDC_FILE_NAME, Edit, nullptr, 201, 10, 90, 12, kHidden | kTabStop},
    {IDC_FILE_LIST, ListBox, nullptr, 201, 26, 90, 68, kHidden | kTabStop},
    {kStaticId, Label, "&Directories:", 63, 156, 92, 9, 0},
    {kStaticId, Label, "Directory &name:", 7, 4, 92, 9, 0},
    {IDC_DIR_NAME, Edit, nullptr, 7, 16, 118, 12, kTabStop},
    {IDC_CURRENT_DIR, Label, nullptr, 201, 156, 92, 9, kHidden},
    {IDC_DIR_LIST, ListBox, nullptr, 7, 32, 118, 67, kTabStop},
    {IDC_FILE_TYPE_LABEL, Label, "List Files of &Type:", 201, 98, 90, 9, kHidden},
    {IDC_FILE_TYPE, ComboBox, nullptr, 201, 108, 90, 36, kHidden | kTabStop},
    {IDC_DRIVES_LABEL, Label, "Dri&ves:", 7, 103, 92, 9, 0},
    {IDC_DRIVES, ComboBox, nullptr, 7, 113, 118, 68, kTabStop},
    {kOk, DefPushButton, "OK", 140, 5, 50, 14, kTabStop},
    {kCancel, PushButton, "Cancel", 140, 25, 50, 14, kTabStop},
    {IDC_CHOOSER_HELP, PushButton, "&Help", 201, 45, 50, 14, kDisabled | kTabStop},
    {IDC_READ_ONLY, CheckBox, "&Read Only", 201, 67, 50, 12, kHidden | kTabStop},
};

}  // namespace

const SDialogTemplate kChooseDirTemplate = {
    IDD_CHOOSE_DIR, "Choose Directory", 200, 134, "Helv", 8, kControls,
};
