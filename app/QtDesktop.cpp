#include "app/QtDesktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

bool CQtDesktop::Open(const QString& strTarget) {
    const QUrl url(strTarget, QUrl::StrictMode);
    // Only a whole address with its scheme goes out; anything else would be guessed at.
    if (!url.isValid() || url.scheme().isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

void CQtDesktop::Beep() {
    QApplication::beep();
}
