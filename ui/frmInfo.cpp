#include "ui/frmInfo.h"

#include "ui/ClassicControls.h"
#include "ui/FormLayout.h"

#include "TrevalonVersion.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

namespace {

const QColor kUrlBlue(0x00, 0x00, 0xFF);
const QString kFontName = QStringLiteral("Verdana");

QFont VerdanaFont(double points, bool bold = false, bool underline = false) {
    QFont font(kFontName);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

}  // namespace

frmInfo::frmInfo(QWidget* parent) : frmInfo(parent, BuildVersion()) {}

frmInfo::frmInfo(QWidget* parent, const VersionInfo& version)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    BuildControls();
    Form_Load(version);
}

VersionInfo frmInfo::BuildVersion() {
    return {QString::fromUtf8(tvl::kProductName), tvl::kVersionMajor, tvl::kVersionMinor, tvl::kVersionRevision};
}

QString frmInfo::HeaderText(const QString& name, int major, int minor, int revision) {
    return name + QStringLiteral(" - V: ") + QString::number(major) + QLatin1Char('.') + QString::number(minor) +
           QLatin1Char('.') + QString::number(revision);
}

QString frmInfo::DescriptionText(const QString& name) {
    return QStringLiteral("Mit ") + name + QStringLiteral(" lassen sich verschiedene Verzeichnisse") +
           QStringLiteral(" bequem miteinander abgleichen (spiegeln). Einfach Quell- und") +
           QStringLiteral(" Zielverzeichnis auswählen und mit einem Klick werden veraltete") +
           QStringLiteral(" Dateien im Zielverzeichnis durch neue ersetzt.");
}

void frmInfo::BuildControls() {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    setFixedSize(Px(4680), Px(2880));
    setFont(VerdanaFont(8.25));

    QPalette cream = palette();
    cream.setColor(QPalette::Window, kCream);
    cream.setColor(QPalette::Button, kCream);
    setPalette(cream);
    setAutoFillBackground(true);

    lblHeader = new QLabel(this);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    lblHeader->setGeometry(TwipRect(60, 180, 4575, 375));
    lblHeader->setFont(VerdanaFont(12, true));
    lblHeader->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(TwipRect(180, 600, 4395, 1095));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(TwipRect(1320, 1800, 2055, 255));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setText(QString::fromUtf8(tvl::kCopyright));

    Command1 = new QPushButton(QStringLiteral("Schliessen"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(TwipRect(1177, 2340, 2415, 435));
    connect(Command1, &QPushButton::clicked, this, &frmInfo::Command1_Click);

    lblURL = new QLabel(this);
    lblURL->setObjectName(QStringLiteral("lblURL"));
    lblURL->setGeometry(TwipRect(720, 2040, 3255, 255));
    lblURL->setFont(VerdanaFont(8.25, true, true));
    lblURL->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblURL->setTextFormat(Qt::PlainText);
    lblURL->setCursor(Qt::PointingHandCursor);
    lblURL->setText(QString::fromUtf8(tvl::kProjectUrl));
    lblURL->installEventFilter(this);

    UseClassicStyle(this);
    // Only the button takes the focus; the labels keep their order for the reader.
    Command1->setFocus();
}

void frmInfo::Form_Load(const VersionInfo& version) {
    lblHeader->setText(HeaderText(version.name, version.major, version.minor, version.revision));
    QPalette urlPalette = lblURL->palette();
    urlPalette.setColor(QPalette::WindowText, kUrlBlue);
    lblURL->setPalette(urlPalette);
    Label1->setText(DescriptionText(version.name));
}

bool frmInfo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblURL && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lblURL->rect().contains(mouse->position().toPoint())) {
            lblURL_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmInfo::lblURL_Click() {
    ShellOpen(this, lblURL->text());
}

void frmInfo::Command1_Click() {
    close();
}

void frmInfo::ShellOpen(QWidget* hWnd, const QString& address) {
    Q_UNUSED(hWnd);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // The result is not examined: with no browser the window simply stays as it is.
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
    QGuiApplication::restoreOverrideCursor();
}

void frmInfo::ShowModal(QWidget* over) {
    QWidget* owner = over ? over->window() : nullptr;
    // A fresh instance every time: the load step runs at every opening.
    ExecCentred(new frmInfo(owner), owner);
}
