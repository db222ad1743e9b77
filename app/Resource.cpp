#include "app/Resource.h"

#include <QtGlobal>

namespace {

struct SStringEntry {
    int nId;
    const char* pszText;
};

constexpr SStringEntry kStrings[] = {
    {AFX_IDS_APP_TITLE, "Pelmar"},
    {AFX_IDS_IDLEMESSAGE, "For Help, press F1"},
    {AFX_IDS_HELPMODEMESSAGE, "Select an object on which to get Help"},
    {ID_FILE_SETTINGS, "File conversion settings\nSettings"},
    {ID_VIEW_CLEARWINDOW, "Clear Window\nClear Window"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {ID_HELP_FINDER, "List Help topics\nHelp Topics"},
    {ID_CONTEXT_HELP, "Display help for clicked on buttons, menus and windows\nHelp"},
    {ID_HELP, "Display help for current task or command\nHelp"},
    // Commands the program reaches through keys alone.
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
    {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
    {ID_EDIT_UNDO, "Undo the last action\nUndo"},
    {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
    {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},
};

} // namespace

void InitPelmarResources() {
    // The images are compiled into the static app library, which the linker would otherwise
    // leave out since nothing names them.
    static const bool bDone = [] {
        Q_INIT_RESOURCE(pelmar);
        return true;
    }();
    static_cast<void>(bDone);
}

QString LoadResourceString(int nId) {
    if (nId >= ID_FILE_MRU_FILE1 && nId <= ID_FILE_MRU_FILE16) {
        return QStringLiteral("Open this document");
    }
    for (const SStringEntry& entry : kStrings) {
        if (entry.nId == nId) {
            return QString::fromUtf8(entry.pszText);
        }
    }
    return {};
}

QString StatusPrompt(int nId) {
    const QString text = LoadResourceString(nId);
    return text.left(text.indexOf(QLatin1Char('\n')));
}

QString ToolTipPrompt(int nId) {
    const QString text = LoadResourceString(nId);
    const qsizetype nBreak = text.indexOf(QLatin1Char('\n'));
    return nBreak < 0 ? QString() : text.mid(nBreak + 1);
}
