// The choices the last detection could not make for certain, in the Settings dialog's
// controls: each is shown unchosen and highlighted, its doubts as the tooltip, until the user
// makes it in one of its controls; the doubts are said under the Detect button, and the choices
// still to make are named when OK is refused. The dialog owns it beside its controls.
#pragma once

#include "engine/JobSettings.h"
#include "engine/LayoutDetector.h"

#include <QList>
#include <QObject>
#include <QScopedValueRollback>
#include <QString>

class QWidget;
namespace Ui {
class CSettingsDlg;
}

class CDetectionDoubts : public QObject {
    Q_OBJECT
public:
    // From now on a change the user makes to a control settles the choices it makes.
    explicit CDetectionDoubts(Ui::CSettingsDlg& ui);

    // Held while the dialog fills its controls itself: no change settles a choice.
    [[nodiscard]] QScopedValueRollback<bool> Filling();

    // A new detection (a failed one too): the controls of the choices unchosen so far show
    // their values again, and none is unchosen.
    void Reset(const SLayoutDetection& detection);
    // The controls hold guess, the settings the detection found: each choice it was unsure of
    // is shown unchosen, and the doubts are said under the Detect button.
    void ShowUnsure(const SImportSettings& guess);

    bool Unchosen(EDetectChoice choice) const;
    // Detection's guess in settings for each choice still unchosen: what the preview reads.
    void PutGuesses(SImportSettings& settings) const;
    // Why OK is refused while a choice is unchosen, naming each; empty when all are made.
    QString UnchosenText() const;
    // The control to make the first unchosen choice in; null when all are made.
    QWidget* FirstUnchosenControl() const;

signals:
    // The user made a choice that detection left unchosen or in doubt.
    void Settled();

private:
    // The controls of a choice: those that show it unchosen, and those whose change settles
    // it (these and, for a field, its check box; for the period, both its controls).
    QList<QWidget*> UnchosenControls(EDetectChoice choice) const;
    QList<QWidget*> SettlingControls(EDetectChoice choice) const;
    // The choice as the dialog names it ("Decimal point" or "Decimal comma").
    QString ChoiceName(EDetectChoice choice) const;
    // The user made a choice: its doubts are said no more, and the choices they left sure
    // show their values again (detection's guess where the user's pick did not set one).
    void Settle(EDetectChoice choice);
    // A control of a choice just made that still showed no value: detection's guess, as the
    // preview read it.
    void ShowGuess(QWidget* pControl);
    // A field's column box is open only while its check box is on.
    void EnableColumn(EDetectChoice choice);
    void ShowDoubts();

    Ui::CSettingsDlg& m_ui;
    bool m_bFilling = false;
    // The last detection, its doubts settled as the user makes the choices; the settings it
    // found; the choices it could not make for certain that the user has not made yet.
    SLayoutDetection m_detection;
    SImportSettings m_guess;
    QList<EDetectChoice> m_unchosen;
};
