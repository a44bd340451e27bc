// The header gradient: band arithmetic and painting.
#include "ui/Gradient2.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

constexpr quint32 kRed = 0x000000FF;
constexpr quint32 kWhite = 0x00FFFFFF;

struct Rgb {
    int r, g, b;
};

::testing::AssertionResult HasColor(const QColor& actual, Rgb expected) {
    if (actual.red() == expected.r && actual.green() == expected.g && actual.blue() == expected.b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.red() << ", " << actual.green() << ", " << actual.blue()
                                         << ") instead of (" << expected.r << ", " << expected.g << ", "
                                         << expected.b << ")";
}

// Left edge and exclusive right edge of a band, as Windows-style rectangles have them.
std::pair<int, int> Span(const QRect& rect) {
    return {rect.left(), rect.left() + rect.width()};
}

}  // namespace

TEST(GradientColorParts, SplitsBgrValue) {
    EXPECT_EQ(ColorRed(0x00123456), 0x56);
    EXPECT_EQ(ColorGreen(0x00123456), 0x34);
    EXPECT_EQ(ColorBlue(0x00123456), 0x12);
    EXPECT_EQ(ColorBlue(0xFF123456), 0x12);  // the top byte is no part of any channel
}

struct StepsRow {
    const char* name;
    int bits;
    int steps;
};

class GradientStepsTable : public ::testing::TestWithParam<StepsRow> {};

TEST_P(GradientStepsTable, BandCountFollowsDepth) {
    EXPECT_EQ(GradientSteps(GetParam().bits), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(Depths, GradientStepsTable,
                         ::testing::Values(StepsRow{"bits4", 4, 64}, StepsRow{"bits8", 8, 64},
                                           StepsRow{"bits15", 15, 32}, StepsRow{"bits16", 16, 256},
                                           StepsRow{"bits24", 24, 256}, StepsRow{"bits32", 32, 256},
                                           StepsRow{"bits7", 7, 64}, StepsRow{"bits1", 1, 64}),
                         [](const auto& info) { return std::string(info.param.name); });

class HeaderStripExample : public ::testing::Test {
protected:
    // The header strip on a 24-bit display: 615 pixels wide, red fading to white.
    std::vector<GradientBand> bands = GradientBands(615, 57, kRed, kWhite, 2, 256);
};

TEST_F(HeaderStripExample, BandZeroIsEmptyAndClosingFillIsLast) {
    ASSERT_EQ(bands.size(), 257u);
    EXPECT_TRUE(bands[0].rect.isEmpty());
    EXPECT_EQ(Span(bands[0].rect), std::make_pair(615, 615));
    EXPECT_EQ(Span(bands[256].rect), std::make_pair(0, 3));
    EXPECT_TRUE(HasColor(bands[256].color, {255, 0, 0}));
}

TEST_F(HeaderStripExample, EdgesOfNamedBands) {
    EXPECT_EQ(Span(bands[1].rect), std::make_pair(613, 615));
    EXPECT_EQ(Span(bands[2].rect), std::make_pair(610, 613));
    EXPECT_EQ(Span(bands[128].rect), std::make_pair(308, 310));  // 615 - 307.2
    EXPECT_EQ(Span(bands[255].rect), std::make_pair(3, 5));
}

TEST_F(HeaderStripExample, EveryBandStepsOneUnitAndTouchesItsNeighbour) {
    for (int i = 1; i <= 255; ++i) {
        SCOPED_TRACE(i);
        const QRect& rect = bands[static_cast<size_t>(i)].rect;
        EXPECT_TRUE(HasColor(bands[static_cast<size_t>(i)].color, {255, 255 - i, 255 - i}));
        // Left edge at 615 - 2.4 * i, halves to even.
        EXPECT_EQ(rect.left(), static_cast<int>(std::nearbyint(615 - 2.4 * i)));
        EXPECT_EQ(rect.left() + rect.width(), bands[static_cast<size_t>(i - 1)].rect.left());
        EXPECT_EQ(rect.top(), 0);
        EXPECT_EQ(rect.height(), 57);
    }
}

struct EqualColorRow {
    const char* name;
    int steps;
    int value;
    int firstRaisedBand;  // first band one unit above the colour; steps when none
};

class GradientEqualColors : public ::testing::TestWithParam<EqualColorRow> {};

TEST_P(GradientEqualColors, UnchangedChannelCreepsUpOnlyNearTheFarEdge) {
    const EqualColorRow& row = GetParam();
    const quint32 color = static_cast<quint32>(row.value) * 0x010101u;
    const auto bands = GradientBands(600, 10, color, color, 2, row.steps);
    ASSERT_EQ(bands.size(), static_cast<size_t>(row.steps) + 1);
    for (int i = 0; i < row.steps; ++i) {
        SCOPED_TRACE(i);
        const int expected = std::min(255, i >= row.firstRaisedBand ? row.value + 1 : row.value);
        EXPECT_TRUE(HasColor(bands[static_cast<size_t>(i)].color, {expected, expected, expected}));
    }
    EXPECT_TRUE(HasColor(bands.back().color, {row.value, row.value, row.value}));
}

INSTANTIATE_TEST_SUITE_P(
    Bands, GradientEqualColors,
    ::testing::Values(EqualColorRow{"steps256", 256, 200, 256}, EqualColorRow{"steps64even", 64, 128, 51},
                      EqualColorRow{"steps64odd", 64, 127, 50}, EqualColorRow{"steps32even", 32, 128, 17},
                      EqualColorRow{"steps32odd", 32, 127, 17},
                      EqualColorRow{"steps64white_capped", 64, 255, 50}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GradientVertical, HundredPixelsHighGivesOnePixelBandsFromTheBottom) {
    const auto bands = GradientBands(40, 100, kRed, kWhite, 1, 256);
    ASSERT_EQ(bands.size(), 257u);
    int visible = 0;
    int nextBottom = 100;
    for (size_t i = 0; i + 1 < bands.size(); ++i) {
        const QRect& rect = bands[i].rect;
        EXPECT_EQ(rect.left(), 0);
        EXPECT_EQ(rect.width(), 40);
        EXPECT_EQ(rect.top() + rect.height(), nextBottom);
        EXPECT_LE(rect.height(), 1);
        visible += rect.height() > 0 ? 1 : 0;
        nextBottom = rect.top();
    }
    // pH = 39: band 255 starts at 100 - 99.45, so the bands cover rows 1..99 and the
    // closing fill the top row.
    EXPECT_EQ(visible, 99);
    EXPECT_EQ(bands.back().rect, QRect(0, 0, 40, 1));
    EXPECT_TRUE(HasColor(bands.back().color, {255, 0, 0}));
}

TEST(GradientComponents, BelowZeroCountsAsZero) {
    // Blue falls by two units over 256 bands: the increment overshoots below 0.
    const auto bands = GradientBands(300, 5, 0x00000000, 0x00020000, 2, 256);
    EXPECT_TRUE(HasColor(bands[255].color, {0, 0, 0}));
    EXPECT_TRUE(HasColor(bands.back().color, {0, 0, 0}));
}

TEST(GradientPainting, PixelsMatchTheBandsAndCoverTheWholeArea) {
    for (const QSize size : {QSize(615, 57), QSize(300, 20)}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        DrawGradient(image, kRed, kWhite, 2);
        const int steps = GradientSteps(GradientColorBits());
        for (const GradientBand& band : GradientBands(size.width(), size.height(), kRed, kWhite, 2, steps)) {
            for (int x = band.rect.left(); x < band.rect.left() + band.rect.width(); ++x)
                ASSERT_EQ(image.pixelColor(x, size.height() / 2), band.color) << "x " << x;
        }
        EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 0, 0));
        EXPECT_EQ(image.pixelColor(size.width() - 1, size.height() - 1).red(), 255);
        EXPECT_LT(image.pixelColor(size.width() - 1, size.height() - 1).green(), 255);
    }
}

TEST(GradientPainting, DepthIsMeasuredOnlyOnce) {
    QImage first(50, 10, QImage::Format_RGB32);
    DrawGradient(first, kRed, kWhite, 2);
    const int measured = GradientColorBits();
    ASSERT_NE(measured, 0);
    QImage shallow(50, 10, QImage::Format_RGB16);
    DrawGradient(shallow, kRed, kWhite, 2);
    EXPECT_EQ(GradientColorBits(), measured);
}
