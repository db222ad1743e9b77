// How a control shows a choice that is not made yet: a control of any kind (column box, radio
// button, list, check box, text box) emptied of its value and highlighted with the reason, and
// back to its own value and look once the choice is made. The Settings dialog's doubts use them.
#pragma once

#include <QString>

class QButtonGroup;
class QWidget;

// The style sheet that colours what SetHighlight highlights, for the dialog that holds them.
QString HighlightStyleSheet();

// What shows a control's choice as unchosen: a radio button's group box, else the control.
QWidget* HighlightOf(QWidget* pControl);

// Highlights pWidget (the dialog's style sheet colours it), its tooltip strWhy while on; the
// tooltip it had comes back when off.
void SetHighlight(QWidget* pWidget, bool bOn, const QString& strWhy);

// A control showing no value: "?" below a column box's range, no radio button of its group
// checked, no entry of a list, a check box neither on nor off, "?" in an empty text box.
void ShowNoValue(QWidget* pControl);

// Whether a control still shows no value (a text box's empty text is a value).
bool ShowsNoValue(const QWidget* pControl);

// The control back to its own range and look; its value stays, where it shows one (a check
// box neither on nor off is off).
void ShowValue(QWidget* pControl);

// Checks the button nId of pGroup; an id without a button checks none.
void CheckButton(QButtonGroup* pGroup, int nId);
