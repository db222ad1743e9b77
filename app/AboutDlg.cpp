#include "app/AboutDlg.h"

#include "app/PelmarApp.h"
#include "app/Resource.h"
#include "resources/AboutDlgTemplate.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent), m_strLegal(LegalText()) {
    InitPelmarResources();
    const QMap<int, QWidget*> controls =
        BuildDialog(*this, kAboutDlgTemplate, [this](const SDialogControl& control, QWidget* pDialog) -> QWidget* {
            CStaticLink* pLink = control.nId == IDC_MAIL_LINK  ? &m_linkMail
                                 : control.nId == IDC_WEB_LINK ? &m_linkWeb
                                                               : nullptr;
            if (pLink == nullptr) {
                return nullptr;
            }
            pLink->setParent(pDialog);
            pLink->setText(QString::fromUtf8(control.pszText));
            pLink->setTextFormat(Qt::PlainText);
            pLink->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            pLink->setWordWrap(true);
            return pLink;
        });
    m_pLegalText = qobject_cast<QLabel*>(controls.value(IDC_LEGAL_TEXT));
    m_pOk = qobject_cast<QPushButton*>(controls.value(IDOK));
    if (m_pOk != nullptr) {
        connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    }
    OnInitDialog();
}

QString CAboutDlg::LegalText() {
    return QString::fromUtf8(kLegalProtection) +
           QStringLiteral("MetaStock is a\nregistered trademark of\nEQUIS International Inc.") +
           QStringLiteral("  CompuTrac is a\nregistered trademark of\nDow Jones Telerate");
}

void CAboutDlg::OnInitDialog() {
    if (CPelmarApp* pApp = CPelmarApp::Instance()) {
        m_linkMail.m_pbVisited = &pApp->m_bMailLinkVisited;
        m_linkWeb.m_pbVisited = &pApp->m_bWebLinkVisited;
    }
    DoDataExchange();
    // The default button starts with the focus, so Enter closes the box.
    if (m_pOk != nullptr) {
        m_pOk->setFocus();
    }
}

void CAboutDlg::DoDataExchange() {
    if (m_pLegalText != nullptr) {
        m_pLegalText->setTextFormat(Qt::PlainText);
        m_pLegalText->setText(m_strLegal);
    }
}
