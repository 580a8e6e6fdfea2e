// Draws the warning lamp's pictures: a red rotating beacon on a grey base.
//   PatLampBack.png    40 x 40, the lamp's shape; every pixel outside the lamp has the key
//                      colour of the top-left pixel
//   PatLampFrames.png  40 x 200, five 40 x 40 frames from top to bottom, the beam turning
// Usage: makelamp <output folder>
#include <QColor>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr int kSize = 40;
constexpr int kFrames = 5;
const QColor kKey(255, 0, 255);

constexpr double kCenterX = 20.0;
constexpr double kDomeRadius = 11.0;
constexpr double kDomeRound = 16.0;  // the dome's round top is centred on this row
constexpr int kDomeBottom = 31;       // first row of the base

enum class Part { Outside, Dome, Base, Knob };

Part PartAt(int x, int y) {
    const double dx = x + 0.5 - kCenterX;
    const double py = y + 0.5;
    if (y >= 3 && y <= 5 && std::abs(dx) <= 2.0) return Part::Knob;
    if (py < kDomeRound) {
        const double dy = py - kDomeRound;
        if (dx * dx + dy * dy <= kDomeRadius * kDomeRadius) return Part::Dome;
    } else if (y < kDomeBottom && std::abs(dx) <= kDomeRadius) {
        return Part::Dome;
    }
    if (y >= kDomeBottom && y <= 37 && std::abs(dx) <= 15.0) return Part::Base;
    return Part::Outside;
}

int Clamp(double v) { return std::clamp(int(std::lround(v)), 0, 255); }

// frame < 0: the lamp switched off (the background picture).
QColor ColourAt(int x, int y, int frame) {
    const double dx = x + 0.5 - kCenterX;
    switch (PartAt(x, y)) {
    case Part::Outside: return kKey;
    case Part::Knob: return QColor(96, 96, 104);
    case Part::Base: {
        if (y == kDomeBottom) return QColor(140, 140, 150);
        const double s = 1.0 - std::abs(dx) / 16.0;
        return QColor(Clamp(50 + 40 * s), Clamp(50 + 40 * s), Clamp(58 + 40 * s));
    }
    case Part::Dome: break;
    }
    // A red glass cylinder, lit from the left.
    const double across = std::clamp(dx / kDomeRadius, -1.0, 1.0);
    const double shade = std::sqrt(1.0 - across * across);
    double r = 80 + 110 * shade, g = 8 + 14 * shade, b = 8 + 14 * shade;
    const double gloss = std::exp(-std::pow(dx + 6.0, 2) / 2.0) * 0.35;
    if (frame >= 0) {
        r += 40;
        // The reflector turns one fifth of a circle per frame; the beam is brightest when it
        // faces the viewer and slides across the dome as it turns.
        const double angle = 2 * std::numbers::pi * frame / kFrames;
        const double beamX = 8.5 * std::sin(angle);
        const double facing = (1.0 + std::cos(angle)) / 2.0;
        const double beam = std::exp(-std::pow(dx - beamX, 2) / (2 * 2.6 * 2.6)) * (0.3 + 0.7 * facing);
        r += (255 - r) * beam;
        g += (225 - g) * beam * 0.85;
        b += (190 - b) * beam * 0.6;
        const double bulb = std::hypot(dx, y + 0.5 - 21.0);
        if (bulb < 2.5) {
            r = 255;
            g = std::max(g, 230.0);
            b = std::max(b, 150.0);
        }
    }
    r += (255 - r) * gloss;
    g += (255 - g) * gloss;
    b += (255 - b) * gloss;
    return QColor(Clamp(r), Clamp(g), Clamp(b));
}

QImage Draw(int frame) {
    QImage img(kSize, kSize, QImage::Format_RGB888);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) img.setPixelColor(x, y, ColourAt(x, y, frame));
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QImage strip(kSize, kSize * kFrames, QImage::Format_RGB888);
    for (int k = 0; k < kFrames; ++k) {
        const QImage f = Draw(k);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) strip.setPixelColor(x, k * kSize + y, f.pixelColor(x, y));
    }
    const bool ok = Draw(-1).save(dir + QStringLiteral("/PatLampBack.png")) &&
                    strip.save(dir + QStringLiteral("/PatLampFrames.png"));
    if (!ok) std::fprintf(stderr, "cannot write the pictures into %s\n", argv[1]);
    return ok ? 0 : 1;
}
