// The main window: its controls, the option interplay, the log options and the close.
#include "MainWindowFixture.h"

#include "ui/FormLayout.h"
#include "ui/MainWindowTable.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

// ---- Layout ----

QString CaptionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentText();
    return {};
}

class MainWindowLayout : public MainWindowFixture, public ::testing::TestWithParam<ControlRow> {};

TEST_P(MainWindowLayout, ControlHasDesignedPlaceCaptionAndState) {
    const ControlRow& row = GetParam();
    // A stored "Standard" that holds the design values, so the load step keeps the design state.
    for (const auto& [key, value] : {std::pair{"dir_a", ""}, {"dir_b", ""}, {"Filter", ""},
                                     {"onlynew", "1"}, {"delnot", "0"}, {"delold", "0"}, {"deltotrash", "0"},
                                     {"newsubfolder", "0"}})
        WriteIni("Standard", key, value);
    auto window = OpenWindow();
    auto* widget = Control(*window, row.name);
    ASSERT_NE(widget, nullptr);
    ASSERT_NE(widget->parentWidget(), nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName(), QLatin1String(row.container));
    // The header strip and its rule span the client width; the copyright label sits at its right edge.
    QRect place = TwipRect(row.left, row.top, row.width, row.height);
    const std::string name = row.name;
    if (name == "Picture1" || name == "Line1") place.setWidth(window->width());
    if (name == "lblCopy") place.moveLeft(window->width() - place.width());
    EXPECT_EQ(widget->geometry(), place);
    if (row.caption) {
        EXPECT_EQ(CaptionOf(widget), QString::fromUtf8(row.caption));
    }
    EXPECT_EQ(!widget->isHidden(), !(row.start & kStartHidden));
    EXPECT_EQ(widget->isEnabled(), !(row.start & kStartDisabled));
    if (row.kind == ControlKind::CheckBox) {
        auto* box = qobject_cast<QCheckBox*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->checkState(), (row.start & kStartChecked) ? Qt::Checked : Qt::Unchecked);
    }
}

INSTANTIATE_TEST_SUITE_P(Controls, MainWindowLayout, ::testing::ValuesIn(kMainWindowControls),
                         [](const auto& info) { return std::string(info.param.name); });

class MainWindow : public MainWindowFixture, public ::testing::Test {};

TEST_F(MainWindow, LoadSetsCaptionClientSizeAndFirstStatusLine) {
    auto window = OpenWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Trevalon - 1.0"));
    EXPECT_EQ(window->size(), QSize(615, 422));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);

    auto* list = Control<QListView>(*window, "lstStatus");
    ASSERT_EQ(list->model()->rowCount(), 2);
    const QString line = list->model()->index(0, 0).data().toString();
    EXPECT_TRUE(line.endsWith(QStringLiteral(" - Trevalon geladen!"))) << line.toStdString();
    // Without a settings file the "Standard" profile cannot be applied whole, and says so.
    const QString load = list->model()->index(1, 0).data().toString();
    EXPECT_TRUE(load.endsWith(QStringLiteral(" - [Standard] konnte nicht vollständig geladen werden!")))
        << load.toStdString();
    EXPECT_EQ(list->currentIndex().row(), 1);
    // The design state of the log switch sends the first line to the log file too.
    EXPECT_NE(m_tree.ReadFile("tvl.log").find("Trevalon geladen!"), std::string::npos);
}

TEST_F(MainWindow, ResizeKeepsHeaderAcrossAndCopyrightAtTheRightEdge) {
    auto window = OpenWindow();
    window->resize(800, 422);
    auto* strip = Control<QLabel>(*window, "Picture1");
    EXPECT_EQ(strip->width(), 800);
    EXPECT_EQ(Control(*window, "Line1")->geometry(), QRect(0, 56, 800, 1));
    EXPECT_EQ(Control(*window, "lblCopy")->x(), 800 - 129);
    const QImage header = strip->pixmap().toImage();
    ASSERT_EQ(header.width(), 800);
    EXPECT_EQ(header.pixelColor(0, 20), QColor(255, 0, 0));
    // The last band at the right edge is one step short of white.
    const QColor right = header.pixelColor(799, 20);
    EXPECT_EQ(right.red(), 255);
    EXPECT_GE(right.green(), 250);
    EXPECT_EQ(right.green(), right.blue());
    // Nothing else moves.
    EXPECT_EQ(Control(*window, "Frame4")->geometry(), QRect(320, 106, 293, 213));
}

TEST_F(MainWindow, TabAndShiftTabVisitTheFocusableControlsInDesignOrder) {
    WriteIni("Profiles", "Standard", "Standard");
    auto window = OpenWindow();
    FillProfileList(Settings(), *window, QStringLiteral("Standard"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    Control(*window, "cmdRun")->setFocus();
    std::vector<std::string> expected{
        "cmdExit",        "lstStatus",  "txtFiles",      "chkDelBeforeCopy", "chkCopyOnlyNew", "chkDelIfNotExist",
        "txtFilter",      "dirTarget",  "drvTarget",     "dirSource",        "drvSource",      "cmdNewProfile",
        "cmdSaveProfile", "cmbProfile", "chkLog",        "txtLogSize",       "cmdDelProfile",  "chkNewSubFolder",
        "cmdInfo",        "cmdRun"};
    // Keys through the window, as the toolkit routes them: to the profile box's list while
    // it is open (it opens when the box gets the focus).
    auto walk = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        std::vector<std::string> visited;
        for (size_t i = 0; i < expected.size(); ++i) {
            QTest::keyClick(window->windowHandle(), key, modifiers);
            QWidget* focus = QApplication::focusWidget();
            if (QApplication::activePopupWidget()) focus = Control(*window, "cmbProfile");
            visited.push_back(focus ? focus->objectName().toStdString() : "");
        }
        return visited;
    };
    EXPECT_EQ(walk(Qt::Key_Tab, Qt::NoModifier), expected);
    std::reverse(expected.begin(), expected.end() - 1);
    EXPECT_EQ(walk(Qt::Key_Backtab, Qt::ShiftModifier), expected);
}

// A drive list that has the focus shows it: its drive highlighted, as every other control shows it.
TEST_F(MainWindow, DriveListsShowTheirFocus) {
    auto window = OpenWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const char* name : {"drvSource", "drvTarget"}) {
        QWidget* drive = Control(*window, name);
        const QColor highlight = drive->palette().color(QPalette::Highlight);
        const auto highlighted = [&] {
            const QImage image = drive->grab().toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) count += QColor(image.pixel(x, y)) == highlight ? 1 : 0;
            return count;
        };
        Control(*window, "cmdRun")->setFocus();
        EXPECT_EQ(highlighted(), 0) << name;
        drive->setFocus(Qt::TabFocusReason);
        EXPECT_GT(highlighted(), drive->width()) << name;
    }
}

// ---- The classic look ----

// The darkest grey level of a control's picture right of column `from`.
int DarkestRightOf(QWidget* control, int from) {
    const QImage image = control->grab().toImage();
    int level = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = from; x < image.width(); ++x) level = std::min(level, qGray(image.pixel(x, y)));
    }
    return level;
}

TEST_F(MainWindow, ControlsHaveTheClassicLook) {
    auto window = OpenWindow();
    // The captions of the enabled options dark, of the disabled ones grey.
    EXPECT_LT(DarkestRightOf(Control(*window, "chkCopyOnlyNew"), 20), 0x40);
    EXPECT_LT(DarkestRightOf(Control(*window, "chkDelIfNotExist"), 20), 0x40);
    EXPECT_NEAR(DarkestRightOf(Control(*window, "chkTrash"), 20), 0x80, 0x10);
    for (const char* name : {"cmdSaveProfile", "cmdNewProfile", "cmdDelProfile", "cmdRun", "cmdInfo", "cmdExit"}) {
        EXPECT_TRUE(FaceShowsCream(Control(*window, name))) << name;
    }
    // A frame is cream inside, and its top line runs through its dark-red caption.
    const QImage frame = Control(*window, "Frame4")->grab().toImage();
    EXPECT_EQ(frame.pixelColor(280, 148), kCream);  // right of Label3, above txtFilter
    int line = 0;
    while (line < 24 && frame.pixelColor(frame.width() - 20, line) == kCream) ++line;
    auto captionIn = [&frame](int y) {
        for (int x = 0; x < 80; ++x) {
            if (qRed(frame.pixel(x, y)) > 150 && qGreen(frame.pixel(x, y)) < 90) return true;
        }
        return false;
    };
    EXPECT_TRUE(captionIn(line - 2) && captionIn(line + 2)) << line;
    EXPECT_EQ(frame.pixel(2, line), frame.pixel(frame.width() - 20, line));
}

TEST_F(MainWindow, TrayMenuOpensOnRightButtonOnly) {
    auto window = OpenWindow();
    auto* menu = Control<QMenu>(*window, "mnuFile");
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Info"));
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), QStringLiteral("Beenden"));

    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick}) {
        window->TrayActivated(reason);
        EXPECT_FALSE(menu->isVisible()) << reason;
    }
    window->TrayActivated(QSystemTrayIcon::Context);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(MainWindow, TrayMenuExitClosesTheWindow) {
    auto window = OpenWindow();
    Control<QAction>(*window, "mnuExit")->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadIni("Optionen", "writelog"), QStringLiteral("1"));
}

// ---- Option interplay ----

struct OptionRow {
    const char* name;
    std::array<bool, 3> before;  // chkCopyOnlyNew, chkDelBeforeCopy, chkNewSubFolder
    const char* clicked;
    std::array<bool, 3> after;
    std::vector<std::string> unchecked;  // boxes the handler unchecked, in order
};

const char* const kOptionBoxes[] = {"chkCopyOnlyNew", "chkDelBeforeCopy", "chkNewSubFolder"};

class OptionInterplay : public MainWindowFixture, public ::testing::TestWithParam<OptionRow> {};

TEST_P(OptionInterplay, ClickLeavesTheExpectedBoxesChecked) {
    const OptionRow& row = GetParam();
    auto window = OpenWindow();
    std::vector<std::string> unchecked;
    for (int i = 0; i < 3; ++i) {
        auto* box = Control<QCheckBox>(*window, kOptionBoxes[i]);
        {
            // The starting combination, set without the window's reactions.
            const QSignalBlocker blocker(box);
            box->setChecked(row.before[i]);
        }
        QObject::connect(box, &QCheckBox::stateChanged, box, [&unchecked, box, &row](int state) {
            if (state == Qt::Unchecked && box->objectName() != QLatin1String(row.clicked))
                unchecked.push_back(box->objectName().toStdString());
        });
    }
    auto* clicked = Control<QCheckBox>(*window, row.clicked);
    QTest::mouseClick(clicked, Qt::LeftButton, {}, clicked->rect().center());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Control<QCheckBox>(*window, kOptionBoxes[i])->isChecked(), row.after[i]) << kOptionBoxes[i];
    }
    EXPECT_EQ(unchecked, row.unchecked);
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionInterplay,
    ::testing::Values(
        OptionRow{"CheckOnlyNewClearsDelOldThenNewSub", {false, true, true}, "chkCopyOnlyNew", {true, false, false},
                  {"chkDelBeforeCopy", "chkNewSubFolder"}},
        OptionRow{"CheckDelOldClearsOnlyNewThenNewSub", {true, false, true}, "chkDelBeforeCopy", {false, true, false},
                  {"chkCopyOnlyNew", "chkNewSubFolder"}},
        OptionRow{"CheckNewSubClearsOnlyNewThenDelOld", {true, true, false}, "chkNewSubFolder", {false, false, true},
                  {"chkCopyOnlyNew", "chkDelBeforeCopy"}},
        OptionRow{"CheckDelOldWithOnlyNewChecked", {true, false, false}, "chkDelBeforeCopy", {false, true, false},
                  {"chkCopyOnlyNew"}},
        OptionRow{"CheckNewSubAloneChangesNothingElse", {false, false, false}, "chkNewSubFolder", {false, false, true},
                  {}},
        OptionRow{"UncheckOnlyNewChangesNoOtherBox", {true, false, false}, "chkCopyOnlyNew", {false, false, false}, {}},
        OptionRow{"UncheckDelOldLeavesTheOthersChecked", {true, true, true}, "chkDelBeforeCopy", {true, false, true},
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, ProgramSetStatesFollowTheRuleSoTheLastCheckedWins) {
    auto window = OpenWindow();
    // The order in which a profile load applies the three boxes.
    Control<QCheckBox>(*window, "chkDelBeforeCopy")->setCheckState(Qt::Checked);
    Control<QCheckBox>(*window, "chkNewSubFolder")->setCheckState(Qt::Checked);
    Control<QCheckBox>(*window, "chkCopyOnlyNew")->setCheckState(Qt::Checked);
    EXPECT_TRUE(Control<QCheckBox>(*window, "chkCopyOnlyNew")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(*window, "chkDelBeforeCopy")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(*window, "chkNewSubFolder")->isChecked());
}

TEST_F(MainWindow, HandlerSkipsItsSecondUncheckWhenItsOwnBoxWasClearedMeanwhile) {
    auto window = OpenWindow();
    auto* onlyNew = Control<QCheckBox>(*window, "chkCopyOnlyNew");
    auto* delOld = Control<QCheckBox>(*window, "chkDelBeforeCopy");
    auto* newSub = Control<QCheckBox>(*window, "chkNewSubFolder");
    {
        const QSignalBlocker a(onlyNew), b(delOld), c(newSub);
        onlyNew->setChecked(false);
        delOld->setChecked(true);
        newSub->setChecked(true);
    }
    // Another reaction that clears chkCopyOnlyNew as soon as chkDelBeforeCopy is cleared.
    QObject::connect(delOld, &QCheckBox::stateChanged, onlyNew, [onlyNew](int state) {
        if (state == Qt::Unchecked) onlyNew->setChecked(false);
    });
    onlyNew->setChecked(true);
    EXPECT_FALSE(onlyNew->isChecked());
    EXPECT_FALSE(delOld->isChecked());
    EXPECT_TRUE(newSub->isChecked());
}

// ---- The log options ----

TEST_F(MainWindow, LogSizeFieldTakesTypedDigitsOnly) {
    auto window = OpenWindow();
    auto* size = Control<QLineEdit>(*window, "txtLogSize");
    size->clear();
    QTest::keyClicks(size, QStringLiteral("a1b2 c-3.x"));
    EXPECT_EQ(size->text(), QStringLiteral("123"));
    QTest::keyClick(size, Qt::Key_Backspace);
    EXPECT_EQ(size->text(), QStringLiteral("12"));
    // Pasting keeps the digits of the pasted text only.
    QGuiApplication::clipboard()->setText(QStringLiteral("x7 y8"));
    QTest::keySequence(size, QKeySequence(QKeySequence::Paste));
    EXPECT_EQ(size->text(), QStringLiteral("1278"));
    // Text set by the program is not restricted.
    size->setText(QStringLiteral("abc"));
    EXPECT_EQ(size->text(), QStringLiteral("abc"));
}

TEST_F(MainWindow, LogCheckBoxEnablesTheSizeField) {
    auto window = OpenWindow();
    auto* log = Control<QCheckBox>(*window, "chkLog");
    auto* size = Control<QLineEdit>(*window, "txtLogSize");
    QTest::mouseClick(log, Qt::LeftButton, {}, log->rect().center());
    EXPECT_FALSE(log->isChecked());
    EXPECT_FALSE(size->isEnabled());
    QTest::mouseClick(log, Qt::LeftButton, {}, log->rect().center());
    EXPECT_TRUE(log->isChecked());
    EXPECT_TRUE(size->isEnabled());
}

struct StoredOptionsRow {
    const char* name;
    const char* writelog;  // nullptr: key missing
    const char* logsize;   // nullptr: key missing
    Qt::CheckState state;
    bool sizeEnabled;
    const char* sizeText;
};

class StoredOptions : public MainWindowFixture, public ::testing::TestWithParam<StoredOptionsRow> {};

TEST_P(StoredOptions, LoadAppliesThem) {
    const StoredOptionsRow& row = GetParam();
    WriteIni("Optionen", "other", "x");
    if (row.writelog) WriteIni("Optionen", "writelog", row.writelog);
    if (row.logsize) WriteIni("Optionen", "logsize", row.logsize);
    auto window = OpenWindow();
    EXPECT_EQ(Control<QCheckBox>(*window, "chkLog")->checkState(), row.state);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtLogSize")->isEnabled(), row.sizeEnabled);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtLogSize")->text(), QString::fromUtf8(row.sizeText));
}

INSTANTIATE_TEST_SUITE_P(
    Options, StoredOptions,
    ::testing::Values(StoredOptionsRow{"Off", "0", "200", Qt::Unchecked, false, "200"},
                      StoredOptionsRow{"On", "1", "75", Qt::Checked, true, "75"},
                      StoredOptionsRow{"Greyed", "2", "50", Qt::PartiallyChecked, false, "50"},
                      StoredOptionsRow{"NotANumberKeepsDesign", "abc", "50", Qt::Checked, true, "50"},
                      StoredOptionsRow{"OutOfRangeKeepsDesign", "7", "50", Qt::Checked, true, "50"},
                      StoredOptionsRow{"EmptyKeepsDesign", "", "50", Qt::Checked, true, "50"},
                      StoredOptionsRow{"MissingKeepsDesign", nullptr, nullptr, Qt::Checked, true, "50"},
                      StoredOptionsRow{"StoredSizeTextShownUnchanged", "1", "abc", Qt::Checked, true, "abc"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Closing ----

struct CloseRow {
    const char* name;
    const char* sizeText;
    bool logOn;
    bool trimmed;  // the 300,000-byte log file is cut back to the limit
    qint64 limit;
    bool iniIsFolder = false;  // a folder stands where the settings file must go
};

class Closing : public MainWindowFixture, public ::testing::TestWithParam<CloseRow> {};

TEST_P(Closing, TrimsTheLogAndWritesBothOptions) {
    const CloseRow& row = GetParam();
    std::string lines;
    while (lines.size() < 300000) lines += "01.01.26 - 12:00:00 - eine Zeile im Protokoll\r\n";
    m_tree.WriteFile("tvl.log", lines);

    auto window = OpenWindow();
    auto* log = Control<QCheckBox>(*window, "chkLog");
    if (log->isChecked() != row.logOn) QTest::mouseClick(log, Qt::LeftButton, {}, log->rect().center());
    Control<QLineEdit>(*window, "txtLogSize")->setText(QString::fromUtf8(row.sizeText));
    const auto sizeBefore = std::filesystem::file_size(m_tree.Path("tvl.log"));
    if (row.iniIsFolder) m_tree.MakeDir("tvl.ini");

    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    if (row.iniIsFolder) {
        // The options are lost; the log says where and why.
        const std::string text = m_tree.ReadFile("tvl.log");
        const std::string line = " - Die Protokolloptionen konnten nicht gespeichert werden! Die Einstellungsdatei " +
                                 m_tree.Path("tvl.ini") + " kann nicht geschrieben werden: Ist ein Verzeichnis\r\n";
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), line.size())), line);
        return;
    }
    const auto sizeAfter = std::filesystem::file_size(m_tree.Path("tvl.log"));
    if (row.trimmed) {
        EXPECT_LE(static_cast<qint64>(sizeAfter), row.limit);
        EXPECT_GT(sizeAfter, 0u);
    } else {
        EXPECT_EQ(sizeAfter, sizeBefore);
    }
    EXPECT_EQ(ReadIni("Optionen", "writelog"), row.logOn ? QStringLiteral("1") : QStringLiteral("0"));
    EXPECT_EQ(ReadIni("Optionen", "logsize"), QString::fromUtf8(row.sizeText));
}

INSTANTIATE_TEST_SUITE_P(Options, Closing,
                         ::testing::Values(CloseRow{"Limit200KB", "200", true, true, 204800},
                                           CloseRow{"LoggingOffStillTrims", "100", false, true, 102400},
                                           CloseRow{"NotANumberSkipsTrim", "abc", true, false, 0},
                                           CloseRow{"EmptySkipsTrim", "", false, false, 0},
                                           CloseRow{"TooLargeSkipsTrim", "2097152", true, false, 0},
                                           CloseRow{"ZeroLeavesFile", "0", true, false, 0},
                                           CloseRow{"UnwritableSettingsFileIsLogged", "200", true, false, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, CloseClosesTheOtherWindowsToo) {
    auto window = OpenWindow();
    QWidget other;
    other.show();
    window->close();
    EXPECT_FALSE(other.isVisible());
}

TEST_F(MainWindow, StartWithoutSettingsFileCreatesNoneUntilClose) {
    auto window = OpenWindow();
    EXPECT_FALSE(m_tree.Exists("tvl.ini"));
    window->close();
    EXPECT_EQ(ReadIni("Optionen", "writelog"), QStringLiteral("1"));
    EXPECT_EQ(ReadIni("Optionen", "logsize"), QStringLiteral("50"));
}

TEST_F(MainWindow, ProfileListFillsWhileTheBoxKeepsItsText) {
    WriteIni("Profiles", "MeinProfil", "Mein Profil");
    WriteIni("Profiles", "Zweites", "Zweites");
    auto window = OpenWindow();
    FillProfileList(Settings(), *window, QStringLiteral("Standard"));
    auto* box = Control<QComboBox>(*window, "cmbProfile");
    EXPECT_EQ(box->currentText(), QStringLiteral("Standard"));
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), QStringLiteral("Mein Profil"));
    EXPECT_EQ(box->itemText(1), QStringLiteral("Zweites"));
}

// ---- The toolkit's own words ----

// With the toolkit's German translation, and with it missing (our own table then).
class ToolkitTexts : public MainWindowFixture, public ::testing::TestWithParam<bool> {};

TEST_P(ToolkitTexts, AreGerman) {
    m_tree.MakeDir("none");
    ASSERT_EQ(InstallGermanTexts(GetParam() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                                            : QString::fromStdString(m_tree.Path("none"))),
              GetParam());
    auto window = OpenWindow();
    // A text field's menu, as the menu key opens it; "&Kopieren\tStrg+C" counts as "&Kopieren".
    auto* field = Control<QLineEdit>(*window, "txtFiles");
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &menuKey);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QRegularExpression keys(QStringLiteral("\\tStrg\\+.*"));
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) entries << action->text().remove(keys);
    }
    menu->close();
    EXPECT_EQ(entries, (QStringList{"&Rückgängig", "Wieder&herstellen", "&Ausschneiden", "&Kopieren", "Einf&ügen",
                                    "Löschen", "Alles auswählen"}));
    const QMessageBox question(QMessageBox::Question, {}, {}, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(ButtonTexts(&question), (QStringList{"OK", "Abbrechen"}));
}

INSTANTIATE_TEST_SUITE_P(Translation, ToolkitTexts, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Installed" : "Missing"); });

// ---- The about window ----

class AboutWindow : public MainWindowFixture, public ::testing::TestWithParam<const char*> {};

TEST_P(AboutWindow, OpensModallyFromEachRoute) {
    auto window = OpenWindow();
    QString opened;
    QTimer::singleShot(0, window.get(), [&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        }
    });
    const std::string route = GetParam();
    if (route == "cmdInfo") {
        QTest::mouseClick(Control<QPushButton>(*window, "cmdInfo"), Qt::LeftButton);
    } else if (route == "mnuInfo") {
        Control<QAction>(*window, "mnuInfo")->trigger();
    } else {
        QTest::mouseClick(Control(*window, "lblCopy"), Qt::LeftButton);
    }
    EXPECT_EQ(opened, QStringLiteral("frmInfo"));
    EXPECT_TRUE(window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Routes, AboutWindow, ::testing::Values("cmdInfo", "mnuInfo", "lblCopy"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
