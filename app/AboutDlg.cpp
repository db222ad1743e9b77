#include "app/AboutDlg.h"

#include "app/PelmarApp.h"
#include "ui_AboutDlg.h"

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent), m_pUi(std::make_unique<Ui::CAboutDlg>()) {
    m_strLegal = tr("Protected by copyright law.\n\n") +
                 QStringLiteral("MetaStock is a\nregistered trademark of\nEQUIS International Inc.") +
                 QStringLiteral("  CompuTrac is a\nregistered trademark of\nDow Jones Telerate");
    Ui::CAboutDlg& ui = *m_pUi;
    ui.setupUi(this);
    ui.versionLabel->setText(ui.versionLabel->text().arg(QStringLiteral(PELMAR_VERSION)));
    ui.legalText->setText(m_strLegal);
    ui.m_linkMail->m_strLink = QStringLiteral("mailto:") + ui.m_linkMail->text();
    if (CPelmarApp* pApp = CPelmarApp::Instance()) {
        ui.m_linkMail->m_pbVisited = &pApp->m_bMailLinkVisited;
        ui.m_linkWeb->m_pbVisited = &pApp->m_bWebLinkVisited;
    }
    ui.okButton->setFocus(Qt::OtherFocusReason);
}

CAboutDlg::~CAboutDlg() = default;
