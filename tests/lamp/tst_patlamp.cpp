// The warning lamp window, offscreen: its size, its shape, its animation and its life.
#include "TestSupport.h"

#include "alarms/lamp/FrmPatLamp.h"
#include "model/Globals.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <cstdlib>

namespace {

int LampWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<FrmPatLamp*>(w) && w->isVisible()) ++n;
    return n;
}

// The region as a picture: white inside, black outside.
QImage Paint(const QRegion& region, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setClipRegion(region);
    p.fillRect(img.rect(), Qt::white);
    return img;
}

// The lamp's layer as the widget sees it and as the window system was told: "top",
// "below", or "mixed" when the two differ.
QString Layer(const FrmPatLamp* lamp) {
    if (!lamp) return QStringLiteral("none");
    const bool window = lamp->windowHandle() && lamp->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
    if (window != lamp->OnTop()) return QStringLiteral("mixed");
    return window ? QStringLiteral("top") : QStringLiteral("below");
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}  // namespace

class PatLampTest : public QObject {
    Q_OBJECT

    PatLampWindowInstall window_;  // the lamp's window, as the main window installs it

private slots:
    void init() {
        gOptPatLamp = true;
        gPatLampShowing = false;
    }

    void cleanup() {
        UnloadPatLamp();
        QTest::qWait(0);  // let closed lamps delete themselves
        QCOMPARE(LampWindows(), 0);
    }

    void sizeUnit_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("unit");
        QTest::newRow("600: 13.5 rounds to the even 14") << 600 << 14;
        QTest::newRow("768") << 768 << 17;
        QTest::newRow("1080") << 1080 << 24;
        QTest::newRow("1000: 22.5 rounds to the even 22") << 1000 << 22;
        QTest::newRow("1440") << 1440 << 32;
        QTest::newRow("tiny screen: at least one") << 20 << 1;
    }

    void sizeUnit() {
        QFETCH(int, height);
        QFETCH(int, unit);
        QCOMPARE(FrmPatLamp::SizeUnit(height), unit);
    }

    // The shape is every pixel not of the top-left pixel's colour, holes inside included.
    void shapeFromKeyColour() {
        const QColor key(255, 0, 255), red(200, 20, 20), grey(90, 90, 90);
        const char* rows[] = {
            "..rr..",
            ".rrrr.",
            ".r.rrr",  // a key-colour pixel inside the lamp, and a run open at the row's end
            "gggggg",
        };
        QImage pic(6, 4, QImage::Format_RGB888);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                pic.setPixelColor(x, y, rows[y][x] == '.' ? key : rows[y][x] == 'r' ? red : grey);
        const QRegion shape = FrmPatLamp::LampShape(pic);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                QVERIFY2(shape.contains(QPoint(x, y)) == (rows[y][x] != '.'), qPrintable(QString("%1,%2").arg(x).arg(y)));
        QCOMPARE(shape.boundingRect(), QRect(0, 0, 6, 4));
        QVERIFY(FrmPatLamp::LampShape(QImage()).isEmpty());
    }

    // The real lamp: sized from the (offscreen) screen, frameless, on top, cut to the shape
    // of its enlarged background picture.
    void windowSizeAndMask() {
        ShowPatLamp();
        FrmPatLamp* lamp = FrmPatLamp::Current();
        QVERIFY(lamp);
        QVERIFY(lamp->isVisible());
        QVERIFY(gPatLampShowing);
        QVERIFY(lamp->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(lamp->windowFlags() & Qt::WindowStaysOnTopHint);

        // Whatever the screen, the lamp is a square of 40 x unit pixels, within 20 pixels of
        // nine tenths of the screen height.
        const int height = QGuiApplication::primaryScreen()->geometry().height();
        const int side = 40 * FrmPatLamp::SizeUnit(height);
        QCOMPARE(lamp->Unit(), FrmPatLamp::SizeUnit(height));
        QCOMPARE(lamp->size(), QSize(side, side));
        QVERIFY(std::abs(side - height * 9 / 10) <= 20);

        const QImage big = QImage(QStringLiteral(":/alarms/assets/PatLampBack.png"))
                               .convertToFormat(QImage::Format_RGB32)
                               .scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        QVERIFY(!big.isNull());
        const QRgb key = big.pixel(0, 0);
        const QImage mask = Paint(lamp->mask(), lamp->size());
        int inside = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const bool in = mask.pixel(x, y) == qRgb(255, 255, 255);
                if (in != (big.pixel(x, y) != key))
                    QFAIL(qPrintable(QString("mask wrong at %1,%2").arg(x).arg(y)));
                inside += in;
            }
        // A lamp, not a square and not nothing.
        QVERIFY(inside > side * side / 4);
        QVERIFY(inside < side * side * 9 / 10);
    }

    // Every tick shows the next of the five frames, enlarged, and wraps after the fifth.
    void frameAdvance() {
        ShowPatLamp();
        FrmPatLamp* lamp = FrmPatLamp::Current();
        QVERIFY(lamp);
        QVERIFY(lamp->Timer_Lamp().isActive());
        QCOMPARE(lamp->Timer_Lamp().interval(), 100);
        lamp->Timer_Lamp().stop();  // step by hand from here

        const QImage strip = QImage(QStringLiteral(":/alarms/assets/PatLampFrames.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(strip.size(), QSize(40, 200));
        const QImage back = QImage(QStringLiteral(":/alarms/assets/PatLampBack.png")).convertToFormat(QImage::Format_RGB32);
        const int n = lamp->Unit();
        const int start = FrmPatLamp::NextFrame();
        for (int step = 0; step < 7; ++step) {
            const int k = (start + step) % 5;
            QCOMPARE(FrmPatLamp::NextFrame(), k);
            lamp->Timer_Lamp_Timer();
            QCOMPARE(lamp->CurrentFrame(), k);
            QCOMPARE(FrmPatLamp::NextFrame(), (k + 1) % 5);
            // The window shows tile k, pixel for pixel at the centre of each enlarged pixel.
            const QImage shown = lamp->grab().toImage().convertToFormat(QImage::Format_RGB32);
            for (int ty = 0; ty < 40; ++ty)
                for (int tx = 0; tx < 40; ++tx) {
                    if (back.pixel(tx, ty) == back.pixel(0, 0)) continue;  // outside the lamp
                    if (shown.pixel(tx * n + n / 2, ty * n + n / 2) != strip.pixel(tx, 40 * k + ty))
                        QFAIL(qPrintable(QString("frame %1 wrong at %2,%3").arg(k).arg(tx).arg(ty)));
                }
        }
    }

    void animatesOnItsOwn() {
        ShowPatLamp();
        QPointer<FrmPatLamp> lamp = FrmPatLamp::Current();
        QVERIFY(lamp);
        QTRY_VERIFY_WITH_TIMEOUT(lamp->CurrentFrame() >= 0, 3000);
        const int first = lamp->CurrentFrame();
        QTRY_VERIFY_WITH_TIMEOUT(lamp->CurrentFrame() != first, 3000);
    }

    // A second alarm neither opens a second window nor restarts the animation.
    void oneAtATime() {
        ShowPatLamp();
        FrmPatLamp* lamp = FrmPatLamp::Current();
        QVERIFY(lamp);
        lamp->Timer_Lamp().stop();
        lamp->Timer_Lamp_Timer();
        lamp->Timer_Lamp_Timer();
        const int next = FrmPatLamp::NextFrame();
        ShowPatLamp();
        ShowPatLamp();
        QCOMPARE(FrmPatLamp::Current(), lamp);
        QCOMPARE(LampWindows(), 1);
        QCOMPARE(FrmPatLamp::NextFrame(), next);
        QCOMPARE(lamp->CurrentFrame(), (next + 4) % 5);

        // Even when the flag was cleared behind its back, the one lamp stays the only one.
        gPatLampShowing = false;
        ShowPatLamp();
        QCOMPARE(LampWindows(), 1);
        QVERIFY(gPatLampShowing);
    }

    void optionOff() {
        gOptPatLamp = false;
        ShowPatLamp();
        QVERIFY(!FrmPatLamp::Current());
        QVERIFY(!gPatLampShowing);
        QCOMPARE(LampWindows(), 0);
    }

    // Double click: the lamp goes, the flag clears, and the next alarm brings a fresh lamp
    // whose animation carries on from the frame the last one reached.
    void doubleClickCloses() {
        ShowPatLamp();
        QPointer<FrmPatLamp> lamp = FrmPatLamp::Current();
        QVERIFY(lamp);
        lamp->Timer_Lamp().stop();
        lamp->Timer_Lamp_Timer();
        const int next = FrmPatLamp::NextFrame();
        const QPoint centre = lamp->rect().center();
        QTest::mouseDClick(lamp.data(), Qt::LeftButton, Qt::NoModifier, centre);
        QVERIFY(!gPatLampShowing);
        QVERIFY(!FrmPatLamp::Current());
        QTRY_VERIFY_WITH_TIMEOUT(lamp.isNull(), 3000);
        QCOMPARE(LampWindows(), 0);

        ShowPatLamp();
        FrmPatLamp* again = FrmPatLamp::Current();
        QVERIFY(again);
        QVERIFY(gPatLampShowing);
        QCOMPARE(FrmPatLamp::NextFrame(), next);
        QCOMPARE(again->CurrentFrame(), -1);
    }

    // Taken down by the program (no failing computer left) and shown again at once.
    void unloadThenShowAgain() {
        ShowPatLamp();
        QPointer<FrmPatLamp> old = FrmPatLamp::Current();
        QVERIFY(old);
        UnloadPatLamp();
        QVERIFY(!gPatLampShowing);
        QVERIFY(!old->isVisible());
        ShowPatLamp();  // before the old window is even deleted
        QVERIFY(FrmPatLamp::Current());
        QVERIFY(FrmPatLamp::Current() != old.data());
        QTRY_VERIFY_WITH_TIMEOUT(old.isNull(), 3000);
        // The old window going away does not clear the new one's flag.
        QVERIFY(gPatLampShowing);
        QCOMPARE(LampWindows(), 1);
        UnloadPatLamp();
        UnloadPatLamp();  // nothing left: harmless
        QVERIFY(!gPatLampShowing);
    }

    // While message boxes are up the lamp is out of the top layer, also one that comes up
    // meanwhile; it takes the top back when the last box is gone, and only then.
    void givesWayToMessageBoxes() {
        ShowPatLamp();
        QPointer<FrmPatLamp> lamp = FrmPatLamp::Current();
        QCOMPARE(Layer(lamp), QStringLiteral("top"));
        {
            const PatLampGiveWay box;
            QCOMPARE(Layer(lamp), QStringLiteral("below"));
            {
                const PatLampGiveWay nested;
                QCOMPARE(Layer(lamp), QStringLiteral("below"));
            }
            QCOMPARE(Layer(lamp), QStringLiteral("below"));  // the outer box is still up
            QVERIFY(lamp->isVisible());
            QVERIFY(gPatLampShowing);
        }
        QCOMPARE(Layer(lamp), QStringLiteral("top"));

        // An alarm while a box is up, after the lamp was double-clicked away.
        UnloadPatLamp();
        {
            const PatLampGiveWay box;
            ShowPatLamp();
            FrmPatLamp* fresh = FrmPatLamp::Current();
            QVERIFY(fresh && fresh->isVisible());
            QCOMPARE(Layer(fresh), QStringLiteral("below"));
            UnloadPatLamp();  // and taken down again before the box is answered
        }
        QVERIFY(!FrmPatLamp::Current());
        ShowPatLamp();
        QCOMPARE(Layer(FrmPatLamp::Current()), QStringLiteral("top"));
    }

    // The user drags the lamp by any point of it; a click without moving leaves it alone.
    void dragMoves() {
        ShowPatLamp();
        FrmPatLamp* lamp = FrmPatLamp::Current();
        QVERIFY(lamp);
        lamp->move(10, 10);
        const QPoint start = lamp->pos();
        const QPoint grab = lamp->rect().center();
        SendMouse(lamp, QEvent::MouseButtonPress, grab, Qt::LeftButton);
        SendMouse(lamp, QEvent::MouseMove, grab + QPoint(1, 0), Qt::LeftButton);
        QCOMPARE(lamp->pos(), start);
        SendMouse(lamp, QEvent::MouseMove, grab + QPoint(30, 20), Qt::LeftButton);
        QCOMPARE(lamp->pos(), start + QPoint(30, 20));
        SendMouse(lamp, QEvent::MouseButtonRelease, grab + QPoint(30, 20), Qt::NoButton);
        SendMouse(lamp, QEvent::MouseMove, grab + QPoint(80, 80), Qt::NoButton);
        QCOMPARE(lamp->pos(), start + QPoint(30, 20));
        QVERIFY(gPatLampShowing);
    }
};

VANTORO_TEST_MAIN(PatLampTest)
#include "tst_patlamp.moc"
