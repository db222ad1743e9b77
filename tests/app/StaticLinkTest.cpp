// The hyperlink label: its colours before and after the target is opened, the target it
// hands to the desktop, the beep of a failed open, and the cursor while the pointer moves
// over it and in the quiet second after a click.
#include "app/StaticLink.h"

#include "RecordingDesktop.h"
#include "app/QtDesktop.h"

#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

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

// Pointer events as the window system sends them, so that enter and leave follow. A move
// to where the pointer already is gets dropped, and one to 0, 0 goes to the window's centre.
void MoveTo(QWidget* pWidget, const QPoint& point) {
    QTest::mouseMove(pWidget->window()->windowHandle(), pWidget->mapTo(pWidget->window(), point));
}

void DoubleClick(QWidget* pWidget, const QPoint& point) {
    QTest::mouseDClick(pWidget->window()->windowHandle(), Qt::LeftButton, {}, pWidget->mapTo(pWidget->window(), point));
}

// A link on a window of its own, as a dialog holds it, with room around it to move off it.
struct SLinkWindow {
    explicit SLinkWindow(const QString& text) : pLink(new CStaticLink(&window)) {
        window.resize(300, 100);
        pLink->setText(text);
        pLink->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        pLink->setGeometry(50, 40, 200, 20);
        pLink->m_pbVisited = &bVisited;
    }
    bool Show() {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            return false;
        }
        // Wherever the last test left the pointer, it now rests on a corner that no test
        // moves to first.
        MoveTo(&window, QPoint(2, 1));
        MoveTo(&window, QPoint(1, 1));
        return true;
    }

    QWidget window;
    CStaticLink* pLink;
    int bVisited = 0;
};

const QColor kBlue(0, 0, 255);
const QColor kPurple(128, 0, 128);

} // namespace

class CStaticLinkTest : public QObject {
    Q_OBJECT

private slots:
    void drawsUnderlinedBlueUntilOpenedThenPurple() {
        CRecordingDesktop desktop;
        SLinkWindow w(QStringLiteral("http://www.example.org/pelmar/"));
        QVERIFY(w.Show());
        QVERIFY(CountPixels(*w.pLink, kBlue) > 0);
        QCOMPARE(CountPixels(*w.pLink, kPurple), 0);
        QVERIFY(w.pLink->m_font.has_value());
        QVERIFY(w.pLink->m_font->underline());
        QVERIFY(!w.pLink->font().underline());

        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(w.bVisited, 1);
        QTRY_VERIFY(CountPixels(*w.pLink, kPurple) > 0);
        QCOMPARE(CountPixels(*w.pLink, kBlue), 0);
    }

    void colourFollowsTheOwnersFlag() {
        // A flag set before the link is first drawn (an earlier showing) draws it visited.
        CRecordingDesktop desktop;
        SLinkWindow w(QStringLiteral("pelmar@example.org"));
        w.bVisited = 1;
        QVERIFY(w.Show());
        QVERIFY(CountPixels(*w.pLink, kPurple) > 0);
        QCOMPARE(CountPixels(*w.pLink, kBlue), 0);
        QVERIFY(desktop.m_opened.isEmpty());
    }

    void failedOpenBeepsOnceAndStaysBlue() {
        CRecordingDesktop desktop;
        desktop.m_bSucceed = false;
        SLinkWindow w(QStringLiteral("http://www.example.org/pelmar/"));
        QVERIFY(w.Show());
        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(desktop.m_opened.size(), 1);
        QCOMPARE(desktop.m_nBeeps, 1);
        QCOMPARE(w.bVisited, 0);
        QVERIFY(CountPixels(*w.pLink, kBlue) > 0);
        QCOMPARE(CountPixels(*w.pLink, kPurple), 0);

        // A later open that works turns it purple; failing never undoes a visit.
        desktop.m_bSucceed = true;
        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(w.bVisited, 1);
        desktop.m_bSucceed = false;
        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(w.bVisited, 1);
        QCOMPARE(desktop.m_nBeeps, 2);
    }

    void clickHandsTarget_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("presetLink");
        QTest::addColumn<QString>("target");
        QTest::newRow("mail address") << "pelmar@example.org" << QString() << "mailto:pelmar@example.org";
        QTest::newRow("mail address with scheme") << "mailto:pelmar@example.org" << QString()
                                                  << "mailto:pelmar@example.org";
        QTest::newRow("web address unchanged") << "http://www.example.org/pelmar/" << QString()
                                               << "http://www.example.org/pelmar/";
        QTest::newRow("user part alone is no address") << "pelmar" << QString() << "pelmar";
        QTest::newRow("another mailbox") << "someone@example.org" << QString() << "someone@example.org";
        QTest::newRow("target set before the click") << "Write to the author" << "pelmar@example.org"
                                                     << "mailto:pelmar@example.org";
    }
    void clickHandsTarget() {
        QFETCH(QString, text);
        QFETCH(QString, presetLink);
        QFETCH(QString, target);
        CRecordingDesktop desktop;
        SLinkWindow w(text);
        w.pLink->m_strLink = presetLink;
        QVERIFY(w.Show());
        // Twice in one showing, the second within the quiet second: the same target both times.
        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(desktop.m_opened, (QStringList{target, target}));
        QCOMPARE(w.pLink->text(), text);
    }

    void doubleClickOpensOnce() {
        CRecordingDesktop desktop;
        SLinkWindow w(QStringLiteral("http://www.example.org/pelmar/"));
        QVERIFY(w.Show());
        DoubleClick(w.pLink, QPoint(100, 10));
        QCOMPARE(desktop.m_opened.size(), 1);
    }

    void rightClickOpensNothing() {
        CRecordingDesktop desktop;
        SLinkWindow w(QStringLiteral("http://www.example.org/pelmar/"));
        QVERIFY(w.Show());
        QTest::mouseClick(w.pLink, Qt::RightButton, {}, QPoint(100, 10));
        QVERIFY(desktop.m_opened.isEmpty());
        QCOMPARE(w.pLink->m_bJustClicked, 0);
    }

    void handWhileThePointerIsOver() {
        CRecordingDesktop desktop;
        SLinkWindow w(QStringLiteral("http://www.example.org/pelmar/"));
        QVERIFY(w.Show());
        QCOMPARE(w.pLink->m_bCaptured, 0);
        MoveTo(&w.window, QPoint(10, 10));
        MoveTo(w.pLink, QPoint(100, 10));
        QCOMPARE(w.pLink->m_bCaptured, 1);
        QCOMPARE(w.pLink->cursor().shape(), Qt::PointingHandCursor);
        MoveTo(w.pLink, QPoint(120, 12));
        QCOMPARE(w.pLink->m_bCaptured, 1);
        QCOMPARE(w.pLink->cursor().shape(), Qt::PointingHandCursor);

        MoveTo(&w.window, QPoint(10, 10));
        QCOMPARE(w.pLink->m_bCaptured, 0);
        QCOMPARE(w.pLink->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(desktop.m_opened.isEmpty());
    }

    void movesIgnoredForASecondAfterAClick() {
        CRecordingDesktop desktop;
        SLinkWindow w(QStringLiteral("http://www.example.org/pelmar/"));
        QVERIFY(w.Show());
        MoveTo(&w.window, QPoint(10, 10));
        MoveTo(w.pLink, QPoint(100, 10));
        QCOMPARE(w.pLink->m_bCaptured, 1);
        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(w.pLink->m_bCaptured, 0);
        QCOMPARE(w.pLink->m_bJustClicked, 1);
        QCOMPARE(w.pLink->cursor().shape(), Qt::ArrowCursor);

        MoveTo(w.pLink, QPoint(110, 10));
        MoveTo(&w.window, QPoint(10, 10));
        MoveTo(w.pLink, QPoint(100, 10));
        QCOMPARE(w.pLink->m_bCaptured, 0);
        QCOMPARE(w.pLink->cursor().shape(), Qt::ArrowCursor);

        // Only the link's own timer ends the quiet second.
        w.pLink->OnTimer(CStaticLink::LINK_TIMER_ID + 1);
        QCOMPARE(w.pLink->m_bJustClicked, 1);
        QTest::qWait(CStaticLink::kJustClickedMs / 2);
        QCOMPARE(w.pLink->m_bJustClicked, 1);
        QTRY_COMPARE_WITH_TIMEOUT(w.pLink->m_bJustClicked, 0, 2 * CStaticLink::kJustClickedMs);

        MoveTo(w.pLink, QPoint(105, 10));
        QCOMPARE(w.pLink->m_bCaptured, 1);
        QCOMPARE(w.pLink->cursor().shape(), Qt::PointingHandCursor);
    }

    void pictureLabelDrawsAsAnyLabel() {
        SLinkWindow w{QString()};
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        w.pLink->setPixmap(pixmap);
        QVERIFY(w.Show());
        QVERIFY(!w.pLink->m_font.has_value());
        QVERIFY(CountPixels(*w.pLink, Qt::red) > 0);
        QVERIFY(w.pLink->hasMouseTracking());
    }

    void linkWithoutFlagOpensAndStaysBlue() {
        CRecordingDesktop desktop;
        SLinkWindow w(QStringLiteral("http://www.example.org/pelmar/"));
        w.pLink->m_pbVisited = nullptr;
        QVERIFY(w.Show());
        QTest::mouseClick(w.pLink, Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(desktop.m_opened.size(), 1);
        QVERIFY(CountPixels(*w.pLink, kBlue) > 0);
    }

    void desktopRefusesTargetsThatAreNoAddress_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("empty") << QString();
        QTest::newRow("no scheme") << QStringLiteral("pelmar");
        QTest::newRow("space in host") << QStringLiteral("http://www.exa mple.org/");
    }
    void desktopRefusesTargetsThatAreNoAddress() {
        QFETCH(QString, target);
        CQtDesktop desktop;
        QVERIFY(!desktop.Open(target));
    }
};

QTEST_MAIN(CStaticLinkTest)
#include "StaticLinkTest.moc"
