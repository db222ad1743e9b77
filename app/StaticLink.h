// A static text made a hyperlink: underlined in the unvisited or the visited colour, a
// pointing hand over it, and a click (or Enter when it has the focus) hands its target to the
// desktop. Whether it was visited lives in a flag that its owner keeps (m_pbVisited), so the
// colour outlives the control; the About box points it at the application's flags.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

class CStaticLink : public QLabel {
    Q_OBJECT
public:
    explicit CStaticLink(QWidget* pParent = nullptr);

    // Opens the target; a target the desktop cannot open beeps and leaves the link unvisited.
    void OnClicked();

    QColor m_colorUnvisited{0, 0, 255};
    QColor m_colorVisited{128, 0, 128};
    // Owned elsewhere; set once the target has been opened. Without one the link stays
    // unvisited.
    bool* m_pbVisited = nullptr;
    // The target handed to the desktop; the shown text when empty at the first click.
    QString m_strLink;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    // Shows the text as a link in the colour of its state.
    void Render();

    QString m_strText;
};
