#pragma once

#include <QColor>
#include <QRect>
#include <QtGlobal>
#include <vector>

class QPaintDevice;

// Colour parts of a 0x00BBGGRR value.
qint16 ColorRed(quint32 color);
qint16 ColorGreen(quint32 color);
qint16 ColorBlue(quint32 color);

// One filled rectangle of a gradient, in paint order (the closing fill last).
struct GradientBand {
    QRect rect;  // left, top, right (exclusive), bottom (exclusive) as filled
    QColor color;
};

// The bands for an area of width x height pixels, given the band count `steps`.
// Direction 1: horizontal bands from the bottom up; otherwise vertical bands from the right.
std::vector<GradientBand> GradientBands(int width, int height, quint32 startColor, quint32 endColor,
                                        qint16 direction, int steps);

// Band count for a colour depth in bits (the depth is measured once per process).
int GradientSteps(int colorBits);

// The colour depth measured by the first DrawGradient call; 0 before it, 4 for an odd depth.
int GradientColorBits();

// Paints the gradient over the whole of `target`.
void DrawGradient(QPaintDevice& target, quint32 lStartColor, quint32 lEndColor, qint16 iDirection);
