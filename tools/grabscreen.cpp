// Saves what an X display shows as a PNG, cut to the area that is not background (on a
// bare X server without a window manager that is the program's window).
// Build: g++ -std=c++20 -fPIC grabscreen.cpp $(pkg-config --cflags --libs Qt6Gui) -o grabscreen
// Usage: DISPLAY=:99 QT_QPA_PLATFORM=xcb ./grabscreen <output.png>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: grabscreen <output.png>\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "no screen\n");
        return 1;
    }
    QImage image = screen->grabWindow(0).toImage();
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right >= left && bottom >= top) image = image.copy(left, top, right - left + 1, bottom - top + 1);
    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
