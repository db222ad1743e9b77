// The About box's template (dialog 100) and the texts that belong to the program's author.
#pragma once

#include "app/DialogTemplate.h"

#include <cstddef>
#include <string_view>

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDC_LEGAL_TEXT = 1004;
inline constexpr int IDC_MAIL_LINK = 1022;
inline constexpr int IDC_WEB_LINK = 1023;

inline constexpr char kAuthorMailAddress[] = "pelmar@example.org";
inline constexpr char kAuthorWebAddress[] = "http://www.example.org/pelmar/";

// The length of the user part of a mail address, up to its "@".
constexpr std::size_t MailUserLength(const char* pszAddress) {
    std::size_t nLength = 0;
    while (pszAddress[nLength] != '\0' && pszAddress[nLength] != '@') {
        ++nLength;
    }
    return nLength;
}

// What a link's target must hold to be the author's mail address: its user part and "@".
inline constexpr std::string_view kAuthorMailMarker(kAuthorMailAddress, MailUserLength(kAuthorMailAddress) + 1);
static_assert(kAuthorMailMarker.back() == '@');

// The legal notice's opening paragraph; the trademark notices follow it. One short line, so
// that the whole notice fits its static.
inline constexpr char kLegalProtection[] = "Protected by copyright law.\n\n";

extern const SDialogTemplate kAboutDlgTemplate;
