#include "app/AboutDlg.h"

#include "ui_AboutDlg.h"

CAboutDlg::CAboutDlg(bool& bMailVisited, bool& bWebVisited, QWidget* pParent)
    : QDialog(pParent), m_pUi(std::make_unique<Ui::CAboutDlg>()) {
    // Each notice a paragraph of its own, wrapped by the label.
    m_strLegal = tr("Protected by copyright law.\n\n") +
                 QStringLiteral("MetaStock is a registered trademark of EQUIS International Inc.\n\n") +
                 QStringLiteral("CompuTrac is a registered trademark of Dow Jones Telerate");
    Ui::CAboutDlg& ui = *m_pUi;
    ui.setupUi(this);
    // What Pelmar does in two full lines; each notice then wraps into two lines as well.
    const int nTextWidth =
        fontMetrics().horizontalAdvance(ui.doesLabel->text()) / 2 + fontMetrics().averageCharWidth() * 4;
    ui.doesLabel->setMinimumWidth(nTextWidth);
    ui.legalText->setMinimumWidth(nTextWidth);
    ui.versionLabel->setText(ui.versionLabel->text().arg(QStringLiteral(PELMAR_VERSION)));
    ui.legalText->setText(m_strLegal);
    ui.m_linkMail->m_strLink = QStringLiteral("mailto:") + ui.m_linkMail->text();
    ui.m_linkMail->m_pbVisited = &bMailVisited;
    ui.m_linkWeb->m_pbVisited = &bWebVisited;
    ui.okButton->setFocus(Qt::OtherFocusReason);
}

CAboutDlg::~CAboutDlg() = default;
