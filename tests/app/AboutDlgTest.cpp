// The About box: its texts and the legal notice, its links and the application's visited
// flags across showings, closing it, and the box as the user opens it from the
// toolbar and the menu.
#include "app/AboutDlg.h"

#include "AppTestSupport.h"
#include "RecordingDesktop.h"
#include "app/MainFrame.h"
#include "app/PelmarApp.h"
#include "app/Resource.h"
#include "platform/RecordingMessageBox.h"
#include "resources/AboutDlgTemplate.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

const QColor kBlue(0, 0, 255);
const QColor kPurple(128, 0, 128);

int CountPixels(QWidget& widget, const QColor& color) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int nCount = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            nCount += QColor(image.pixel(x, y)) == color ? 1 : 0;
        }
    }
    return nCount;
}

// Which colour a link shows: "blue", "purple", or what it wrongly mixes.
QString LinkColour(CStaticLink& link) {
    const bool bBlue = CountPixels(link, kBlue) > 0;
    const bool bPurple = CountPixels(link, kPurple) > 0;
    return bBlue == bPurple ? QStringLiteral("mixed or none") : bBlue ? QStringLiteral("blue") : QStringLiteral("purple");
}

bool ShowBox(CAboutDlg& dlg) {
    dlg.show();
    return QTest::qWaitForWindowExposed(&dlg);
}

void Click(CStaticLink& link) {
    QTest::mouseClick(&link, Qt::LeftButton, {}, link.rect().center());
}

// With PELMAR_SHOT_DIR set, saves the box as shown and the same picture with the template's
// rectangles drawn over it, to compare the two by eye.
void SaveShots(CAboutDlg& dlg) {
    const QString dir = qEnvironmentVariable("PELMAR_SHOT_DIR");
    if (dir.isEmpty()) {
        return;
    }
    QDir().mkpath(dir);
    const QImage shot = dlg.grab().toImage();
    shot.save(dir + QStringLiteral("/about.png"));
    QImage overlay = shot.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&overlay);
    painter.setPen(Qt::red);
    const QSize baseUnits = DialogBaseUnits(dlg.font());
    for (const SDialogControl& control : kAboutDlgTemplate.controls) {
        painter.drawRect(DialogUnitsToPixels(QRect(control.x, control.y, control.cx, control.cy), baseUnits)
                             .adjusted(0, 0, -1, -1));
    }
    painter.end();
    overlay.save(dir + QStringLiteral("/about-geometry.png"));
}

} // namespace

class CAboutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        QCOMPARE(VisibleTopLevelWindow(), QString());
        QCOMPARE(CPelmarApp::Instance(), nullptr);
    }

    void showsTheProgramsTexts() {
        CAboutDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Pelmar"));
        QStringList labels;
        for (QLabel* pLabel : dlg.findChildren<QLabel*>()) {
            labels << pLabel->text();
        }
        QVERIFY(labels.contains(QStringLiteral("Pelmar Version 1.7")));
        QVERIFY(labels.contains(QStringLiteral(
            "Converts historical financial data in ASCII form to data in MetaStock or CompuTrac format")));
        QStringList boxes;
        for (QGroupBox* pBox : dlg.findChildren<QGroupBox*>()) {
            boxes << pBox->title();
        }
        boxes.sort();
        QCOMPARE(boxes, (QStringList{QStringLiteral("Legal Stuff"), QStringLiteral("What Pelmar Does")}));
        auto* pOk = dlg.findChild<QPushButton*>(QString::number(IDOK));
        QVERIFY(pOk != nullptr);
        QCOMPARE(pOk->text(), QStringLiteral("OK"));
        QVERIFY(pOk->isDefault());
    }

    void linksAreTheTemplatesLinkControls() {
        CAboutDlg dlg;
        QCOMPARE(dlg.findChild<QWidget*>(QString::number(IDC_MAIL_LINK)), &dlg.m_linkMail);
        QCOMPARE(dlg.findChild<QWidget*>(QString::number(IDC_WEB_LINK)), &dlg.m_linkWeb);
        QCOMPARE(dlg.m_linkMail.text(), QString::fromUtf8(kAuthorMailAddress));
        QCOMPARE(dlg.m_linkWeb.text(), QString::fromUtf8(kAuthorWebAddress));
        QVERIFY(dlg.m_linkWeb.alignment() & Qt::AlignHCenter);
    }

    void legalTextJoinsItsPiecesExactly() {
        CAboutDlg dlg;
        const QString trademarks = QStringLiteral(
            "MetaStock is a\nregistered trademark of\nEQUIS International Inc.  CompuTrac is a\n"
            "registered trademark of\nDow Jones Telerate");
        QCOMPARE(dlg.m_strLegal, QString::fromUtf8(kLegalProtection) + trademarks);
        QVERIFY(QString::fromUtf8(kLegalProtection).endsWith(QStringLiteral(".\n\n")));
        QCOMPARE(dlg.m_strLegal.count(QStringLiteral("\n\n")), 1);

        auto* pLegal = dlg.findChild<QLabel*>(QString::number(IDC_LEGAL_TEXT));
        QVERIFY(pLegal != nullptr);
        QCOMPARE(pLegal->text(), dlg.m_strLegal);
        // Shown as it stands: rich-text guessing would fold the two spaces into one.
        QCOMPARE(pLegal->textFormat(), Qt::PlainText);
        QVERIFY(pLegal->wordWrap());
        QVERIFY(pLegal->alignment() & Qt::AlignHCenter);
    }

    void linksRememberVisitsInTheApplication() {
        CRecordingDesktop desktop;
        CPelmarApp app;
        {
            CAboutDlg dlg;
            QVERIFY(ShowBox(dlg));
            QCOMPARE(LinkColour(dlg.m_linkMail), QStringLiteral("blue"));
            QCOMPARE(LinkColour(dlg.m_linkWeb), QStringLiteral("blue"));
            Click(dlg.m_linkMail);
            Click(dlg.m_linkMail);
            QCOMPARE(app.m_bMailLinkVisited, 1);
            QCOMPARE(app.m_bWebLinkVisited, 0);
            QTRY_COMPARE(LinkColour(dlg.m_linkMail), QStringLiteral("purple"));
            QCOMPARE(LinkColour(dlg.m_linkWeb), QStringLiteral("blue"));
        }
        {
            // The web page cannot be opened: one beep, and it stays blue in the next showing.
            desktop.m_bSucceed = false;
            CAboutDlg dlg;
            QVERIFY(ShowBox(dlg));
            QCOMPARE(LinkColour(dlg.m_linkMail), QStringLiteral("purple"));
            Click(dlg.m_linkWeb);
            QCOMPARE(desktop.m_nBeeps, 1);
            QCOMPARE(app.m_bWebLinkVisited, 0);
        }
        {
            desktop.m_bSucceed = true;
            CAboutDlg dlg;
            QVERIFY(ShowBox(dlg));
            QCOMPARE(LinkColour(dlg.m_linkMail), QStringLiteral("purple"));
            QCOMPARE(LinkColour(dlg.m_linkWeb), QStringLiteral("blue"));
            Click(dlg.m_linkWeb);
            QCOMPARE(app.m_bWebLinkVisited, 1);
            QCOMPARE(app.m_bMailLinkVisited, 1);
        }
        const QString mail = QStringLiteral("mailto:") + QString::fromUtf8(kAuthorMailAddress);
        const QString web = QString::fromUtf8(kAuthorWebAddress);
        QCOMPARE(desktop.m_opened, (QStringList{mail, mail, web, web}));
        QCOMPARE(desktop.m_nBeeps, 1);
    }

    void boxWithoutApplicationOpensLinksSafely() {
        CRecordingDesktop desktop;
        CAboutDlg dlg;
        QVERIFY(ShowBox(dlg));
        Click(dlg.m_linkWeb);
        QCOMPARE(desktop.m_opened, QStringList{QString::fromUtf8(kAuthorWebAddress)});
        QCOMPARE(LinkColour(dlg.m_linkWeb), QStringLiteral("blue"));
    }

    void okAndEscapeCloseTheBox() {
        {
            CAboutDlg dlg;
            QWidget* pFocus = nullptr;
            QTimer::singleShot(0, &dlg, [&] {
                pFocus = dlg.focusWidget();
                QTest::keyClick(&dlg, Qt::Key_Return);
            });
            QCOMPARE(dlg.exec(), int(QDialog::Accepted));
            QCOMPARE(pFocus, dlg.findChild<QPushButton*>(QString::number(IDOK)));
        }
        {
            CAboutDlg dlg;
            QTimer::singleShot(0, &dlg, [&dlg] { QTest::keyClick(&dlg, Qt::Key_Escape); });
            QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        }
        {
            CAboutDlg dlg;
            QTimer::singleShot(0, &dlg, [&dlg] {
                QTest::mouseClick(dlg.findChild<QPushButton*>(QString::number(IDOK)), Qt::LeftButton);
            });
            QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        }
    }

    void userOpensTheBoxFromToolbarAndMenu() {
        CTestConfig config;
        CRecordingDesktop desktop;
        CRecordingMessageBox messages;
        QStringList seen;
        CModalAnswerer answerer([&](QWidget* pModal) {
            auto* pAbout = qobject_cast<CAboutDlg*>(pModal);
            if (pAbout == nullptr) {
                seen << QString::fromLatin1(pModal->metaObject()->className());
                pModal->close();
                return;
            }
            seen << LinkColour(pAbout->m_linkMail) + QLatin1Char('/') + LinkColour(pAbout->m_linkWeb);
            if (seen.size() == 1) {
                SaveShots(*pAbout);
                Click(pAbout->m_linkWeb);
            }
            QTest::mouseClick(pAbout->findChild<QPushButton*>(QString::number(IDOK)), Qt::LeftButton);
        });
        {
            CPelmarApp app;
            app.SetMessageBox(&messages);
            QVERIFY(app.InitInstance());
            QAction* pAbout = app.MainFrame()->Action(ID_APP_ABOUT);
            QToolButton* pButton = nullptr;
            for (QToolBar* pBar : app.MainFrame()->findChildren<QToolBar*>()) {
                if (auto* pFound = qobject_cast<QToolButton*>(pBar->widgetForAction(pAbout))) {
                    pButton = pFound;
                }
            }
            QVERIFY(pButton != nullptr);
            QTest::mouseClick(pButton, Qt::LeftButton);
            pAbout->trigger();
            app.ExitInstance();
        }
        QCOMPARE(seen, (QStringList{QStringLiteral("blue/blue"), QStringLiteral("blue/purple")}));
        QCOMPARE(desktop.m_opened, QStringList{QString::fromUtf8(kAuthorWebAddress)});
        QVERIFY(messages.Shown().empty());
    }
};

QTEST_MAIN(CAboutDlgTest)
#include "AboutDlgTest.moc"
