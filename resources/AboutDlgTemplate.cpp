#include "resources/AboutDlgTemplate.h"

#include "app/Resource.h"

namespace {

constexpr SDialogControl kControls[] = {
    {IDOK, EControlKind::DefPushButton, "OK", 175, 140, 55, 14, kTabStop | kGroup},
    {kStaticId, EControlKind::Icon, kMainIconResource, 190, 110, 20, 20, 0},
    {kStaticId, EControlKind::CentredLabel, "Pelmar Version 1.7", 160, 15, 75, 8, 0},
    {kStaticId, EControlKind::CentredLabel, "\xC2\xA9 Veldrin Software", 155, 25, 85, 8, 0},
    {kStaticId, EControlKind::GroupBox, "Legal Stuff", 10, 65, 128, 92, 0},
    {IDC_LEGAL_TEXT, EControlKind::CentredLabel, "", 18, 81, 112, 72, 0},
    {kStaticId, EControlKind::GroupBox, "What Pelmar Does", 10, 5, 128, 52, 0},
    {kStaticId, EControlKind::CentredLabel,
     "Converts historical financial data in ASCII form to data in MetaStock or CompuTrac format", 22, 20, 100, 32, 0},
    {kStaticId, EControlKind::CentredLabel, "Written by\nthe Veldrin\nSoftware team", 165, 40, 64, 25, 0},
    {IDC_MAIL_LINK, EControlKind::CentredLabel, kAuthorMailAddress, 150, 75, 100, 10, 0},
    {IDC_WEB_LINK, EControlKind::CentredLabel, kAuthorWebAddress, 140, 90, 120, 10, 0},
};

} // namespace

const SDialogTemplate kAboutDlgTemplate = {IDD_ABOUTBOX, "About Pelmar", 262, 167, "MS Sans Serif", 8, kControls};
