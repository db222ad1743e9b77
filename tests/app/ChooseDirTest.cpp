// The directory chooser: what OK accepts, asks and refuses, the name box following the tree,
// and Browse handing the choice to the settings dialog.
#include "AppTests.h"

#include "app/ChooseDir.h"
#include "app/SettingsDlg.h"
#include "platform/RecordingMessageBox.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>

class TestChooseDir : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    CRecordingMessageBox m_messages;

    QString Here(QString text) const { return text.replace(u'@', m_dir.path()); }

private slots:
    void initTestCase() { QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("a/b"))); }
    void init() { m_messages.Clear(); }

    void validate_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("answer"); // -1: no question expected
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("created");
        const QString otherSeparator = QDir::separator() == u'/' ? QStringLiteral("\\") : QStringLiteral("/");
        QTest::newRow("existing") << "@/a" << -1 << 0 << "" << false;
        QTest::newRow("wildcard") << "@/a*b" << -1 << 1 << "@/a*b is not a valid pathname." << false;
        QTest::newRow("other separator") << "@" + otherSeparator + "c" << -1 << 1 << "is not a valid pathname."
                                         << false;
        QTest::newRow("new, yes") << "@/new" << int(EMessageAnswer::Yes) << 0
                                  << "Directory @/new does not exist.\nCreate this directory?" << true;
        QTest::newRow("new, no") << "@/declined" << int(EMessageAnswer::No) << 1
                                 << "Directory @/declined does not exist." << false;
        QTest::newRow("parent missing") << "@/x/y" << int(EMessageAnswer::Yes) << 1
                                        << "There was a problem creating @/x/y.\nThe new directory was not created."
                                        << false;
        QTest::newRow("empty") << "" << int(EMessageAnswer::Yes) << 1 << "There was a problem creating ." << false;
        QTest::newRow("too long") << "@/" + QString(251, u'n') << -1 << 1 << "is too long" << false;
    }

    void validate() {
        QFETCH(QString, name);
        QFETCH(int, answer);
        QFETCH(int, result);
        QFETCH(QString, message);
        QFETCH(bool, created);
        name = Here(name);
        CChooseDir chooser(m_messages);
        chooser.findChild<QLineEdit*>("m_editDir")->setText(name);
        if (answer >= 0) {
            m_messages.QueueAnswer(static_cast<EMessageAnswer>(answer));
        }
        QCOMPARE(chooser.ValidateChoice(), result);
        const QString shown = QString::fromStdString(m_messages.Texts().empty() ? "" : m_messages.Texts().back());
        QVERIFY2(shown.contains(Here(message)), qPrintable(shown));
        if (answer >= 0) {
            QCOMPARE(m_messages.Shown().front().buttons, EMessageButtons::YesNo);
            QCOMPARE(QFileInfo(name).isDir(), created);
        }
        if (result == 0) {
            QCOMPARE(chooser.GetDirectory(), name);
        }
    }

    void nameFollowsTheTree() {
        CChooseDir chooser(m_messages);
        chooser.SetInitialDir(Here("@/a"));
        auto* pEdit = chooser.findChild<QLineEdit*>("m_editDir");
        QCOMPARE(pEdit->text(), QDir::toNativeSeparators(Here("@/a")));
        auto* pTree = chooser.findChild<QTreeWidget*>("dirTree");
        QTreeWidgetItem* pShown = pTree->currentItem();
        QCOMPARE(pShown->text(0), QStringLiteral("a"));
        QCOMPARE(pShown->childCount(), 1);
        pTree->setCurrentItem(pShown->child(0));
        QCOMPARE(pEdit->text(), QDir::toNativeSeparators(Here("@/a/b")));
        pTree->setCurrentItem(pShown->parent());
        QCOMPARE(pEdit->text(), QDir::toNativeSeparators(m_dir.path()));
    }

    void browseFillsTheSettings() {
        CSettingsDlg dlg(m_messages);
        dlg.SetSettings({});
        dlg.show();
        CModalAnswerer answerer({[&](QDialog& chooser) {
            QVERIFY(qobject_cast<CChooseDir*>(&chooser) != nullptr);
            chooser.findChild<QLineEdit*>("m_editDir")->setText(Here("@/a/b"));
            ClickButton(chooser, "okButton");
        }});
        ClickButton(dlg, "browseButton");
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(dlg.findChild<QLineEdit*>("pathOutEdit")->text(), Here("@/a/b"));
    }
};

int RunChooseDirTests(int argc, char** argv) {
    TestChooseDir test;
    return QTest::qExec(&test, argc, argv);
}

#include "ChooseDirTest.moc"
