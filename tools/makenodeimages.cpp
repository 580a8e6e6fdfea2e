// Draws the eleven pictures of the main window's tree (16 x 16, transparent) into a folder:
// Group, NoCheck, Nomal, Critical, Question, Stop, SStart, SStop, Wait, Calendar, User.
// Run by hand when a picture changes; the results are kept in console/assets/.
// Build: g++ -std=c++20 -fPIC makenodeimages.cpp $(pkg-config --cflags --libs Qt6Gui) -o makenodeimages
// Usage: QT_QPA_PLATFORM=offscreen ./makenodeimages <folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

QImage Canvas() {
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// A small screen with a stand: every computer state is this picture in another colour.
void Monitor(QPainter& p, QColor screen) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(210, 210, 210));
    p.drawRect(QRectF(1.5, 1.5, 13, 10));
    p.setBrush(screen);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(3, 3, 10, 7));
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(5.5, 12.5, 5, 1));
    p.drawLine(QPointF(3.5, 14.5), QPointF(12.5, 14.5));
}

void Mark(QPainter& p, const QString& text, QColor colour) {
    QFont f = p.font();
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRectF(3, 2, 10, 8), Qt::AlignCenter, text);
}

void Group(QPainter& p) {
    p.setPen(QPen(QColor(130, 95, 10), 1));
    p.setBrush(QColor(245, 200, 70));
    QPainterPath tab;
    tab.moveTo(1.5, 4.5);
    tab.lineTo(1.5, 2.5);
    tab.lineTo(6.5, 2.5);
    tab.lineTo(7.5, 4.5);
    p.drawPath(tab);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.setPen(QColor(255, 230, 140));
    p.drawLine(QPointF(2.5, 5.5), QPointF(13.5, 5.5));
}

void NoCheck(QPainter& p) {
    Monitor(p, QColor(150, 150, 150));
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(QPointF(3, 10), QPointF(13, 3));
}

void Nomal(QPainter& p) {
    Monitor(p, QColor(40, 170, 60));
}

void Critical(QPainter& p) {
    Monitor(p, QColor(250, 210, 40));
    Mark(p, QStringLiteral("!"), QColor(120, 60, 0));
}

void Question(QPainter& p) {
    Monitor(p, QColor(245, 130, 30));
    Mark(p, QStringLiteral("?"), Qt::white);
}

void Stop(QPainter& p) {
    Monitor(p, QColor(210, 30, 30));
    p.setPen(QPen(Qt::white, 1.5));
    p.drawLine(QPointF(5, 4.5), QPointF(11, 8.5));
    p.drawLine(QPointF(5, 8.5), QPointF(11, 4.5));
}

// A service: a round lamp with a plug line.
void Service(QPainter& p, QColor lamp) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawLine(QPointF(1, 8), QPointF(4, 8));
    p.setBrush(lamp);
    p.drawEllipse(QRectF(4.5, 2.5, 10, 10));
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.drawArc(QRectF(6.5, 4.5, 5, 5), 90 * 16, 90 * 16);
}

void SStart(QPainter& p) {
    Service(p, QColor(40, 170, 60));
}
void SStop(QPainter& p) {
    Service(p, QColor(210, 30, 30));
}

void Wait(QPainter& p) {
    p.setPen(QPen(QColor(30, 60, 120), 1));
    p.setBrush(QColor(235, 240, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(30, 60, 120), 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
}

void Calendar(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(1.5, 2.5, 13, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) p.drawRect(QRectF(3 + c * 3, 7 + r * 2.5, 1.5, 1.5));
}

void User(QPainter& p) {
    p.setPen(QPen(QColor(40, 60, 110), 1));
    p.setBrush(QColor(250, 215, 170));
    p.drawEllipse(QRectF(5, 1.5, 6, 6));
    p.setBrush(QColor(70, 110, 190));
    QPainterPath body;
    body.moveTo(2.5, 14.5);
    body.cubicTo(2.5, 8.5, 13.5, 8.5, 13.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: makenodeimages <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const std::pair<const char*, std::function<void(QPainter&)>> pictures[] = {
        {"Group", Group},       {"NoCheck", NoCheck},   {"Nomal", Nomal},   {"Critical", Critical},
        {"Question", Question}, {"Stop", Stop},         {"SStart", SStart}, {"SStop", SStop},
        {"Wait", Wait},         {"Calendar", Calendar}, {"User", User},
    };
    for (const auto& [name, draw] : pictures) {
        QImage img = Canvas();
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            draw(p);
        }
        const QString path = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        if (!img.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
