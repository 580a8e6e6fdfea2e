#pragma once
// The warning lamp's window: a large animated beacon, frameless and above every other
// window, cut to the lamp's shape. One at a time; while it is up gPatLampShowing is set,
// and the main window's on-top switching leaves the top place to it. The one thing it
// gives way to is a message box or a dialog (PatLampGiveWay): the operator must be able to
// see what he is asked. PatLampWindowInstall makes ShowPatLamp and UnloadPatLamp (alarms/
// PatLamp.h) show and close it.

#include "alarms/PatLamp.h"

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <memory>

class FrmPatLamp : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPicture = 40;  // the pictures are 40 x 40 per frame
    static constexpr int kFrameCount = 5;

    explicit FrmPatLamp(QWidget* parent = nullptr);
    ~FrmPatLamp() override;

    // The size unit for a screen of this height in pixels: the lamp is 40 x unit pixels
    // square, about nine tenths of the screen height (at least 1).
    static int SizeUnit(int screenHeight);
    // The shape of a picture: every pixel whose colour differs from its top-left pixel's,
    // as the union of one-row runs.
    static QRegion LampShape(const QImage& picture);

    int Unit() const { return mUnit; }
    // The frame on the window now; -1 until the first tick (the background is shown).
    int CurrentFrame() const { return mShown; }
    // The frame the next tick shows; kept from one showing of the lamp to the next.
    static int NextFrame() { return sFrame; }
    QTimer& Timer_Lamp() { return mTimer; }
    // The lamp now shown (null when none).
    static FrmPatLamp* Current();
    // In the always-on-top layer (false while it gives way to a message box).
    bool OnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
    // Leaves the top layer and goes below the other windows, or takes the top again.
    void SetOnTop(bool onTop);

public slots:
    // One animation step: show the next frame, then move on (0..4, round and round).
    void Timer_Lamp_Timer();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void Form_Load();

    QImage mBig;     // the background enlarged to the window's size
    QImage mFrames;  // the five-frame strip
    QRegion mRegion;
    QTimer mTimer;
    int mUnit = 1;
    int mShown = -1;
    bool mPressed = false;
    bool mMovingByHand = false;
    QPoint mGrab;  // where in the window the pointer took hold of it

    static int sFrame;
};

// While one lives, ShowPatLamp and UnloadPatLamp show and close the lamp's window.
class PatLampWindowInstall {
public:
    PatLampWindowInstall();
    ~PatLampWindowInstall();
    PatLampWindowInstall(const PatLampWindowInstall&) = delete;
    PatLampWindowInstall& operator=(const PatLampWindowInstall&) = delete;

private:
    class Window;
    std::unique_ptr<Window> window_;
};
