#include "app/RunMessageBox.h"

#include "app/PelmarView.h"

#include <QGuiApplication>

EMessageAnswer CRunMessageBox::Show(const std::string& text, EMessageButtons buttons, EMessageIcon icon) {
    m_texts.append(QString::fromStdString(text));
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const EMessageAnswer answer = m_messages.Show(text, buttons, icon);
    QGuiApplication::restoreOverrideCursor();
    return answer;
}

void CRunMessageBox::Notice(const std::string& text) {
    m_log.AppendText(QLatin1Char('\n') + QString::fromStdString(text));
    // The run holds the event loop; the line shows at once all the same.
    m_log.viewport()->repaint();
}

void CRunMessageBox::Beep() {
    m_messages.Beep();
}
