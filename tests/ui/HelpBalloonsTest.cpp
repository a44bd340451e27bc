// The main window's help balloons on a stand-in window holding the twelve controls.
#include "ui/BalloonTip.h"
#include "ui/HelpBalloons.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct HelpRow {
    const char* control;
    const char* title;
    int icon;
    const char* text;
};

// The help texts as the window must show them.
const HelpRow kExpectedRows[] = {
    HelpRow{"cmdSaveProfile", "Profil speichern!", 1,
            "Speichert die aktuellen Einstellungen des Profils (Verzeichnispfade, Optionen, etc.)."},
    HelpRow{"cmdNewProfile", "Neues Profil!", 1,
            "Legt ein neues Profil mit einem frei wählbaren Namen an. (Hinweis: Der Profilname sollte nie 'Standard' enthalten!)"},
    HelpRow{"cmdDelProfile", "Achtung!", 2,
            "Löscht das aktuelle Profil!"},
    HelpRow{"cmdInfo", "About", 1,
            "Über Trevalon..."},
    HelpRow{"cmdRun", "Starten!", 1,
            "Startet die gewünschten Aktionen. Bitte warten Sie bis alles abgeschlossen ist. Dies kann je nach Datenmenge einige Zeit dauern!"},
    HelpRow{"cmdExit", "Beenden!", 1,
            "Beendet Trevalon."},
    HelpRow{"chkLog", "Information", 1,
            "Alle Aktionen die auch im Statusfenster ausgegeben werden, werden in einem Logfile mitgeschrieben. Die maximale Größe des Logfiles lässt sich auf Wunsch genau festlegen."},
    HelpRow{"chkNewSubFolder", "Information", 1,
            "Das komplette Quellverzeichnis wird inkl. Stammordner in das Zielverzeichnis kopiert. Dies ist sinnvoll, wenn lediglich eine Sicherung des Quellordners geplant ist."},
    HelpRow{"chkDelBeforeCopy", "Achtung!", 2,
            "Vor dem Kopieren werden alle Dateien im Zielverzeichnis gelöscht! Damit auch diejenigen, die im Quellverzeichnis nicht vorhanden sind!"},
    HelpRow{"chkTrash", "Information", 1,
            "Das Löschen von Dateien erfolgt nicht komplett. Die Dateien werden nur in den Papierkorb verschoben. Hinweis: Dies funktioniert nur bei Laufwerken in denen der papierkorb aktiv ist!"},
    HelpRow{"chkDelIfNotExist", "Hinweis!", 2,
            "Dateien, die zwar im Zielverzeichnis aber nicht im Quellverzeichnis vorhanden sind, werden gelöscht!"},
    HelpRow{"chkCopyOnlyNew", "Information", 1,
            "Es werden nur die Dateien kopiert, die im Quellverzeichnis neuer sind als ihre Gegenstücke im Zielverzeichnis. (schnellste Variante - Empfohlen!)"},
};

// A window with the twelve controls (two check boxes disabled, as on the main window) and
// two controls without help.
class HelpWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(620, 420);
        const char* buttons[] = {"cmdSaveProfile", "cmdNewProfile", "cmdDelProfile", "cmdInfo", "cmdRun", "cmdExit"};
        int x = 10;
        for (const char* name : buttons) {
            auto* button = new QPushButton(name, window.get());
            button->setObjectName(name);
            button->setGeometry(x, 10, 95, 25);
            x += 100;
        }
        const char* boxes[] = {"chkLog", "chkNewSubFolder", "chkDelBeforeCopy", "chkTrash", "chkDelIfNotExist",
                               "chkCopyOnlyNew"};
        int y = 60;
        for (const char* name : boxes) {
            auto* box = new QCheckBox(name, window.get());
            box->setObjectName(name);
            box->setGeometry(10, y, 200, 22);
            box->setEnabled(QByteArray(name) != "chkTrash" && QByteArray(name) != "chkDelIfNotExist");
            y += 30;
        }
        auto* list = new QListWidget(window.get());
        list->setObjectName("lstStatus");
        list->setGeometry(300, 60, 200, 80);
        auto* field = new QLineEdit(window.get());
        field->setObjectName("txtLogSize");
        field->setGeometry(300, 160, 60, 22);

        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        help.SetUp(window.get());
        ASSERT_NE(Tip(), nullptr);
        // The toolkit drops a move to where the pointer already is: start in an empty corner.
        QTest::mouseMove(window.get(), QPoint(window->width() - 2, window->height() - 2));
    }

    QWidget* Control(const char* name) const { return window->findChild<QWidget*>(name); }
    BalloonTip* Tip() const { return help.ToolTip() ? help.ToolTip()->TipWindow() : nullptr; }

    void HoverOver(const char* name, QPoint pos = {5, 5}) { QTest::mouseMove(Control(name), pos); }

    // The balloon shows a few milliseconds after the pointer rests, not a second.
    void ShortenTheDelay() { help.ToolTip()->DelayTime(5); }

    std::unique_ptr<QWidget> window;
    HelpBalloons help;
};

QColor FromBgr(quint32 color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

}  // namespace

TEST_F(HelpWindow, SetUpGivesTheCommonSettings) {
    const clsToolTipDeLuxe* tip = help.ToolTip();
    EXPECT_EQ(tip->Style(), 0x80000043u);
    EXPECT_EQ(tip->MaxWidthSent(), 400);
    EXPECT_EQ(tip->VisibleTimeSent(), 5000);
    EXPECT_EQ(tip->DelayTimeSent(), 1000);
    EXPECT_EQ(Tip()->ToolCount(), 12);
    EXPECT_EQ(tip->ToolFlags(Control("lstStatus")), 0u);
    EXPECT_EQ(tip->ToolFlags(Control("txtLogSize")), 0u);
}

class HelpRows : public HelpWindow, public ::testing::WithParamInterface<HelpRow> {};

TEST_P(HelpRows, HoverSetsTitleIconFontAndColours) {
    const HelpRow& row = GetParam();
    QWidget* control = Control(row.control);
    EXPECT_EQ(Tip()->ToolText(control), QString::fromUtf8(row.text));
    EXPECT_EQ(help.ToolTip()->ToolFlags(control), 0x13u);

    HoverOver(row.control);
    EXPECT_EQ(Tip()->Title(), QString::fromUtf8(row.title));
    EXPECT_EQ(Tip()->TitleIcon(), row.icon);
    EXPECT_EQ(Tip()->TipFont().family(), "Comic Sans MS");
    EXPECT_EQ(help.ToolTip()->LastFontHeight(), -clsToolTipDeLuxe::MulDiv(8, Tip()->logicalDpiY(), 72));
    EXPECT_EQ(help.ToolTip()->LastFontWeight(), 400);
    EXPECT_FALSE(Tip()->TipFont().italic());
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(Tip()->TipBkColor(), palette.color(QPalette::ToolTipBase));
    EXPECT_EQ(Tip()->TipTextColor(), palette.color(QPalette::ToolTipText));
}

INSTANTIATE_TEST_SUITE_P(Table, HelpRows, ::testing::ValuesIn(kExpectedRows),
                         [](const auto& info) { return std::string(info.param.control); });

TEST_F(HelpWindow, RestingOnRunShowsItsBalloonAfterTheDelay) {
    ShortenTheDelay();
    HoverOver("cmdRun", {10, 8});
    EXPECT_FALSE(Tip()->isVisible());
    EXPECT_TRUE(Tip()->ShowPending());
    QTRY_VERIFY_WITH_TIMEOUT(Tip()->isVisible(), 3000);
    QWidget* run = Control("cmdRun");
    EXPECT_EQ(Tip()->ShownTool(), run);
    EXPECT_EQ(Tip()->Title(), "Starten!");
    EXPECT_EQ(Tip()->TitleIcon(), TipWindow::kTitleIconInfo);
    EXPECT_EQ(Tip()->ToolText(run),
              "Startet die gewünschten Aktionen. Bitte warten Sie bis alles abgeschlossen ist. Dies kann je nach "
              "Datenmenge einige Zeit dauern!");
    // Centred below the button.
    const QRect button(run->mapToGlobal(QPoint(0, 0)), run->size());
    EXPECT_EQ(Tip()->StemPoint(), QPoint(button.center().x(), button.bottom() + 1));
}

TEST_F(HelpWindow, MovingFromSaveToDeleteSwitchesTitleAndIcon) {
    ShortenTheDelay();
    HoverOver("cmdSaveProfile");
    EXPECT_EQ(Tip()->Title(), "Profil speichern!");
    EXPECT_EQ(Tip()->TitleIcon(), TipWindow::kTitleIconInfo);
    QTRY_COMPARE_WITH_TIMEOUT(Tip()->ShownTool(), Control("cmdSaveProfile"), 3000);

    HoverOver("cmdDelProfile");
    EXPECT_EQ(Tip()->Title(), "Achtung!");
    EXPECT_EQ(Tip()->TitleIcon(), TipWindow::kTitleIconWarning);
    QTRY_COMPARE_WITH_TIMEOUT(Tip()->ShownTool(), Control("cmdDelProfile"), 3000);
    EXPECT_EQ(Tip()->Title(), "Achtung!");
}

TEST_F(HelpWindow, ListAndTextFieldGetNoBalloon) {
    HoverOver("lstStatus", {20, 20});
    HoverOver("txtLogSize", {10, 5});
    EXPECT_FALSE(Tip()->ShowPending());
    EXPECT_FALSE(Tip()->isVisible());
    EXPECT_TRUE(Tip()->Title().isEmpty());
}

TEST_F(HelpWindow, ColoursFollowAChangedPaletteFromTheNextMove) {
    const QPalette original = QGuiApplication::palette();
    QPalette changed = original;
    changed.setColor(QPalette::ToolTipBase, QColor(0x12, 0x34, 0x56));
    changed.setColor(QPalette::ToolTipText, QColor(0xAB, 0xCD, 0xEF));
    HoverOver("cmdExit");
    QApplication::setPalette(changed);
    HoverOver("cmdExit", {8, 8});
    const QColor back = Tip()->TipBkColor();
    const QColor text = Tip()->TipTextColor();
    QApplication::setPalette(original);
    EXPECT_EQ(back, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(text, QColor(0xAB, 0xCD, 0xEF));
}

TEST_F(HelpWindow, DestroyLeavesNoBalloonBehind) {
    QPointer<BalloonTip> balloon = Tip();
    help.Destroy();
    EXPECT_TRUE(balloon.isNull());
    HoverOver("cmdRun");
    // No balloon is made again that a timer could show later.
    EXPECT_TRUE(window->findChildren<BalloonTip*>().isEmpty());
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<BalloonTip*>(top) && top->isVisible());
}

TEST(HelpSystemColors, CodesBecomePaletteColoursOthersStay) {
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(FromBgr(HelpBalloons::SystemColorToRGB(0x80000018u)), palette.color(QPalette::ToolTipBase));
    EXPECT_EQ(FromBgr(HelpBalloons::SystemColorToRGB(0x80000017u)), palette.color(QPalette::ToolTipText));
    EXPECT_EQ(HelpBalloons::SystemColorToRGB(0x00DEEFEFu), 0x00DEEFEFu);
    EXPECT_EQ(HelpBalloons::SystemColorToRGB(0x000000FFu), 0x000000FFu);
    EXPECT_EQ(HelpBalloons::SystemColorToRGB(0x800000FFu), 0u);  // no such system colour
}
