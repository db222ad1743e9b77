// The log view driven through the whole program: the preview of an opened file, the
// Settings command's enabling, Clear Window, New, the keys that must leave the log and the
// file alone.
#include "app/MainFrame.h"
#include "app/PelmarApp.h"
#include "app/PelmarDoc.h"
#include "app/PelmarView.h"
#include "app/Resource.h"
#include "platform/RecordingMessageBox.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolBar>
#include <QtTest>

#include <memory>

class CPelmarViewTest : public QObject {
    Q_OBJECT

private:
    // One running program with its own settings and a scratch directory for input files.
    struct SRun {
        CTestConfig config;
        QTemporaryDir files;
        CRecordingMessageBox messages;
        CPelmarApp app;
        CModalAnswerer answerer;

        SRun() { app.SetMessageBox(&messages); }
        CMainFrame& Frame() { return *app.MainFrame(); }
        CPelmarView& View() { return *app.MainFrame()->GetView(); }
        QString File(const QString& name, const QByteArray& bytes) {
            const QString path = files.path() + QLatin1Char('/') + name;
            WriteBytes(path, bytes);
            return path;
        }
        bool SettingsEnabled() {
            QCoreApplication::processEvents();
            QAction* pSettings = Frame().Action(ID_FILE_SETTINGS);
            QWidget* pButton = Frame().ToolBar()->widgetForAction(pSettings);
            return pSettings->isEnabled() && pButton != nullptr && pButton->isEnabled();
        }
        void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(&View(), static_cast<Qt::Key>(key), modifiers);
            QCoreApplication::processEvents();
        }
    };

    std::unique_ptr<SRun> Start() {
        auto pRun = std::make_unique<SRun>();
        if (!pRun->app.InitInstance()) {
            return nullptr;
        }
        pRun->Frame().activateWindow();
        if (!QTest::qWaitForWindowActive(&pRun->Frame())) {
            return nullptr;
        }
        pRun->View().setFocus();
        return pRun;
    }

private slots:
    void cleanup() {
        QCOMPARE(VisibleTopLevelWindow(), QString());
    }

    void previewShowsTheFirstTenReads_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        const QByteArray x299(299, 'x');
        const QByteArray y299(299, 'y');
        const QByteArray z102(102, 'z');
        QByteArray twelve;
        QString firstTen;
        for (int i = 1; i <= 12; ++i) {
            twelve += "line " + QByteArray::number(i) + "\n";
            if (i <= 10) {
                firstTen += QStringLiteral("line %1\n").arg(i);
            }
        }
        QByteArray longThenNine = x299 + y299 + z102 + "\n";
        QString longThenSeven = QString::fromLatin1(x299 + "\n" + y299 + "\n" + z102 + "\n");
        for (int i = 1; i <= 9; ++i) {
            longThenNine += "row " + QByteArray::number(i) + "\n";
            if (i <= 7) {
                longThenSeven += QStringLiteral("row %1\n").arg(i);
            }
        }

        QTest::newRow("empty file: the header alone") << QByteArray() << QString();
        QTest::newRow("fewer than ten lines") << QByteArray("01/02/99,1,2\n01/03/99,3,4\n01/04/99,5,6\n")
                                              << QStringLiteral("01/02/99,1,2\n01/03/99,3,4\n01/04/99,5,6\n");
        QTest::newRow("more than ten lines") << twelve << firstTen;
        QTest::newRow("CR LF lines") << QByteArray("a,1\r\nb,2\r\n") << QStringLiteral("a,1\nb,2\n");
        QTest::newRow("last line without a break") << QByteArray("first\nlast") << QStringLiteral("first\nlast\n");
        QTest::newRow("700 characters: three reads") << QByteArray(x299 + y299 + z102 + "\nnext\n")
                                                     << QString::fromLatin1(x299 + "\n" + y299 + "\n" + z102 + "\nnext\n");
        QTest::newRow("a long line uses up reads") << longThenNine << longThenSeven;
        // The line break after 299 characters comes with the next read, as an empty line.
        QTest::newRow("299 characters and a break") << QByteArray(x299 + "\nend\n")
                                                    << QString::fromLatin1(x299 + "\n\nend\n");
        QTest::newRow("Ctrl-Z ends the text") << QByteArray("kept\n\x1A" "dropped\n") << QStringLiteral("kept\n");
        QTest::newRow("blank lines count") << QByteArray("\n\nthird\n") << QStringLiteral("\n\nthird\n");
        QTest::newRow("Windows code page") << QByteArray("caf\xE9\n") << QStringLiteral("caf\u00E9\n");
    }

    void previewShowsTheFirstTenReads() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        auto pRun = Start();
        QVERIFY(pRun);
        const QString path = pRun->File(QStringLiteral("prices.txt"), bytes);
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        QCOMPARE(pRun->View().toPlainText(), PreviewHeader(path) + expected);
        QCOMPARE(pRun->View().m_strFilePath, path);
        QVERIFY(pRun->messages.Shown().empty());
    }

    void headerHoldsATabBeforeThePath() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QString path = pRun->File(QStringLiteral("empty.csv"), QByteArray());
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        const QString text = pRun->View().toPlainText();
        QVERIFY(text.contains(QLatin1Char('\t') + path + QLatin1Char('\n')));
        QVERIFY(text.endsWith(QStringLiteral("looks like this...\n\n")));
    }

    void appendTextAddsAtTheEndAndCannotBeUndone() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QString path = pRun->File(QStringLiteral("a.csv"), "one\n");
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        // The caret may be anywhere: the text still goes to the end.
        QTextCursor cursor = pRun->View().textCursor();
        cursor.setPosition(3);
        pRun->View().setTextCursor(cursor);
        pRun->View().AppendText(QStringLiteral("\r\nConversion failed."));
        QCOMPARE(pRun->View().toPlainText(), PreviewHeader(path) + QStringLiteral("one\n\nConversion failed."));
        QVERIFY(!pRun->View().document()->isUndoAvailable());
        pRun->Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(pRun->View().toPlainText().endsWith(QStringLiteral("\nConversion failed.")));
    }

    void settingsEnabledOnceAFileIsOpen() {
        auto pRun = Start();
        QVERIFY(pRun);
        QVERIFY(!pRun->SettingsEnabled());
        // A file that cannot be opened enables nothing.
        QVERIFY(pRun->app.OpenDocumentFile(pRun->files.path() + QStringLiteral("/missing.csv")) == nullptr);
        QVERIFY(!pRun->SettingsEnabled());

        const QString path = pRun->File(QStringLiteral("prices.csv"), "1,2,3\n");
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        QVERIFY(pRun->SettingsEnabled());

        pRun->Frame().Action(ID_VIEW_CLEARWINDOW)->trigger();
        QCOMPARE(pRun->View().toPlainText(), QString());
        QCOMPARE(pRun->View().m_strFilePath, path);
        QVERIFY(pRun->SettingsEnabled());

        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        pRun->Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(pRun->View().toPlainText(), QString());
        QCOMPARE(pRun->View().m_strFilePath, path);
        QVERIFY(pRun->SettingsEnabled());
        QCOMPARE(pRun->Frame().windowTitle(), QStringLiteral("Pelmar"));
    }

    void reopeningTheOpenPathShowsNoNewPreview() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QString path = pRun->File(QStringLiteral("prices.csv"), "old\n");
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        const QString firstPreview = pRun->View().toPlainText();
        WriteBytes(path, "new\n");
        pRun->View().AppendText(QStringLiteral("\r\nConversion completed successfully!"));

        // The same file by another spelling of its path is the same document.
        const QString otherSpelling = pRun->files.path() + QStringLiteral("/./prices.csv");
        QCOMPARE(pRun->app.OpenDocumentFile(otherSpelling), pRun->app.Document());
        QCOMPARE(pRun->View().toPlainText(), firstPreview + QStringLiteral("\nConversion completed successfully!"));

        // After New the document has no path: the same file opens afresh.
        pRun->app.OnFileNew();
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        QCOMPARE(pRun->View().toPlainText(), PreviewHeader(path) + QStringLiteral("new\n"));
    }

    void anotherFileReplacesThePreview() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QString first = pRun->File(QStringLiteral("first.csv"), "1\n");
        const QString second = pRun->File(QStringLiteral("second.csv"), "2\n");
        QVERIFY(pRun->app.OpenDocumentFile(first) != nullptr);
        QVERIFY(pRun->app.OpenDocumentFile(second) != nullptr);
        QCOMPARE(pRun->View().toPlainText(), PreviewHeader(second) + QStringLiteral("2\n"));
        QCOMPARE(pRun->View().m_strFilePath, second);
        QCOMPARE(pRun->app.Document()->GetPathName(), second);
    }

    void unreadableFileChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("missing.csv") << QStringLiteral("The file does not exist.");
        QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("This is a folder, not a file.");
    }

    void unreadableFileChangesNothing() {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        auto pRun = Start();
        QVERIFY(pRun);
        QVERIFY(QDir(pRun->files.path()).mkdir(QStringLiteral("folder")));
        const QString good = pRun->File(QStringLiteral("good.csv"), "good\n");
        QVERIFY(pRun->app.OpenDocumentFile(good) != nullptr);
        const QString log = pRun->View().toPlainText();

        const QString bad = pRun->files.path() + QLatin1Char('/') + name;
        QVERIFY(pRun->app.OpenDocumentFile(bad) == nullptr);
        QCOMPARE(pRun->messages.Texts().size(), std::size_t(1));
        const QString text = QString::fromStdString(pRun->messages.Texts().front());
        QVERIFY2(text.contains(bad) && text.contains(reason), qPrintable(text));
        QCOMPARE(pRun->View().toPlainText(), log);
        QCOMPARE(pRun->View().m_strFilePath, good);
        QCOMPARE(pRun->app.Document()->GetPathName(), good);
    }

    void saveKeyWritesNothing() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QByteArray bytes("01/02/99,1,2,3,4,5\r\n01/03/99,2,3,4,5,6\r\n");
        const QString path = pRun->File(QStringLiteral("prices.csv"), bytes);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const QDateTime modified = QFileInfo(path).lastModified();
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        const QString log = pRun->View().toPlainText();
        QTest::qWait(20);
        pRun->Key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(path), bytes);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(pRun->View().toPlainText(), log);
        QVERIFY(pRun->messages.Shown().empty());
        QCOMPARE(QDir(pRun->files.path()).entryList(QDir::Files), QStringList{QStringLiteral("prices.csv")});
    }

    void editKeysLeaveTheLogAndCopyCopies() {
        auto pRun = Start();
        QVERIFY(pRun);
        const QString path = pRun->File(QStringLiteral("prices.csv"), "alpha\nbeta\n");
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        const QString log = pRun->View().toPlainText();
        pRun->View().selectAll();
        QApplication::clipboard()->setText(QStringLiteral("pasted"));

        const QList<std::pair<int, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_X, Qt::ControlModifier},       {Qt::Key_V, Qt::ControlModifier},
            {Qt::Key_Z, Qt::ControlModifier},       {Qt::Key_Backspace, Qt::AltModifier},
            {Qt::Key_Delete, Qt::ShiftModifier},    {Qt::Key_Insert, Qt::ShiftModifier},
            {Qt::Key_Backspace, Qt::NoModifier},    {Qt::Key_Delete, Qt::NoModifier},
            {Qt::Key_A, Qt::NoModifier},            {Qt::Key_Return, Qt::NoModifier},
            {Qt::Key_F6, Qt::NoModifier},           {Qt::Key_F6, Qt::ShiftModifier},
        };
        for (const auto& [key, modifiers] : keys) {
            pRun->View().selectAll();
            pRun->Key(key, modifiers);
            QCOMPARE(pRun->View().toPlainText(), log);
        }
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("pasted"));

        pRun->View().selectAll();
        pRun->Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), log);

        QTextCursor cursor(pRun->View().document());
        const int nBeta = static_cast<int>(log.indexOf(QStringLiteral("beta")));
        cursor.setPosition(nBeta);
        cursor.setPosition(nBeta + 4, QTextCursor::KeepAnchor);
        pRun->View().setTextCursor(cursor);
        pRun->Key(Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("beta"));
        QCOMPARE(pRun->View().toPlainText(), log);
    }

    void logWrapsAndIsReadOnly() {
        auto pRun = Start();
        QVERIFY(pRun);
        CPelmarView& view = pRun->View();
        QVERIFY(view.isReadOnly());
        QCOMPARE(view.lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!view.acceptDrops());
        const QString path = pRun->File(QStringLiteral("wide.csv"), QByteArray(299, 'w') + "\n");
        QVERIFY(pRun->app.OpenDocumentFile(path) != nullptr);
        QCoreApplication::processEvents();
        // The long line wraps instead of scrolling sideways.
        QTextBlock block = view.document()->findBlockByNumber(6);
        QVERIFY(block.text().startsWith(QStringLiteral("www")));
        QVERIFY(block.layout()->lineCount() > 1);
    }
};

QTEST_MAIN(CPelmarViewTest)
#include "PelmarViewTest.moc"
