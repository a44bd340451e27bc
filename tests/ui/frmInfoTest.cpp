// The about window: texts, look, the address click and the modal opening.
#include "MainWindowFixture.h"

#include "TrevalonVersion.h"
#include "ui/frmInfo.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <functional>

namespace {

const char* const kDescription =
    "Mit Trevalon lassen sich verschiedene Verzeichnisse bequem miteinander abgleichen (spiegeln). Einfach "
    "Quell- und Zielverzeichnis auswählen und mit einem Klick werden veraltete Dateien im Zielverzeichnis durch "
    "neue ersetzt.";

QString LabelText(QWidget* dialog, const char* name) {
    auto* label = dialog->findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

// Stands in for the browser: records each address and the pointer shape during the hand-over.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    QList<Qt::CursorShape> cursors;
public slots:
    void Open(const QUrl& url) {
        urls.append(url);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        cursors.append(cursor ? cursor->shape() : Qt::ArrowCursor);
    }
};

// Runs `check` on the modal window once it is up, then closes it.
void WhenModalOpens(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal window";
            return;
        }
        check(modal);
        QTest::mouseClick(modal->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    });
}

}  // namespace

struct HeaderRow {
    const char* name;
    int major, minor, revision;
    const char* header;
};

class InfoHeader : public ::testing::TestWithParam<HeaderRow> {};

TEST_P(InfoHeader, WindowShowsNameAndVersion) {
    const HeaderRow& row = GetParam();
    frmInfo dialog(nullptr, {"Trevalon", row.major, row.minor, row.revision});
    EXPECT_EQ(LabelText(&dialog, "lblHeader"), row.header);
    EXPECT_EQ(frmInfo::HeaderText("Trevalon", row.major, row.minor, row.revision), row.header);
    EXPECT_EQ(LabelText(&dialog, "Label1"), QString::fromUtf8(kDescription));
}

INSTANTIATE_TEST_SUITE_P(Versions, InfoHeader,
                         ::testing::Values(HeaderRow{"v1_0_83", 1, 0, 83, "Trevalon - V: 1.0.83"},
                                           HeaderRow{"v2_10_5", 2, 10, 5, "Trevalon - V: 2.10.5"},
                                           HeaderRow{"v0_0_0", 0, 0, 0, "Trevalon - V: 0.0.0"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InfoLayout, FixedCreamWindowWithBlueUnderlinedAddress) {
    frmInfo dialog;
    EXPECT_EQ(dialog.windowTitle(), "Info");
    EXPECT_EQ(dialog.minimumSize(), QSize(312, 192));
    EXPECT_EQ(dialog.maximumSize(), QSize(312, 192));
    EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(0xEF, 0xEF, 0xDE));

    auto* url = dialog.findChild<QLabel*>("lblURL");
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->text(), QString::fromUtf8(tvl::kProjectUrl));
    EXPECT_EQ(url->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(url->font().bold());
    EXPECT_TRUE(url->font().underline());
    EXPECT_EQ(url->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(url->geometry(), QRect(48, 136, 217, 17));
    EXPECT_EQ(LabelText(&dialog, "Label2"), QString::fromUtf8(tvl::kCopyright));

    auto* close = dialog.findChild<QPushButton*>("Command1");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), "Schliessen");
    EXPECT_EQ(close->geometry(), QRect(78, 156, 161, 29));
    EXPECT_TRUE(FaceShowsCream(close));
    auto* header = dialog.findChild<QLabel*>("lblHeader");
    EXPECT_EQ(header->font().family(), "Verdana");
    EXPECT_EQ(header->font().pointSizeF(), 12.0);
    EXPECT_TRUE(header->font().bold());
}

TEST(InfoAddress, ClickHandsTheAddressOverUnderABusyPointer) {
    UrlRecorder recorder;
    const QUrl address = QUrl::fromUserInput(QString::fromUtf8(tvl::kProjectUrl));
    QDesktopServices::setUrlHandler(address.scheme(), &recorder, "Open");
    frmInfo dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    QTest::mouseClick(dialog.findChild<QLabel*>("Label1"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QLabel*>("Label2"), Qt::LeftButton);
    EXPECT_TRUE(recorder.urls.isEmpty());

    QTest::mouseClick(dialog.findChild<QLabel*>("lblURL"), Qt::LeftButton, {}, QPoint(5, 5));
    QDesktopServices::unsetUrlHandler(address.scheme());
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls.front(), address);
    EXPECT_EQ(recorder.cursors.front(), Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(InfoModal, TwoOpeningsInARowAreFreshAndShowTheSameTexts) {
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));

    QStringList seen;
    QPointer<QWidget> first;
    WhenModalOpens([&](QWidget* modal) {
        first = modal;
        seen << LabelText(modal, "lblHeader") << LabelText(modal, "Label1");
        EXPECT_EQ(modal->parentWidget(), &owner);
        EXPECT_TRUE(modal->isModal());
        EXPECT_NEAR(modal->frameGeometry().center().x(), owner.frameGeometry().center().x(), 2);
        EXPECT_NEAR(modal->frameGeometry().center().y(), owner.frameGeometry().center().y(), 2);
        // A change made to this window must not survive into the next opening.
        modal->findChild<QLabel*>("lblHeader")->setText("geändert");
    });
    frmInfo::ShowModal(&owner);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(owner.findChildren<frmInfo*>().isEmpty());

    WhenModalOpens([&](QWidget* modal) { seen << LabelText(modal, "lblHeader") << LabelText(modal, "Label1"); });
    frmInfo::ShowModal(&owner);
    EXPECT_TRUE(owner.findChildren<frmInfo*>().isEmpty());

    ASSERT_EQ(seen.size(), 4);
    EXPECT_EQ(seen[0], frmInfo::HeaderText("Trevalon", tvl::kVersionMajor, tvl::kVersionMinor, tvl::kVersionRevision));
    EXPECT_EQ(seen[1], QString::fromUtf8(kDescription));
    EXPECT_EQ(seen[2], seen[0]);
    EXPECT_EQ(seen[3], seen[1]);
}

#include "frmInfoTest.moc"
