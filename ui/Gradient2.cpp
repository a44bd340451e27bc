#include "ui/Gradient2.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Measured on the first call and kept for the life of the process: a change of display
// depth while the program runs is deliberately not followed.
qint32 lColorBits = 0;
qint16 iSteps = 0;

// Channels are carried as hundredths in 16-bit integers; sums wrap as 16-bit values would.
qint16 Add16(qint16 a, qint16 b) {
    return static_cast<qint16>(static_cast<quint16>(static_cast<quint16>(a) + static_cast<quint16>(b)));
}

int ClampComponent(double value) {
    return static_cast<int>(std::clamp(value, 0.0, 255.0));
}

// Band colours round half to even; the closing fill rounds down.
QColor BandColor(qint16 r, qint16 g, qint16 b) {
    return QColor(ClampComponent(std::nearbyint(r / 100.0)), ClampComponent(std::nearbyint(g / 100.0)),
                  ClampComponent(std::nearbyint(b / 100.0)));
}

QColor ClosingColor(qint16 r, qint16 g, qint16 b) {
    return QColor(ClampComponent(std::floor(r / 100.0)), ClampComponent(std::floor(g / 100.0)),
                  ClampComponent(std::floor(b / 100.0)));
}

// Per-band increment of one channel in hundredths, rounded towards minus infinity.
qint16 Increment(int startPart, int endPart, int steps) {
    const double step = std::floor(static_cast<double>(startPart - endPart + 1) / steps * 100.0);
    return static_cast<qint16>(static_cast<qint32>(step));
}

// Rectangle from Windows-style edges (right and bottom exclusive).
QRect EdgeRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

qint16 ColorRed(quint32 color) {
    return static_cast<qint16>(color & 0xFFu);
}

qint16 ColorGreen(quint32 color) {
    return static_cast<qint16>((color / 0x100u) & 0xFFu);
}

qint16 ColorBlue(quint32 color) {
    return static_cast<qint16>((color / 0x10000u) & 0xFFu);
}

int GradientSteps(int colorBits) {
    switch (colorBits) {
    case 4:
    case 8:
        return 64;
    case 15:
        return 32;
    case 16:
    case 24:
    case 32:
        return 256;
    default:
        return 64;
    }
}

int GradientColorBits() {
    return lColorBits;
}

std::vector<GradientBand> GradientBands(int width, int height, quint32 startColor, quint32 endColor,
                                        qint16 direction, int steps) {
    std::vector<GradientBand> bands;
    if (steps <= 0)
        return bands;
    bands.reserve(static_cast<size_t>(steps) + 1);

    const qint16 dR = Increment(ColorRed(startColor), ColorRed(endColor), steps);
    const qint16 dG = Increment(ColorGreen(startColor), ColorGreen(endColor), steps);
    const qint16 dB = Increment(ColorBlue(startColor), ColorBlue(endColor), steps);

    qint16 aR = static_cast<qint16>(ColorRed(endColor) * 100);
    qint16 aG = static_cast<qint16>(ColorGreen(endColor) * 100);
    qint16 aB = static_cast<qint16>(ColorBlue(endColor) * 100);

    const qint32 pH = static_cast<qint32>(std::floor(static_cast<double>(height) / steps * 100.0));
    const qint32 pW = static_cast<qint32>(std::floor(static_cast<double>(width) / steps * 100.0));

    int left = 0;
    int top = 0;
    int right = width;
    int bottom = height;

    for (int i = 0; i < steps; ++i) {
        const QColor color = BandColor(aR, aG, aB);
        if (direction == 1) {
            top = static_cast<int>(std::nearbyint(height - static_cast<double>(i) * pH / 100.0));
            bands.push_back({EdgeRect(left, top, right, bottom), color});
            bottom = top;
        } else {
            left = static_cast<int>(std::nearbyint(width - static_cast<double>(i) * pW / 100.0));
            bands.push_back({EdgeRect(left, top, right, bottom), color});
            right = left;
        }
        if (i != steps - 1) {
            aR = Add16(aR, dR);
            aG = Add16(aG, dG);
            aB = Add16(aB, dB);
        }
    }

    // The strip between the far edge and the last band.
    left = 0;
    top = 0;
    bands.push_back({EdgeRect(left, top, right, bottom), ClosingColor(aR, aG, aB)});
    return bands;
}

void DrawGradient(QPaintDevice& target, quint32 lStartColor, quint32 lEndColor, qint16 iDirection) {
    if (lColorBits == 0) {
        // One colour plane: Qt reports the whole depth per pixel.
        lColorBits = target.depth();
        iSteps = static_cast<qint16>(GradientSteps(lColorBits));
        switch (lColorBits) {
        case 4:
        case 8:
        case 15:
        case 16:
        case 24:
        case 32:
            break;
        default:
            lColorBits = 4;
            break;
        }
    }

    const int width = target.width();
    const int height = target.height();
    QPainter painter(&target);
    if (!painter.isActive())
        return;
    for (const GradientBand& band : GradientBands(width, height, lStartColor, lEndColor, iDirection, iSteps)) {
        if (!band.rect.isEmpty())
            painter.fillRect(band.rect, band.color);
    }
}
