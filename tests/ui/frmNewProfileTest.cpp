// The new-profile dialog: its layout, creating, refusing and cancelling.
#include "ProfileWindowFixture.h"

#include "ui/frmNewProfile.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

QLineEdit* NameField(QWidget* dialog) { return dialog->findChild<QLineEdit*>(QStringLiteral("txtName")); }

QPushButton* Button(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QLatin1String(name));
}

// A step that types `name` into the dialog's field and presses the write button.
std::function<void(QWidget*)> TypeAndWrite(const QString& name) {
    return [name](QWidget* dialog) {
        QTest::keyClicks(NameField(dialog), name);
        QTest::mouseClick(Button(dialog, "cmdWrite"), Qt::LeftButton);
    };
}

std::function<void(QWidget*)> Cancel() {
    return [](QWidget* dialog) { QTest::mouseClick(Button(dialog, "cmdAbbrechen"), Qt::LeftButton); };
}

const QString kDialog = QStringLiteral("frmNewProfile");

class NewProfile : public ProfileWindowFixture, public ::testing::Test {
protected:
    void ClickNew(frmMain& window) { QTest::mouseClick(Control<QPushButton>(window, "cmdNewProfile"), Qt::LeftButton); }

    static std::string Defaults(const std::string& section) {
        return "[" + section + "]\r\ndir_a=\r\ndir_b=\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
                               "deltotrash=1\r\nnewsubfolder=0\r\n";
    }
};

TEST_F(NewProfile, LayoutAsDesigned) {
    auto window = OpenProfileWindow();
    clsINI settings = Settings();
    frmNewProfile dialog(settings, window->Log(), *window, window.get());

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Neues Profil anlegen"));
    EXPECT_EQ(dialog.size(), QSize(287, 78));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(0xEF, 0xEF, 0xDE));
    EXPECT_EQ(dialog.font().family(), QStringLiteral("Verdana"));
    EXPECT_DOUBLE_EQ(dialog.font().pointSizeF(), 8.25);

    auto* label = dialog.findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString::fromUtf8("Bitte einen Namen für das neue Profil angeben:"));
    EXPECT_EQ(label->geometry(), QRect(8, 8, 293, 21));
    EXPECT_FALSE(label->autoFillBackground());
    QLineEdit* field = NameField(&dialog);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->geometry(), QRect(8, 24, 269, 19));
    EXPECT_TRUE(field->text().isEmpty());
    QPushButton* cancel = Button(&dialog, "cmdAbbrechen");
    QPushButton* write = Button(&dialog, "cmdWrite");
    ASSERT_TRUE(cancel && write);
    EXPECT_EQ(cancel->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(cancel->geometry(), QRect(40, 48, 117, 25));
    EXPECT_EQ(write->text(), QStringLiteral("Profil anlegen"));
    EXPECT_EQ(write->geometry(), QRect(160, 48, 117, 25));
    for (QPushButton* button : {cancel, write}) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
        EXPECT_TRUE(FaceShowsCream(button)) << button->objectName().toStdString();
    }
    EXPECT_EQ(field->nextInFocusChain(), cancel);
    EXPECT_EQ(cancel->nextInFocusChain(), write);
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
}

TEST_F(NewProfile, OpensModalWithTheFieldFocused) {
    auto window = OpenProfileWindow();
    bool modal = false;
    QString focused;
    ModalScript script;
    script.Then(kDialog, [&](QWidget* dialog) {
        modal = dialog->isModal();
        // Read the name now: the dialog and its children are gone once it closes.
        if (QWidget* widget = dialog->focusWidget()) focused = widget->objectName();
        Cancel()(dialog);
    });

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(modal);
    EXPECT_EQ(focused, QStringLiteral("txtName"));
}

// Every way of confirming a name: the button, Enter with any modifier, the keypad's Enter.
struct ConfirmRow {
    const char* name;
    bool button;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

class NewProfileConfirm : public NewProfile, public ::testing::WithParamInterface<ConfirmRow> {};

TEST_P(NewProfileConfirm, WritesCatalogueLineAndDefaultsThenCloses) {
    SetIniBytes("[Profiles]\r\nStandard=Standard\r\n[Optionen]\r\nwritelog=1\r\n");
    auto window = OpenProfileWindow();
    Control<QCheckBox>(*window, "chkNewSubFolder")->setCheckState(Qt::Checked);
    const ConfirmRow row = GetParam();
    ModalScript script;
    script.Then(kDialog, [row](QWidget* dialog) {
        QTest::keyClicks(NameField(dialog), QStringLiteral("Mein Profil"));
        if (row.button) {
            QTest::mouseClick(Button(dialog, "cmdWrite"), Qt::LeftButton);
        } else {
            QTest::keyClick(NameField(dialog), row.key, row.modifiers);
        }
    });

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(IniBytes(), "[Profiles]\r\nStandard=Standard\r\nMeinProfil=Mein Profil\r\n[Optionen]\r\nwritelog=1\r\n" +
                              Defaults("Mein Profil"));
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - Neues Profil [Mein Profil] angelegt!"));
    EXPECT_EQ(ListEntries(*window), (QStringList{"Standard", "Mein Profil"}));
    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("Mein Profil"));
    // The new profile is not applied.
    EXPECT_EQ(State(*window, "chkNewSubFolder"), Qt::Checked);
    EXPECT_EQ(State(*window, "chkCopyOnlyNew"), Qt::Unchecked);
    EXPECT_EQ(window->findChild<frmNewProfile*>(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewProfileConfirm,
    ::testing::Values(ConfirmRow{"Button", true, Qt::Key_unknown, Qt::NoModifier},
                      ConfirmRow{"Enter", false, Qt::Key_Return, Qt::NoModifier},
                      ConfirmRow{"ShiftEnter", false, Qt::Key_Return, Qt::ShiftModifier},
                      ConfirmRow{"CtrlEnter", false, Qt::Key_Return, Qt::ControlModifier},
                      ConfirmRow{"KeypadEnter", false, Qt::Key_Enter, Qt::KeypadModifier}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NewProfile, EmptyNameIsRefusedAndTheDialogStaysOpen) {
    auto window = OpenProfileWindow();
    bool stillOpen = false;
    ModalScript script;
    script.Then(kDialog, [](QWidget* dialog) { QTest::keyClick(NameField(dialog), Qt::Key_Return); })
        .Answer(QStringLiteral("msgNoProfileName"), QMessageBox::Ok)
        .Then(kDialog, [&](QWidget* dialog) {
            stillOpen = dialog->isVisible() && NameField(dialog)->text().isEmpty();
            Cancel()(dialog);
        });

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    ASSERT_EQ(script.seen.size(), 1u);
    EXPECT_EQ(script.seen[0].title, QStringLiteral("Profil anlegen"));
    EXPECT_EQ(script.seen[0].text, QStringLiteral("Kein Profilname angegeben!"));
    EXPECT_EQ(script.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(script.seen[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(m_tree.Exists("tvl.ini"));
}

class NewProfileRefused : public NewProfile, public ::testing::WithParamInterface<const char*> {};

TEST_P(NewProfileRefused, NameTheFileCannotHoldIsRefused) {
    auto window = OpenProfileWindow();
    const int lines = static_cast<int>(StatusLines(*window).size());
    QString kept;
    ModalScript script;
    script.Then(kDialog, TypeAndWrite(QString::fromUtf8(GetParam())))
        .Answer(QStringLiteral("msgBadProfileName"), QMessageBox::Ok)
        .Then(kDialog, [&](QWidget* dialog) {
            kept = NameField(dialog)->text();
            Cancel()(dialog);
        });

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    ASSERT_EQ(script.seen.size(), 1u);
    EXPECT_EQ(script.seen[0].title, QStringLiteral("Profil anlegen"));
    EXPECT_EQ(script.seen[0].text,
              QStringLiteral("Der Profilname darf die Zeichen [ ] = nicht enthalten und nicht mit ; beginnen!"));
    EXPECT_EQ(script.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(script.seen[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(kept, QString::fromUtf8(GetParam()));
    EXPECT_FALSE(m_tree.Exists("tvl.ini"));
    EXPECT_EQ(StatusLines(*window).size(), lines);
}

INSTANTIATE_TEST_SUITE_P(Names, NewProfileRefused, ::testing::Values("a[b", "Alt]", "x=y", ";Kommentar"),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

TEST_F(NewProfile, NameOfBlanksIsAccepted) {
    auto window = OpenProfileWindow();
    ModalScript script;
    script.Then(kDialog, TypeAndWrite(QStringLiteral("   ")));

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), QStringLiteral(" - Neues Profil [   ] angelegt!"));
    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("   "));
    EXPECT_EQ(ReadIni("   ", "onlynew"), QStringLiteral("1"));
}

TEST_F(NewProfile, ExistingNameIsResetToTheDefaultsAndKeepsOtherKeys) {
    SetIniBytes("[Profiles]\r\nWork=Work\r\n[Work]\r\ndir_a=/x\r\ndir_b=/y\r\nFilter=*.c\r\nonlynew=0\r\ndelnot=1\r\n"
                "delold=1\r\ndeltotrash=0\r\nnewsubfolder=0\r\nnote=mine\r\n");
    auto window = OpenProfileWindow();
    ModalScript script;
    script.Then(kDialog, TypeAndWrite(QStringLiteral("Work")));

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(IniBytes(), "[Profiles]\r\nWork=Work\r\n" + Defaults("Work") + "note=mine\r\n");
}

TEST_F(NewProfile, EscapeDoesNothing) {
    auto window = OpenProfileWindow();
    bool stillOpen = false;
    ModalScript script;
    script.Then(kDialog,
                [](QWidget* dialog) {
                    QTest::keyClicks(NameField(dialog), QStringLiteral("Reise"));
                    QTest::keyClick(NameField(dialog), Qt::Key_Escape);
                    QTest::keyClick(dialog, Qt::Key_Escape);
                })
        .Then(kDialog, [&](QWidget* dialog) {
            stillOpen = dialog->isVisible() && NameField(dialog)->text() == QStringLiteral("Reise");
            Cancel()(dialog);
        });

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(m_tree.Exists("tvl.ini"));
}

// Abbrechen and the close box leave the file and the window as they were.
class NewProfileClosed : public NewProfile, public ::testing::WithParamInterface<bool> {};

TEST_P(NewProfileClosed, WritesNothing) {
    auto window = OpenProfileWindow();
    const QStringList lines = StatusLines(*window);
    const bool closeBox = GetParam();
    ModalScript script;
    script.Then(kDialog, [closeBox](QWidget* dialog) {
        QTest::keyClicks(NameField(dialog), QStringLiteral("Reise"));
        if (closeBox) {
            dialog->close();
        } else {
            Cancel()(dialog);
        }
    });

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(m_tree.Exists("tvl.ini"));
    EXPECT_EQ(StatusLines(*window), lines);
    EXPECT_EQ(ProfileBoxOf(*window)->currentText(), QStringLiteral("Standard"));
}

INSTANTIATE_TEST_SUITE_P(Ways, NewProfileClosed, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "CloseBox" : "Abbrechen"); });

TEST_F(NewProfile, FieldIsEmptyAtEveryOpening) {
    auto window = OpenProfileWindow();
    QStringList seenTexts;
    auto recordThen = [&](std::function<void(QWidget*)> next) {
        return [&seenTexts, next](QWidget* dialog) {
            seenTexts << NameField(dialog)->text();
            next(dialog);
        };
    };
    ModalScript script;
    script.Then(kDialog, recordThen([](QWidget* dialog) {
        QTest::keyClicks(NameField(dialog), QStringLiteral("Verworfen"));
        Cancel()(dialog);
    }));
    ClickNew(*window);
    script.Then(kDialog, recordThen(TypeAndWrite(QStringLiteral("Reise"))));
    ClickNew(*window);
    script.Then(kDialog, recordThen(Cancel()));
    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(seenTexts, (QStringList{QString(), QString(), QString()}));
}

TEST_F(NewProfile, FailedWriteIsReportedWithTheFileAndTheReason) {
    auto window = OpenProfileWindow();
    m_tree.MakeDir("tvl.ini");
    ModalScript script;
    script.Then(kDialog, TypeAndWrite(QStringLiteral("Reise")));

    ClickNew(*window);

    EXPECT_TRUE(script.Done()) << script.unexpected.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(WithoutTime(LastStatusLine(*window)), " - Neues Profil [Reise] konnte nicht angelegt werden! "
                                                    "Die Einstellungsdatei " +
                                                        IniPath() + " kann nicht geschrieben werden: Ist ein Verzeichnis");
}

}  // namespace
