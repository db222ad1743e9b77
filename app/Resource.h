// The window program's command ids and string table. A command's prompt text holds its
// status-bar prompt and, after a line break, its tooltip; the main frame builds its actions
// from these, so menu, toolbar and status bar always say the same thing.
#pragma once

#include <QString>

inline constexpr int IDR_MAINFRAME = 128;

// Commands.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_FILE_MRU_FILE16 = 57631;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP_FINDER = 57667;
inline constexpr int ID_CONTEXT_HELP = 57669;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_DEFAULT_HELP = 57671;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_FILE_SETTINGS = 32771;
inline constexpr int ID_VIEW_CLEARWINDOW = 32774;

// Strings that are no command prompts.
inline constexpr int AFX_IDS_APP_TITLE = 57344;
inline constexpr int AFX_IDS_IDLEMESSAGE = 57345;
inline constexpr int AFX_IDS_HELPMODEMESSAGE = 57346;

// The main icon, also shown by the About box.
inline constexpr char kMainIconResource[] = ":/resources/Pelmar.png";

// Makes the program's images (":/resources/...") available; the application object and the
// main frame call it, anything else that shows them before either exists calls it first.
void InitPelmarResources();

// The text of string id; empty for an id the table does not hold.
QString LoadResourceString(int nId);
// The parts of a command's prompt text: before the line break the status-bar prompt, after
// it the tooltip (empty when the prompt has none).
QString StatusPrompt(int nId);
QString ToolTipPrompt(int nId);
