#include "app/RenameDlg.h"

#include "engine/JobSettings.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "ui_RenameDlg.h"

CRenameDlg::CRenameDlg(CMessageBox& messages, const QString& strSymbol, const QString& strName, QWidget* pParent)
    : QDialog(pParent), m_pUi(std::make_unique<Ui::CRenameDlg>()), m_messages(messages) {
    m_pUi->setupUi(this);
    setWindowTitle(tr("Rename %1").arg(strSymbol));
    m_pUi->nameEdit->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    m_pUi->symbolEdit->setMaxLength(static_cast<int>(kMaxSymbolChars));
    m_pUi->nameEdit->setMaxLength(static_cast<int>(kMaxNameChars));
    m_pUi->symbolEdit->setText(strSymbol);
    m_pUi->nameEdit->setText(strName);
    m_pUi->symbolEdit->selectAll();
}

CRenameDlg::~CRenameDlg() = default;

void CRenameDlg::accept() {
    std::string strProblem;
    const auto symbol = CleanSymbol(m_pUi->symbolEdit->text().toStdString(), strProblem);
    const auto refuseSymbol = [this] {
        m_pUi->symbolEdit->setFocus(Qt::OtherFocusReason);
        m_pUi->symbolEdit->selectAll();
    };
    if (!symbol) {
        m_messages.Show(strProblem);
        refuseSymbol();
        return;
    }
    const auto name = Utf8ToWindows1252(m_pUi->nameEdit->text().toStdString());
    if (!name || name->size() > kMaxNameChars) {
        m_messages.Show(tr("The name can hold at most %1 letters, digits and signs of the Windows-1252 character set.")
                            .arg(kMaxNameChars)
                            .toStdString());
        m_pUi->nameEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_strSymbol = QString::fromStdString(*symbol);
    m_strName = m_pUi->nameEdit->text();
    // The symbol is what a refused rename is about.
    if (m_fnApply && !m_fnApply(m_strSymbol, m_strName)) {
        refuseSymbol();
        return;
    }
    QDialog::accept();
}
