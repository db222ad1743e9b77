// The About box: what the program does, its version, the legal notice and two links to the
// author (mail and web page). Made afresh each time it is shown; the links' visited states
// live in the application object, so they last for the run.
#pragma once

#include "app/StaticLink.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    // The protection paragraph followed by the trademark notices.
    static QString LegalText();

    CStaticLink m_linkMail;
    CStaticLink m_linkWeb;
    QString m_strLegal;

private:
    // Points the links at the application's visited flags and shows the legal text.
    void OnInitDialog();
    void DoDataExchange();

    QLabel* m_pLegalText = nullptr;
    QPushButton* m_pOk = nullptr;
};
