#include "alarms/lamp/FrmPatLamp.h"

#include "model/Globals.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <cmath>

int FrmPatLamp::sFrame = 0;

namespace {
QPointer<FrmPatLamp> gLamp;  // the one lamp window, while it is up
}  // namespace

// The pictures are compiled into this static library; nothing else references them, so
// they are registered explicitly (outside any namespace, as the resource system needs).
static void LoadPictures() { Q_INIT_RESOURCE(PatLamp); }

FrmPatLamp::FrmPatLamp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    // The lamp comes up in the middle of whatever the operator is typing; it takes the top
    // place, not the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("PatLamp"));
    mTimer.setInterval(100);
    connect(&mTimer, &QTimer::timeout, this, &FrmPatLamp::Timer_Lamp_Timer);
    Form_Load();
}

FrmPatLamp::~FrmPatLamp() {
    if (gLamp == this || gLamp.isNull()) gPatLampShowing = false;
}

FrmPatLamp* FrmPatLamp::Current() { return gLamp.data(); }

int FrmPatLamp::SizeUnit(int screenHeight) {
    // Nearest integer, halves to the even one (600 gives 13.5 and so 14).
    const double n = std::nearbyint(double(screenHeight) / kPicture * 0.9);
    return qMax(1, int(n));
}

QRegion FrmPatLamp::LampShape(const QImage& picture) {
    if (picture.isNull()) return {};
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb key = img.pixel(0, 0);
    QList<QRect> runs;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int open = -1;
        for (int x = 0; x < img.width(); ++x) {
            const bool lamp = row[x] != key;
            if (lamp && open < 0) open = x;
            if (!lamp && open >= 0) {
                runs.append(QRect(open, y, x - open, 1));
                open = -1;
            }
        }
        if (open >= 0) runs.append(QRect(open, y, img.width() - open, 1));
    }
    QRegion region;
    // One-row runs, top to bottom and left to right, are already in the banded order a
    // region is built from.
    region.setRects(runs.constData(), int(runs.size()));
    return region;
}

void FrmPatLamp::Form_Load() {
    LoadPictures();
    const QImage back(QStringLiteral(":/alarms/assets/PatLampBack.png"));
    mFrames = QImage(QStringLiteral(":/alarms/assets/PatLampFrames.png")).convertToFormat(QImage::Format_RGB32);

    QScreen* screen = QGuiApplication::primaryScreen();
    const int height = screen ? screen->geometry().height() : 600;
    mUnit = SizeUnit(height);
    const int side = kPicture * mUnit;
    setFixedSize(side, side);
    if (screen) move(screen->geometry().center() - QPoint(side / 2, side / 2));

    if (!back.isNull()) {
        mBig = back.convertToFormat(QImage::Format_RGB32)
                   .scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        mRegion = LampShape(mBig);
        setMask(mRegion);
    }
    mTimer.start();
}

void FrmPatLamp::SetOnTop(bool onTop) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (flags != windowFlags()) {
        // Told to the window system as it stands: setWindowFlags would re-create the
        // window, hiding and showing the lamp.
        overrideWindowFlags(flags);
        if (QWindow* w = windowHandle()) w->setFlags(flags);
    }
    // Without a window manager the layer means nothing; the stacking order does.
    if (onTop)
        raise();
    else
        lower();
}

void FrmPatLamp::Timer_Lamp_Timer() {
    mShown = sFrame;
    repaint();
    sFrame = (sFrame + 1) % kFrameCount;
}

bool FrmPatLamp::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) gPatLampShowing = true;
    return QWidget::event(e);
}

void FrmPatLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (mShown >= 0 && !mFrames.isNull())
        p.drawImage(rect(), mFrames, QRect(0, mShown * kPicture, kPicture, kPicture));
    else if (!mBig.isNull())
        p.drawImage(0, 0, mBig);
}

void FrmPatLamp::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    mPressed = true;
    mMovingByHand = false;
    mGrab = e->position().toPoint();
}

void FrmPatLamp::mouseMoveEvent(QMouseEvent* e) {
    if (!mPressed || !(e->buttons() & Qt::LeftButton)) return;
    if (!mMovingByHand) {
        // The drag starts only once the pointer really moves, so a double click still
        // reaches the window. The window manager moves the lamp where it can; elsewhere
        // the lamp follows the pointer itself.
        if ((e->position().toPoint() - mGrab).manhattanLength() < QApplication::startDragDistance()) return;
        if (windowHandle() && windowHandle()->startSystemMove()) {
            mPressed = false;
            return;
        }
        mMovingByHand = true;
    }
    move(e->globalPosition().toPoint() - mGrab);
}

void FrmPatLamp::mouseReleaseEvent(QMouseEvent*) {
    mPressed = false;
    mMovingByHand = false;
}

void FrmPatLamp::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    mTimer.stop();
    gPatLampShowing = false;
    close();
}

void FrmPatLamp::closeEvent(QCloseEvent* e) {
    mTimer.stop();
    clearMask();
    mRegion = QRegion();
    if (gLamp == this) gLamp = nullptr;
    gPatLampShowing = false;
    e->accept();
}

class PatLampWindowInstall::Window final : public PatLampWindow {
public:
    void Show(bool giveWay) override {
        if (gLamp) return;  // already up (the flag had been cleared behind its back)
        gLamp = new FrmPatLamp;  // deletes itself when closed
        // An alarm while a message box is up: the lamp comes up outside the top layer
        // and below the box.
        if (giveWay) gLamp->SetOnTop(false);
        gLamp->show();
        if (giveWay) gLamp->lower();
    }
    void Close() override {
        if (gLamp) gLamp->close();
    }
    void GiveWay(bool giveWay) override {
        if (gLamp) gLamp->SetOnTop(!giveWay);
    }
};

PatLampWindowInstall::PatLampWindowInstall() : window_(std::make_unique<Window>()) {
    SetPatLampWindow(window_.get());
}

PatLampWindowInstall::~PatLampWindowInstall() { SetPatLampWindow(nullptr); }
