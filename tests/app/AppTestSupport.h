// Helpers of the window tests: a configuration directory of their own for each test, a
// guard that answers any modal dialog, and whole-file helpers.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <functional>

// The class of a top-level window still shown, empty when none is: a case that leaves one
// open would block or confuse the next.
inline QString VisibleTopLevelWindow() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* pWidget : windows) {
        if (pWidget->isVisible()) {
            return QString::fromLatin1(pWidget->metaObject()->className());
        }
    }
    return QString();
}

// Restores the current directory, which a conversion leaves at its output directory.
class CCurrentDirGuard {
public:
    CCurrentDirGuard() : m_strOld(QDir::currentPath()) {}
    ~CCurrentDirGuard() { QDir::setCurrent(m_strOld); }
    CCurrentDirGuard(const CCurrentDirGuard&) = delete;
    CCurrentDirGuard& operator=(const CCurrentDirGuard&) = delete;

private:
    QString m_strOld;
};

// Points XDG_CONFIG_HOME at a fresh directory for the life of the object, so that no test
// reads or writes the user's settings; the settings store and the recent-file list look the
// variable up on every use.
class CTestConfig {
public:
    CTestConfig() : m_strOld(qgetenv("XDG_CONFIG_HOME")), m_bHadOld(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }
    ~CTestConfig() {
        if (m_bHadOld) {
            qputenv("XDG_CONFIG_HOME", m_strOld);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
    }
    CTestConfig(const CTestConfig&) = delete;
    CTestConfig& operator=(const CTestConfig&) = delete;

    QString Path() const { return m_dir.path(); }
    QString StoreFile() const { return m_dir.path() + QStringLiteral("/Veldrin Software/Pelmar.conf"); }
    QString RecentFile() const { return m_dir.path() + QStringLiteral("/Pelmar.INI"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_strOld;
    bool m_bHadOld;
};

// While it lives, answers every modal dialog that opens (the settings dialog after a
// preview, the About box) by handing it to onDialog, which by default rejects it. Counts them.
class CModalAnswerer {
public:
    explicit CModalAnswerer(std::function<void(QWidget*)> onDialog = {}) : m_onDialog(std::move(onDialog)) {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* pModal = QApplication::activeModalWidget();
            // Marked rather than remembered: a later dialog may get the same address.
            if (pModal == nullptr || pModal->property("pelmarAnswered").toBool()) {
                return;
            }
            pModal->setProperty("pelmarAnswered", true);
            ++m_nCount;
            if (m_onDialog) {
                m_onDialog(pModal);
            } else if (auto* pDialog = qobject_cast<QDialog*>(pModal)) {
                pDialog->reject();
            } else {
                pModal->close();
            }
        });
        m_timer.start();
    }
    int Count() const { return m_nCount; }

private:
    QTimer m_timer;
    std::function<void(QWidget*)> m_onDialog;
    int m_nCount = 0;
};

inline bool WriteBytes(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The preview's header for a file, as the log shows it (line breaks as "\n").
inline QString PreviewHeader(const QString& strPath) {
    return QStringLiteral("To help you with the conversion settings, your file...\n\n\t") + strPath +
           QStringLiteral("\n\nlooks like this...\n\n");
}
