// The directory chooser: its lists, the Directory name box that follows the directory list,
// and the check on OK with its question and the one-level creation.
#include "app/ChooseDir.h"
#include "platform/RecordingMessageBox.h"
#include "resources/ChooseDirTemplate.h"
#include "tests/app/AppTestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct SChooser {
    QTemporaryDir dir;
    CRecordingMessageBox messages;
    CChooseDir chooser{messages};

    explicit SChooser(const QStringList& subdirs = {}) {
        for (const QString& sub : subdirs) {
            QDir(dir.path()).mkpath(sub);
        }
        chooser.SetInitialDir(dir.path());
    }
    ~SChooser() { chooser.hide(); }
    bool Show() {
        chooser.show();
        return QTest::qWaitForWindowExposed(&chooser);
    }
    QString Path(const QString& name) const { return dir.path() + u'/' + name; }
    QStringList Names() const {
        QStringList names;
        for (int i = 0; i < chooser.DirList()->count(); ++i) {
            names << chooser.DirList()->item(i)->data(Qt::UserRole).toString();
        }
        return names;
    }
    int Row(const QString& name) const { return static_cast<int>(Names().lastIndexOf(name)); }
    void Type(const QString& text) { chooser.m_pEditDir->setText(text); }
    bool PressOk() {
        QTest::mouseClick(chooser.Control(1), Qt::LeftButton);
        return !chooser.isVisible() && chooser.result() == QDialog::Accepted;
    }
    QStringList Texts() const {
        QStringList texts;
        for (const std::string& text : messages.Texts()) {
            texts << QString::fromStdString(text);
        }
        return texts;
    }
};

QString Question(const QString& name) {
    return QStringLiteral("Directory %1 does not exist.\nCreate this directory?").arg(name);
}

QString CreationProblem(const QString& name) {
    return QStringLiteral("There was a problem creating %1.\nThe new directory was not created.").arg(name);
}

}  // namespace

class CChooseDirTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        QCOMPARE(VisibleTopLevelWindow(), QString());
    }

    void showsTheStartDirectory() {
        SChooser c({QStringLiteral("beta"), QStringLiteral("alpha")});
        QVERIFY(c.Show());
        QCOMPARE(c.chooser.windowTitle(), QStringLiteral("Choose Directory"));
        const QSize base = DialogBaseUnits(c.chooser.font());
        QCOMPARE(c.chooser.size(), DialogUnitsToPixels(QRect(0, 0, 200, 134), base).size());
        QCOMPARE(c.chooser.Control(IDC_DIR_NAME)->geometry(), DialogUnitsToPixels(QRect(7, 16, 118, 12), base));
        QCOMPARE(c.chooser.DirList()->geometry(), DialogUnitsToPixels(QRect(7, 32, 118, 67), base));
        for (int nId : {IDC_FILE_NAME, IDC_FILE_LIST, IDC_FILE_TYPE, IDC_FILE_TYPE_LABEL, IDC_FILE_NAME_LABEL,
                        IDC_CURRENT_DIR, IDC_READ_ONLY}) {
            QVERIFY(!c.chooser.Control(nId)->isVisible());
        }
        QVERIFY(!c.chooser.Control(IDC_CHOOSER_HELP)->isEnabled());

        // The root, each directory down to the one shown, then its subdirectories.
        QStringList expected{QStringLiteral("/")};
        expected << QDir::fromNativeSeparators(c.dir.path()).split(u'/', Qt::SkipEmptyParts);
        expected << QStringLiteral("alpha") << QStringLiteral("beta");
        QCOMPARE(c.Names(), expected);
        QCOMPARE(c.chooser.m_pEditDir->text(), c.dir.path());
        QCOMPARE(c.chooser.focusWidget(), c.chooser.DirList());

        // The first paint selects the root quietly: the box keeps the directory shown.
        QTRY_COMPARE(c.chooser.DirList()->currentRow(), 0);
        QCOMPARE(c.chooser.m_bFirstPaint, 0);
        QCOMPARE(c.chooser.m_pEditDir->text(), c.dir.path());

        // The drive list holds the mounted file systems, the one of the directory chosen.
        QVERIFY(c.chooser.DriveList()->count() > 0);
        const QString mount = c.chooser.DriveList()->currentData().toString();
        QVERIFY2(c.dir.path().startsWith(mount), qPrintable(mount));

        const QString shots = qEnvironmentVariableIsSet("PELMAR_SHOT_DIR") ? qEnvironmentVariable("PELMAR_SHOT_DIR")
                                                                            : QDir::tempPath() + QStringLiteral("/pelmar-shots");
        QDir().mkpath(shots);
        c.chooser.DirList()->setCurrentRow(c.Row(QStringLiteral("alpha")));
        QCoreApplication::processEvents();
        QVERIFY(c.chooser.grab().save(shots + QStringLiteral("/choose-directory.png")));
        c.chooser.reject();
    }

    void theBoxFollowsTheList() {
        SChooser c({QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")});
        QVERIFY(c.Show());
        QTRY_COMPARE(c.chooser.m_bFirstPaint, 0);
        c.chooser.DirList()->setCurrentRow(c.Row(QStringLiteral("alpha")));
        QCOMPARE(c.chooser.m_pEditDir->text(), c.Path(QStringLiteral("alpha")));
        // A later subdirectory stands for itself, not for its siblings before it.
        c.chooser.DirList()->setCurrentRow(c.Row(QStringLiteral("gamma")));
        QCOMPARE(c.chooser.m_pEditDir->text(), c.Path(QStringLiteral("gamma")));
        // A directory on the way down stands for the path up to it.
        const QString parent = QFileInfo(c.dir.path()).absolutePath();
        c.chooser.DirList()->setCurrentRow(c.Row(QFileInfo(c.dir.path()).fileName()) - 1);
        QCOMPARE(c.chooser.m_pEditDir->text(), parent);
        c.chooser.DirList()->setCurrentRow(0);
        QCOMPARE(c.chooser.m_pEditDir->text(), QStringLiteral("/"));
        c.chooser.reject();
    }

    void openingAnEntryShowsThatDirectory() {
        SChooser c({QStringLiteral("alpha/inner"), QStringLiteral("beta")});
        QVERIFY(c.Show());
        QListWidget* pList = c.chooser.DirList();
        QListWidgetItem* pAlpha = pList->item(c.Row(QStringLiteral("alpha")));
        emit pList->itemActivated(pAlpha);
        QCOMPARE(c.Names().mid(c.Names().size() - 2), (QStringList{QStringLiteral("alpha"), QStringLiteral("inner")}));
        QVERIFY(!c.Names().contains(QStringLiteral("beta")));
        QCOMPARE(c.chooser.m_pEditDir->text(), c.Path(QStringLiteral("alpha")));
        // Up again through an entry on the way down.
        emit pList->itemActivated(pList->item(c.Row(QFileInfo(c.dir.path()).fileName())));
        QVERIFY(c.Names().contains(QStringLiteral("beta")));
        QCOMPARE(c.chooser.m_pEditDir->text(), c.dir.path());
        c.chooser.reject();
    }

    void existingDirectoryIsAcceptedWithoutAQuestion() {
        SChooser c({QStringLiteral("alpha")});
        QVERIFY(c.Show());
        c.chooser.DirList()->setCurrentRow(c.Row(QStringLiteral("alpha")));
        QVERIFY(c.PressOk());
        QVERIFY(c.Texts().isEmpty());
        QCOMPARE(c.chooser.GetDirectory(), c.Path(QStringLiteral("alpha")));
    }

    void theShownDirectoryIsAcceptedAsItIs() {
        SChooser c;
        QVERIFY(c.Show());
        QVERIFY(c.PressOk());
        QCOMPARE(c.chooser.GetDirectory(), c.dir.path());
    }

    void theRootStaysAPath() {
        SChooser c;
        QVERIFY(c.Show());
        QTRY_COMPARE(c.chooser.m_bFirstPaint, 0);
        c.chooser.DirList()->setCurrentRow(1);
        c.chooser.DirList()->setCurrentRow(0);
        QVERIFY(c.PressOk());
        QCOMPARE(c.chooser.GetDirectory(), QStringLiteral("/"));
    }

    void typedOtherExistingDirectoryIsReturnedAsTyped() {
        SChooser c({QStringLiteral("elsewhere")});
        QTemporaryDir other;
        QVERIFY(c.Show());
        c.Type(other.path());
        QVERIFY(c.PressOk());
        QCOMPARE(c.chooser.GetDirectory(), other.path());
    }

    void invalidCharactersAreRefused_data() {
        QTest::addColumn<QString>("name");
        // The other platform's separator, as in a name written for it.
        QTest::newRow("backslash") << QStringLiteral("C:\\DATA");
        QTest::newRow("star") << QStringLiteral("/tmp/da*ta");
        QTest::newRow("question mark") << QStringLiteral("/tmp/data?");
        QTest::newRow("bar") << QStringLiteral("/tmp/a|b");
        QTest::newRow("less") << QStringLiteral("/tmp/<x");
        QTest::newRow("greater") << QStringLiteral("/tmp/x>");
        QTest::newRow("quote") << QStringLiteral("/tmp/\"x\"");
    }
    void invalidCharactersAreRefused() {
        QFETCH(QString, name);
        SChooser c;
        QVERIFY(c.Show());
        c.Type(name);
        QVERIFY(!c.PressOk());
        QVERIFY(c.chooser.isVisible());
        QCOMPARE(c.Texts(), QStringList{QStringLiteral("%1 is not a valid pathname.").arg(name)});
        QCOMPARE(c.chooser.m_strDir, name);
        c.chooser.reject();
    }

    void newDirectoryIsCreatedAfterYes_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QStringLiteral("new");
        QTest::newRow("trailing blanks kept") << QStringLiteral("new  ");
        QTest::newRow("inner blank") << QStringLiteral("my prices");
    }
    void newDirectoryIsCreatedAfterYes() {
        QFETCH(QString, name);
        SChooser c;
        QVERIFY(c.Show());
        c.Type(c.Path(name));
        c.messages.QueueAnswer(EMessageAnswer::Yes);
        QVERIFY(c.PressOk());
        QCOMPARE(c.Texts(), QStringList{Question(c.Path(name))});
        QVERIFY(QFileInfo(c.Path(name)).isDir());
        QCOMPARE(c.chooser.GetDirectory(), c.Path(name));
    }

    void noCreatesNothingAndStays() {
        SChooser c;
        QVERIFY(c.Show());
        c.Type(c.Path(QStringLiteral("new")));
        c.messages.QueueAnswer(EMessageAnswer::No);
        QVERIFY(!c.PressOk());
        QVERIFY(c.chooser.isVisible());
        QCOMPARE(c.Texts(), QStringList{Question(c.Path(QStringLiteral("new")))});
        QVERIFY(!QFileInfo::exists(c.Path(QStringLiteral("new"))));
        // A second try with Yes goes through.
        c.messages.QueueAnswer(EMessageAnswer::Yes);
        QVERIFY(c.PressOk());
        QVERIFY(QFileInfo(c.Path(QStringLiteral("new"))).isDir());
    }

    void missingParentIsAProblem() {
        SChooser c;
        QVERIFY(c.Show());
        const QString name = c.Path(QStringLiteral("missing/new"));
        c.Type(name);
        c.messages.QueueAnswer(EMessageAnswer::Yes);
        QVERIFY(!c.PressOk());
        QCOMPARE(c.Texts(), (QStringList{Question(name), CreationProblem(name)}));
        QVERIFY(!QFileInfo::exists(c.Path(QStringLiteral("missing"))));
        c.chooser.reject();
    }

    void aFileOfThatNameIsAProblem() {
        SChooser c;
        QVERIFY(WriteBytes(c.Path(QStringLiteral("file")), "x"));
        QVERIFY(c.Show());
        c.Type(c.Path(QStringLiteral("file")));
        c.messages.QueueAnswer(EMessageAnswer::Yes);
        QVERIFY(!c.PressOk());
        QCOMPARE(c.Texts(),
                 (QStringList{Question(c.Path(QStringLiteral("file"))), CreationProblem(c.Path(QStringLiteral("file")))}));
        c.chooser.reject();
    }

    void emptyNameIsAskedAboutAndCannotBeCreated() {
        SChooser c;
        QVERIFY(c.Show());
        c.Type(QString());
        c.messages.QueueAnswer(EMessageAnswer::Yes);
        QVERIFY(!c.PressOk());
        QCOMPARE(c.Texts(), (QStringList{Question(QString()), CreationProblem(QString())}));
        c.chooser.reject();
    }

    void relativeNameIsCreatedInTheCurrentDirectory() {
        SChooser c;
        CCurrentDirGuard guard;
        QVERIFY(QDir::setCurrent(c.dir.path()));
        QVERIFY(c.Show());
        c.Type(QStringLiteral("relative"));
        c.messages.QueueAnswer(EMessageAnswer::Yes);
        QVERIFY(c.PressOk());
        QVERIFY(QFileInfo(c.Path(QStringLiteral("relative"))).isDir());
        QCOMPARE(c.chooser.GetDirectory(), QStringLiteral("relative"));
    }

    void overlongNameIsRefusedBeforeCreating() {
        SChooser c;
        QVERIFY(c.Show());
        const QString name = c.Path(QString(251 - c.dir.path().size() - 1, u'n'));
        QCOMPARE(name.size(), 251);
        c.Type(name);
        c.messages.QueueAnswer(EMessageAnswer::Yes);
        QVERIFY(!c.PressOk());
        QCOMPARE(c.Texts(),
                 QStringList{QStringLiteral("%1 is too long.\nA directory name can have at most 250 characters.").arg(name)});
        QVERIFY(!QFileInfo::exists(name));
        c.chooser.reject();
    }

    void missingStartDirectoryStartsInTheCurrentOne() {
        SChooser c;
        c.chooser.SetInitialDir(c.Path(QStringLiteral("gone")));
        QVERIFY(c.Show());
        QCOMPARE(c.chooser.m_pEditDir->text(), QDir::currentPath());
        c.chooser.reject();
    }
};

QTEST_MAIN(CChooseDirTest)
#include "ChooseDirTest.moc"
