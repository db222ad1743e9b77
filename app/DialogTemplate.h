// Dialog templates as tables: each control's id, kind, text and rectangle in dialog units,
// in tab order. BuildDialog creates the controls and places them from the dialog font's
// metrics as the original platform does, so a dialog looks as its template describes.
#pragma once

#include <QFont>
#include <QMap>
#include <QRect>
#include <QSize>

#include <functional>
#include <span>

class QDialog;
class QWidget;

enum class EControlKind {
    Label,          // left-aligned static text
    CentredLabel,   // centred static text
    Icon,           // static icon; the text names the icon resource
    GroupBox,
    PushButton,
    DefPushButton,
    CheckBox,
    RadioButton,
    Edit,
    UpDown,         // arrows attached to the right end of the edit just before it
    ComboBox,       // drop-down with editable text; the height includes the dropped list
    ListBox,
};

// Control styles the layout honours.
enum EControlStyle : unsigned {
    kTabStop = 1u << 0,
    kGroup = 1u << 1,       // starts a group: a new radio group, a new tab group
    kHidden = 1u << 2,
    kMultiLine = 1u << 3,   // text wraps on several lines (check boxes, labels)
    kDisabled = 1u << 4,
};

inline constexpr int kStaticId = -1;
// The buttons every dialog shares.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

struct SDialogControl {
    int nId;
    EControlKind eKind;
    const char* pszText;
    int x, y, cx, cy;  // dialog units
    unsigned nStyle;
};

struct SDialogTemplate {
    int nId;
    const char* pszCaption;
    int cx, cy;  // client area in dialog units
    const char* pszFontName;
    int nPointSize;
    std::span<const SDialogControl> controls;
};

// The dialog font's base units: the average width of the letters A to Z and a to z, rounded
// as the original platform rounds it, and the font's full character height.
QSize DialogBaseUnits(const QFont& font);
// Dialog units to pixels: x × width / 4, y × height / 8, each edge rounded on its own.
QRect DialogUnitsToPixels(const QRect& rect, const QSize& baseUnits);

// Makes a control of the template's kind; a factory may return its own widget for an id
// (a link label, an up-down of its own) or nullptr for the standard one.
using ControlFactory = std::function<QWidget*(const SDialogControl&, QWidget* pParent)>;

// Gives the dialog its caption and fixed size, creates every control in template order (which
// is the tab order), places it, groups radio buttons from each kGroup start, gives each label
// the next control as its buddy and lowers group boxes below the controls they frame.
// Returns the controls by id; static controls (kStaticId) are not in the map.
QMap<int, QWidget*> BuildDialog(QDialog& dialog, const SDialogTemplate& dialogTemplate,
                                const ControlFactory& factory = {});
