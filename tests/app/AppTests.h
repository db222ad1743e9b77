// What the window tests share: the runners of the test classes (main.cpp runs them all), a
// guard that answers every modal dialog so that no test waits on one, and small helpers.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

int RunSettingsDlgTests(int argc, char** argv);
int RunChooseDirTests(int argc, char** argv);
int RunMainWindowTests(int argc, char** argv);
int RunDatabaseWindowTests(int argc, char** argv);

// Answers each modal dialog that opens, in turn, with the next handler (a dialog beyond them
// is rejected). A dialog still open a second after its handler ran is rejected as stuck.
class CModalAnswerer {
public:
    using FHandler = std::function<void(QDialog&)>;
    explicit CModalAnswerer(QList<FHandler> handlers = {}) : m_handlers(std::move(handlers)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(10);
    }
    int Count() const { return m_nCount; }
    int Stuck() const { return m_nStuck; }

private:
    void Poll() {
        auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (pDialog == nullptr) {
            return;
        }
        // Marked rather than remembered: a later dialog may get the same address.
        const int nSeen = pDialog->property("pelmarTicks").toInt();
        pDialog->setProperty("pelmarTicks", nSeen + 1);
        if (nSeen == 0) {
            const FHandler handler = m_nCount < m_handlers.size() ? m_handlers[m_nCount] : FHandler();
            ++m_nCount;
            handler ? handler(*pDialog) : pDialog->reject();
        } else if (nSeen == 100) {
            ++m_nStuck;
            pDialog->reject();
        }
    }

    QTimer m_timer;
    QList<FHandler> m_handlers;
    int m_nCount = 0;
    int m_nStuck = 0;
};

// Sets controls of root by object name: "name=value" (a check box or radio button takes 1 or 0,
// a list that cannot be typed into the text of an entry).
inline void SetControls(QWidget& root, const QStringList& assignments) {
    for (const QString& assignment : assignments) {
        const QString value = assignment.section(u'=', 1);
        QWidget* pControl = root.findChild<QWidget*>(assignment.section(u'=', 0, 0));
        QVERIFY2(pControl != nullptr, qPrintable(assignment));
        if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
            pEdit->setText(value);
        } else if (auto* pSpin = qobject_cast<QSpinBox*>(pControl)) {
            pSpin->setValue(value.toInt());
        } else if (auto* pCombo = qobject_cast<QComboBox*>(pControl)) {
            pCombo->isEditable() ? pCombo->setEditText(value) : pCombo->setCurrentText(value);
        } else if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) {
            pButton->setChecked(value == QLatin1String("1"));
        }
    }
}

// The value of a control as SetControls takes it; "?" for a column box or a check box that
// shows no value.
inline QString ControlValue(QWidget& root, const QString& strName) {
    QWidget* pControl = root.findChild<QWidget*>(strName);
    if (auto* pSpin = qobject_cast<QSpinBox*>(pControl)) {
        return pSpin->value() == pSpin->minimum() && pSpin->specialValueText() == QLatin1String("?")
                   ? QStringLiteral("?")
                   : QString::number(pSpin->value());
    }
    if (auto* pCheck = qobject_cast<QCheckBox*>(pControl); pCheck && pCheck->checkState() == Qt::PartiallyChecked) {
        return QStringLiteral("?");
    }
    if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) {
        return pButton->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    // A line edit's or a combo box's text.
    return pControl->property(qobject_cast<QComboBox*>(pControl) ? "currentText" : "text").toString();
}

// The names of root's widgets highlighted as a choice still to make, sorted.
inline QStringList Highlighted(QWidget& root) {
    QStringList names;
    for (const QWidget* pWidget : root.findChildren<QWidget*>()) {
        if (pWidget->property("unchosen").toBool()) {
            names << pWidget->objectName();
        }
    }
    names.sort();
    return names;
}

// A table as shown, a row a text: its header's text and ":" where it has one, the cells of the
// shown columns joined by "|" (a cell with a tooltip in brackets), then " ~ " and the tooltips.
inline QStringList TableRows(const QTableWidget& table) {
    QStringList rows;
    for (int nRow = 0; nRow < table.rowCount(); ++nRow) {
        QStringList cells;
        QStringList tips;
        for (int nColumn = 0; nColumn < table.columnCount(); nColumn += table.columnSpan(nRow, nColumn)) {
            const QTableWidgetItem* pItem = table.item(nRow, nColumn);
            if (!table.isColumnHidden(nColumn)) {
                cells << (pItem->toolTip().isEmpty() ? pItem->text() : u'[' + pItem->text() + u']');
                tips << (pItem->toolTip().isEmpty() || tips.contains(pItem->toolTip()) ? QStringList()
                                                                                       : QStringList(pItem->toolTip()));
            }
        }
        const QTableWidgetItem* pHeader = table.verticalHeaderItem(nRow);
        rows << (pHeader ? pHeader->text() + u':' : QString()) + cells.join(u'|') +
                    (tips.isEmpty() ? QString() : QStringLiteral(" ~ ") + tips.join(u' '));
    }
    return rows;
}

// A list's rows as shown, a row a text: the cells joined by "|".
inline QStringList ModelRows(const QAbstractItemModel& model) {
    QStringList rows;
    for (int nRow = 0; nRow < model.rowCount(); ++nRow) {
        QStringList cells;
        for (int nColumn = 0; nColumn < model.columnCount(); ++nColumn) {
            cells << model.index(nRow, nColumn).data().toString();
        }
        rows << cells.join(u'|');
    }
    return rows;
}

inline void ClickButton(QWidget& root, const char* pszName) {
    auto* pButton = root.findChild<QAbstractButton*>(QLatin1String(pszName));
    QVERIFY(pButton != nullptr);
    pButton->click();
}

inline bool WriteBytes(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The store as the program keeps it, for setting up and checking values.
inline QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veldrin Software"),
                     QStringLiteral("Pelmar"));
}
