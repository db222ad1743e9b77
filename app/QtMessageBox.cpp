#include "app/QtMessageBox.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>

EMessageAnswer CQtMessageBox::Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) {
    QWidget* pParent = QApplication::activeModalWidget();
    if (pParent == nullptr) {
        pParent = QApplication::activeWindow();
    }
    const bool bQuestion = buttons == EMessageButtons::YesNo;
    QMessageBox box(bQuestion                             ? QMessageBox::Question
                    : icon == EMessageIcon::Information ? QMessageBox::Information
                                                        : QMessageBox::Warning,
                    QStringLiteral("Pelmar"), QString::fromStdString(text),
                    bQuestion ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, pParent);
    // Paths and symbols may hold "<" or "&"; the text is shown as it stands.
    box.setTextFormat(Qt::PlainText);
    if (bQuestion) {
        // Escape answers No, the answer that changes nothing.
        box.setEscapeButton(QMessageBox::No);
    }
    // A short text would make a box too narrow for its caption and its window buttons.
    if (auto* pLayout = qobject_cast<QGridLayout*>(box.layout())) {
        const int nWidth = box.fontMetrics().averageCharWidth() * 55;
        pLayout->addItem(new QSpacerItem(nWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), pLayout->rowCount(), 0,
                         1, pLayout->columnCount());
    }
    const int nResult = box.exec();
    if (!bQuestion) {
        return EMessageAnswer::Ok;
    }
    return nResult == QMessageBox::Yes ? EMessageAnswer::Yes : EMessageAnswer::No;
}

void CQtMessageBox::Beep() {
    QApplication::beep();
}
