#include "app/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

EMessageAnswer CQtMessageBox::Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) {
    QWidget* pParent = QApplication::activeModalWidget();
    if (pParent == nullptr) {
        pParent = QApplication::activeWindow();
    }
    QMessageBox box(icon == EMessageIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon,
                    QStringLiteral("Pelmar"), QString::fromStdString(text), QMessageBox::Ok, pParent);
    // Paths and symbols may hold "<" or "&"; the text is shown as it stands.
    box.setTextFormat(Qt::PlainText);
    if (buttons == EMessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Escape answers No, the answer that changes nothing.
        box.setEscapeButton(QMessageBox::No);
    }
    const int nResult = box.exec();
    if (buttons == EMessageButtons::Ok) {
        return EMessageAnswer::Ok;
    }
    return nResult == QMessageBox::Yes ? EMessageAnswer::Yes : EMessageAnswer::No;
}

void CQtMessageBox::Beep() {
    QApplication::beep();
}
