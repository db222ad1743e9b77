// The About box: what the program does, its version, the legal notice and two links to the
// author (mail and web page). Made afresh each time it is shown; the links' visited states
// are flags its owner keeps (the application object's), so they last for the run.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CAboutDlg;
}

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // bMailVisited, bWebVisited: whether each link has been opened; set when it is.
    CAboutDlg(bool& bMailVisited, bool& bWebVisited, QWidget* pParent = nullptr);
    ~CAboutDlg() override;

    // The protection paragraph followed by the trademark notices.
    QString m_strLegal;

private:
    std::unique_ptr<Ui::CAboutDlg> m_pUi;
};
