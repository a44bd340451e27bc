// The balloon tooltip class: its decisions, and the balloon driven by pointer events.
#include "ui/BalloonTip.h"
#include "ui/clsToolTipDeLuxe.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Moves the pointer onto `control` (its centre unless given) through the window system.
void PointerTo(QWidget* control, QPoint pos = {}) {
    QTest::mouseMove(control, pos.isNull() ? control->rect().center() : pos);
}

// Moves the pointer off `control` to an empty corner of its window.
void PointerLeaves(QWidget* control) {
    QWidget* window = control->window();
    QTest::mouseMove(window, QPoint(window->width() - 2, window->height() - 2));
}

// A window with two buttons and a list, shown and active.
class TipWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->setObjectName("testWindow");
        window->resize(400, 300);
        buttonA = new QPushButton("A", window.get());
        buttonA->setObjectName("btnA");
        buttonA->setGeometry(20, 20, 120, 25);
        buttonB = new QPushButton("B", window.get());
        buttonB->setObjectName("btnB");
        buttonB->setGeometry(20, 100, 120, 25);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // The toolkit drops a move to where the pointer already is: start away from the buttons.
        PointerLeaves(buttonA);
    }

    BalloonTip* Tip() const { return tip.TipWindow(); }

    std::unique_ptr<QWidget> window;
    QPushButton* buttonA = nullptr;
    QPushButton* buttonB = nullptr;
    clsToolTipDeLuxe tip;
};

}  // namespace

// --- decisions of the class ---

struct ClampRow {
    const char* name;
    bool visibleTime;
    qint32 input;
    int sent;
};

class TipDelayClamp : public ::testing::TestWithParam<ClampRow> {};

TEST_P(TipDelayClamp, TimeIsClampedToAWord) {
    const ClampRow& row = GetParam();
    QWidget owner;
    clsToolTipDeLuxe tip;
    tip.Create(&owner, true, true);
    if (row.visibleTime) {
        tip.VisibleTime(row.input);
        EXPECT_EQ(tip.VisibleTimeSent(), row.sent);
    } else {
        tip.DelayTime(row.input);
        EXPECT_EQ(tip.DelayTimeSent(), row.sent);
    }
}

INSTANTIATE_TEST_SUITE_P(Times, TipDelayClamp,
                         ::testing::Values(ClampRow{"visible40000", true, 40000, 32767},
                                           ClampRow{"visibleMinus5", true, -5, 0},
                                           ClampRow{"visible5000", true, 5000, 5000},
                                           ClampRow{"delay1000", false, 1000, 1000},
                                           ClampRow{"delay32768", false, 32768, 32767},
                                           ClampRow{"delayMinus1", false, -1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TipMaxWidth, NeverSetCreateSends300) {
    QWidget owner;
    clsToolTipDeLuxe tip;
    EXPECT_EQ(tip.MaxWidthSent(), -1);  // no window yet
    tip.Create(&owner, true, true);
    EXPECT_EQ(tip.MaxWidthSent(), 300);
}

TEST(TipMaxWidth, SetBeforeCreateIsSentByCreate) {
    QWidget owner;
    clsToolTipDeLuxe tip;
    tip.MaxWidth(400);
    EXPECT_EQ(tip.TipWidth(), 400);
    tip.Create(&owner, true, true);
    EXPECT_EQ(tip.MaxWidthSent(), 400);
}

TEST(TipMaxWidth, SetAfterCreateIsSentAtOnceUnclamped) {
    QWidget owner;
    clsToolTipDeLuxe tip;
    tip.Create(&owner, true, true);
    tip.MaxWidth(400);
    EXPECT_EQ(tip.MaxWidthSent(), 400);
    tip.MaxWidth(-7);
    EXPECT_EQ(tip.MaxWidthSent(), -7);
}

TEST(TipBeforeCreate, OtherSettersGoNowhere) {
    QWidget owner;
    QPushButton button(&owner);
    clsToolTipDeLuxe tip;
    tip.VisibleTime(1234);
    tip.DelayTime(77);
    const FontSpec font{"Verdana", 20};
    tip.Font(&font, 96);
    EXPECT_FALSE(tip.AddControl(&button, "x", true));
    tip.Create(&owner, true, true);
    // The window keeps its defaults, derived from the double-click time.
    EXPECT_EQ(tip.VisibleTimeSent(), QApplication::doubleClickInterval() * 10);
    EXPECT_EQ(tip.DelayTimeSent(), QApplication::doubleClickInterval());
    EXPECT_EQ(tip.LastFontHeight(), 0);
    EXPECT_EQ(tip.ToolFlags(&button), 0u);
}

struct StyleRow {
    const char* name;
    bool always;
    bool balloon;
    quint32 style;
};

class TipStyle : public ::testing::TestWithParam<StyleRow> {};

TEST_P(TipStyle, StyleBitsFromTheTwoBooleans) {
    QWidget owner;
    clsToolTipDeLuxe tip;
    tip.Create(&owner, GetParam().always, GetParam().balloon);
    EXPECT_EQ(tip.Style(), GetParam().style);
}

INSTANTIATE_TEST_SUITE_P(Create, TipStyle,
                         ::testing::Values(StyleRow{"neither", false, false, 0x80000002u},
                                           StyleRow{"alwaysOnly", true, false, 0x80000003u},
                                           StyleRow{"balloonOnly", false, true, 0x80000042u},
                                           StyleRow{"both", true, true, 0x80000043u}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TipAddControl, CentreFlagDecidesTheToolFlags) {
    QWidget owner;
    QPushButton centred(&owner);
    QPushButton atPointer(&owner);
    clsToolTipDeLuxe tip;
    tip.Create(&owner, true, true);
    EXPECT_TRUE(tip.AddControl(&centred, "c", true));
    EXPECT_TRUE(tip.AddControl(&atPointer, "p", false));
    EXPECT_FALSE(tip.AddControl(nullptr, "n", true));
    EXPECT_EQ(tip.ToolFlags(&centred), 0x13u);
    EXPECT_EQ(tip.ToolFlags(&atPointer), 0x11u);
    EXPECT_EQ(tip.TipWindow()->ToolCount(), 2);
}

struct FontRow {
    const char* name;
    double size;
    bool bold;
    int dpi;
    int height;
    int weight;
};

class TipFont : public ::testing::TestWithParam<FontRow> {};

TEST_P(TipFont, HeightAndWeightOfTheBuiltFont) {
    const FontRow& row = GetParam();
    QWidget owner;
    clsToolTipDeLuxe tip;
    tip.Create(&owner, true, true);
    FontSpec font{"Comic Sans MS", row.size, row.bold};
    tip.Font(&font, row.dpi);
    EXPECT_EQ(tip.LastFontHeight(), row.height);
    EXPECT_EQ(tip.LastFontWeight(), row.weight);
    EXPECT_EQ(tip.TipWindow()->TipFont().family(), "Comic Sans MS");
}

INSTANTIATE_TEST_SUITE_P(Sizes, TipFont,
                         ::testing::Values(FontRow{"regular8at96", 8, false, 96, -11, 400},
                                           FontRow{"bold10at120", 10, true, 120, -17, 700},
                                           FontRow{"half8_5roundsToEven8", 8.5, false, 96, -11, 400},
                                           FontRow{"half9_5roundsToEven10", 9.5, false, 96, -13, 400},
                                           FontRow{"size8_25at96", 8.25, false, 96, -11, 400}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TipFontFlags, StylesReachTheWindowAndNothingChangesNothing) {
    QWidget owner;
    clsToolTipDeLuxe tip;
    tip.Create(&owner, true, true);
    FontSpec font{"Verdana", 12, false, true, true, true};
    tip.Font(&font, 96);
    tip.Font(nullptr);
    tip.Font(nullptr, 120);
    const QFont built = tip.TipWindow()->TipFont();
    EXPECT_EQ(tip.LastFontHeight(), -16);
    EXPECT_TRUE(built.italic());
    EXPECT_TRUE(built.underline());
    EXPECT_TRUE(built.strikeOut());
}

TEST(TipMulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(clsToolTipDeLuxe::MulDiv(8, 96, 72), 11);
    EXPECT_EQ(clsToolTipDeLuxe::MulDiv(1, 3, 2), 2);
    EXPECT_EQ(clsToolTipDeLuxe::MulDiv(-1, 3, 2), -2);
    EXPECT_EQ(clsToolTipDeLuxe::MulDiv(5, 1, 3), 2);
    EXPECT_EQ(clsToolTipDeLuxe::MulDiv(5, 1, 0), -1);
}

TEST(TipLifetime, DestroyAndReleaseLeaveNoWindow) {
    QWidget owner;
    QPointer<BalloonTip> first;
    QPointer<BalloonTip> second;
    {
        clsToolTipDeLuxe tip;
        tip.Create(&owner, true, true);
        first = tip.TipWindow();
        tip.Create(&owner, true, true);  // a second Create replaces the first window
        second = tip.TipWindow();
        EXPECT_TRUE(first.isNull());
        ASSERT_FALSE(second.isNull());
        tip.Destroy();
        EXPECT_TRUE(second.isNull());
        EXPECT_EQ(tip.Style(), 0u);
        tip.SetToolTipTitle("ignored", 1);  // goes nowhere, reports nothing
    }
    auto released = std::make_unique<clsToolTipDeLuxe>();
    released->Create(&owner, false, true);
    QPointer<BalloonTip> third = released->TipWindow();
    ASSERT_FALSE(third.isNull());
    released.reset();
    EXPECT_TRUE(third.isNull());
}

// --- the balloon on screen ---

TEST_F(TipWindowFixture, RestingShowsCentredBelowThenHidesAfterVisibleTime) {
    tip.Create(window.get(), true, true);
    tip.DelayTime(5);
    tip.VisibleTime(60);
    tip.AddControl(buttonA, "Text A", true);
    tip.SetToolTipTitle("Titel", 1);

    PointerTo(buttonA, {10, 5});
    EXPECT_EQ(Tip()->ShownTool(), nullptr);
    EXPECT_TRUE(Tip()->ShowPending());
    ASSERT_TRUE(QTest::qWaitFor([this] { return Tip()->ShownTool() == buttonA; }, 3000));

    const QRect control(buttonA->mapToGlobal(QPoint(0, 0)), buttonA->size());
    EXPECT_EQ(Tip()->StemPoint(), QPoint(control.center().x(), control.bottom() + 1));
    EXPECT_TRUE(Tip()->StemOnTop());
    EXPECT_EQ(Tip()->geometry().top(), control.bottom() + 1);
    EXPECT_NEAR(Tip()->geometry().center().x(), control.center().x(), 1);

    QTRY_VERIFY_WITH_TIMEOUT(!Tip()->isVisible(), 3000);
    // Popped: staying on the control does not bring it back.
    PointerTo(buttonA, {12, 6});
    EXPECT_FALSE(Tip()->ShowPending());
    EXPECT_FALSE(Tip()->isVisible());
}

TEST_F(TipWindowFixture, WithoutCentreFlagTheStemPointsAtThePointer) {
    tip.Create(window.get(), true, true);
    tip.DelayTime(5);
    tip.AddControl(buttonB, "Text B", false);
    PointerTo(buttonB, {30, 8});
    QTRY_COMPARE_WITH_TIMEOUT(Tip()->ShownTool(), buttonB, 3000);
    const QPoint pointer = buttonB->mapToGlobal(QPoint(30, 8));
    EXPECT_EQ(Tip()->StemPoint().x(), pointer.x());
    EXPECT_GE(Tip()->StemPoint().y(), pointer.y());
    EXPECT_LE(Tip()->StemPoint().y(), pointer.y() + 8);
}

TEST_F(TipWindowFixture, LeavingOrClickingHidesTheBalloon) {
    tip.Create(window.get(), true, true);
    tip.DelayTime(5);
    tip.AddControl(buttonA, "Text A", true);
    PointerTo(buttonA);
    QTRY_VERIFY_WITH_TIMEOUT(Tip()->isVisible(), 3000);
    PointerLeaves(buttonA);
    EXPECT_FALSE(Tip()->isVisible());

    PointerTo(buttonA);
    QTRY_VERIFY_WITH_TIMEOUT(Tip()->isVisible(), 3000);
    QTest::mousePress(buttonA, Qt::LeftButton);
    EXPECT_FALSE(Tip()->isVisible());
    QTest::mouseRelease(buttonA, Qt::LeftButton);
    PointerTo(buttonA, {5, 5});
    EXPECT_FALSE(Tip()->ShowPending());
    EXPECT_FALSE(Tip()->isVisible());
    // Leaving and coming back starts afresh.
    PointerLeaves(buttonA);
    PointerTo(buttonA);
    QTRY_VERIFY_WITH_TIMEOUT(Tip()->isVisible(), 3000);
}

TEST_F(TipWindowFixture, WithoutAlwaysOnlyTheActiveWindowGetsBalloons) {
    tip.Create(window.get(), false, true);
    tip.DelayTime(5);
    tip.AddControl(buttonA, "Text A", true);

    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &other, 3000);
    PointerTo(buttonA);
    ASSERT_TRUE(Tip()->ShowPending());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Tip()->ShowPending(); }, 3000));
    EXPECT_FALSE(Tip()->isVisible());

    window->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), window.get(), 3000);
    PointerTo(buttonA, {7, 7});
    QTRY_VERIFY_WITH_TIMEOUT(Tip()->isVisible(), 3000);
}

TEST_F(TipWindowFixture, WithAlwaysAnInactiveWindowGetsBalloonsToo) {
    tip.Create(window.get(), true, true);
    tip.DelayTime(5);
    tip.AddControl(buttonA, "Text A", true);
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &other, 3000);
    PointerTo(buttonA);
    QTRY_VERIFY_WITH_TIMEOUT(Tip()->isVisible(), 3000);
}

TEST_F(TipWindowFixture, TextWrapsAtTheMaximumWidth) {
    const QString text = QString("Wort ").repeated(60).trimmed();
    tip.Create(window.get(), true, true);
    tip.DelayTime(0);
    tip.AddControl(buttonA, text, true);
    tip.MaxWidth(-1);  // no limit: one line
    Tip()->ShowFor(buttonA, buttonA->mapToGlobal(QPoint(5, 5)));
    const QSize single = Tip()->size();
    tip.MaxWidth(200);
    const QSize narrow = Tip()->size();
    const int lineHeight = QFontMetrics(Tip()->TipFont()).lineSpacing();
    EXPECT_GT(single.width(), 1000);
    EXPECT_LE(narrow.width(), 200 + 40);
    // About 1200 pixels of text in lines of at most 200.
    EXPECT_GE(narrow.height() - single.height(), 5 * lineHeight);
}

TEST(TipPrefix, AmpersandIsShownAsItselfOnlyWithNoPrefix) {
    QWidget owner;
    QPushButton button(&owner);
    owner.show();
    const QString text = "a&&b&&c&&d&&e&&f&&g&&h";
    BalloonTip literal(&owner, TipWindow::kWsPopup | TipWindow::kTtsNoPrefix | TipWindow::kTtsBalloon);
    BalloonTip prefixed(&owner, TipWindow::kWsPopup | TipWindow::kTtsBalloon);
    for (BalloonTip* balloon : {&literal, &prefixed}) {
        balloon->AddTool(&button, text, TipWindow::kTtfIdIsHwnd | TipWindow::kTtfCenterTip);
        balloon->ShowFor(&button, button.mapToGlobal(QPoint(1, 1)));
    }
    // Without the prefix bit "&&" collapses to one character; with it every "&" is drawn.
    EXPECT_GT(literal.width(), prefixed.width() + QFontMetrics(literal.TipFont()).horizontalAdvance("&&&&"));
}
