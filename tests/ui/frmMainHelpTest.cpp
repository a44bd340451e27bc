// The help balloons and the about window on the real main window.
#include "MainWindowFixture.h"

#include "ui/BalloonTip.h"
#include "ui/HelpBalloons.h"
#include "ui/clsToolTipDeLuxe.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

class MainWindowHelp : public MainWindowFixture, public ::testing::Test {};

TEST_F(MainWindowHelp, RestingOnRunShowsItsBalloonAndCloseDestroysIt) {
    auto window = OpenWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* help = window->findChild<HelpBalloons*>();
    ASSERT_NE(help, nullptr);
    ASSERT_NE(help->ToolTip(), nullptr);
    QPointer<BalloonTip> tip = help->ToolTip()->TipWindow();
    ASSERT_FALSE(tip.isNull());
    help->ToolTip()->DelayTime(5);

    QTest::mouseMove(Control(*window, "cmdRun"), QPoint(10, 8));
    QTRY_VERIFY_WITH_TIMEOUT(tip->isVisible(), 3000);
    EXPECT_EQ(tip->Title(), "Starten!");
    EXPECT_EQ(tip->ShownTool(), Control(*window, "cmdRun"));

    window->close();
    EXPECT_TRUE(tip.isNull() || !tip->isVisible());
}

TEST_F(MainWindowHelp, InfoButtonOpensTheAboutWindowModally) {
    auto window = OpenWindow();
    QString header;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (!dialog || !dialog->isVisible() || dialog->windowTitle() != "Info") continue;
            modal = dialog->isModal();
            if (auto* label = dialog->findChild<QLabel*>("lblHeader")) header = label->text();
            dialog->close();
        }
    });
    QTest::mouseClick(Control<QAbstractButton>(*window, "cmdInfo"), Qt::LeftButton);
    EXPECT_TRUE(modal);
    EXPECT_EQ(header, "Trevalon - V: 1.0.83");
}

}  // namespace
