#include "app/RunMessageBox.h"

#include <QCursor>
#include <QGuiApplication>

EMessageAnswer CRunMessageBox::Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    const EMessageAnswer answer = m_messages.Show(text, buttons, icon);
    QGuiApplication::restoreOverrideCursor();
    return answer;
}

void CRunMessageBox::Beep() {
    m_messages.Beep();
}
