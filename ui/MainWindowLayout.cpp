#include "ui/MainWindowLayout.h"

#include "ui/ClassicControls.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FormLayout.h"
#include "ui/Gradient2.h"
#include "ui/MainWindowTable.h"
#include "ui/StatusListView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace {

const QColor kFrameCaption(0xC0, 0x00, 0x00);

QFont Verdana(qreal points, bool bold = false) {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(points);
    // Set explicitly, so that no bold of a frame caption reaches the controls inside it.
    font.setBold(bold);
    return font;
}

QIcon ResourceIcon(const QString& path) { return QFile::exists(path) ? QIcon(path) : QIcon(); }

// A control of the row's kind in `container`, with its caption and the kind's fixed traits.
QWidget* Create(const ControlRow& row, QWidget* container) {
    const QString caption = row.caption ? QString::fromUtf8(row.caption) : QString();
    switch (row.kind) {
    case ControlKind::PictureBox:
    case ControlKind::Image:
    case ControlKind::Label:
        return new QLabel(caption, container);
    case ControlKind::Line:
        return new QWidget(container);
    case ControlKind::Frame:
        return new QGroupBox(caption, container);
    case ControlKind::ComboBox: {
        auto* box = new QComboBox(container);
        box->setEditable(true);
        // The list changes only through the profile operations, and typed names stay as typed.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
        box->setEditText(caption);
        return box;
    }
    case ControlKind::CommandButton:
        return new QPushButton(caption, container);
    case ControlKind::DriveList:
        return new DriveList(container);
    case ControlKind::DirList:
        return new DirList(container);
    case ControlKind::CheckBox: {
        auto* box = new WrapCheckBox(caption, container);
        box->setChecked((row.start & kStartChecked) != 0);
        return box;
    }
    case ControlKind::TextBox:
        return new QLineEdit(caption, container);
    case ControlKind::ListBox: {
        auto* list = new StatusListView(container);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        return list;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(container);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    }
    return nullptr;
}

template <class W>
W* Typed(const QHash<QString, QWidget*>& built, const char* name) {
    W* widget = qobject_cast<W*>(built.value(QLatin1String(name)));
    Q_ASSERT_X(widget, name, "a control of the table is missing or of another kind");
    return widget;
}

MainWindowControls TypedControls(const QHash<QString, QWidget*>& built) {
    MainWindowControls ui;
    ui.Picture1 = Typed<QLabel>(built, "Picture1");
    ui.Image1 = Typed<QLabel>(built, "Image1");
    ui.Label1 = Typed<QLabel>(built, "Label1");
    ui.Label2 = Typed<QLabel>(built, "Label2");
    ui.lblCopy = Typed<QLabel>(built, "lblCopy");
    ui.Picture5 = Typed<QLabel>(built, "Picture5");
    ui.Line1 = Typed<QWidget>(built, "Line1");
    ui.Frame1 = Typed<QGroupBox>(built, "Frame1");
    ui.Frame2 = Typed<QGroupBox>(built, "Frame2");
    ui.Frame3 = Typed<QGroupBox>(built, "Frame3");
    ui.Frame4 = Typed<QGroupBox>(built, "Frame4");
    ui.Frame5 = Typed<QGroupBox>(built, "Frame5");
    ui.Frame6 = Typed<QGroupBox>(built, "Frame6");
    ui.cmbProfile = Typed<QComboBox>(built, "cmbProfile");
    ui.cmdSaveProfile = Typed<QPushButton>(built, "cmdSaveProfile");
    ui.cmdNewProfile = Typed<QPushButton>(built, "cmdNewProfile");
    ui.cmdDelProfile = Typed<QPushButton>(built, "cmdDelProfile");
    ui.drvSource = Typed<DriveList>(built, "drvSource");
    ui.dirSource = Typed<DirList>(built, "dirSource");
    ui.drvTarget = Typed<DriveList>(built, "drvTarget");
    ui.dirTarget = Typed<DirList>(built, "dirTarget");
    ui.chkCopyOnlyNew = Typed<QCheckBox>(built, "chkCopyOnlyNew");
    ui.chkDelIfNotExist = Typed<QCheckBox>(built, "chkDelIfNotExist");
    ui.chkTrash = Typed<QCheckBox>(built, "chkTrash");
    ui.chkDelBeforeCopy = Typed<QCheckBox>(built, "chkDelBeforeCopy");
    ui.chkNewSubFolder = Typed<QCheckBox>(built, "chkNewSubFolder");
    ui.Label3 = Typed<QLabel>(built, "Label3");
    ui.txtFilter = Typed<QLineEdit>(built, "txtFilter");
    ui.chkLog = Typed<QCheckBox>(built, "chkLog");
    ui.txtLogSize = Typed<QLineEdit>(built, "txtLogSize");
    ui.Label5 = Typed<QLabel>(built, "Label5");
    ui.lstStatus = Typed<QListView>(built, "lstStatus");
    ui.pb1 = Typed<QProgressBar>(built, "pb1");
    ui.txtFiles = Typed<QLineEdit>(built, "txtFiles");
    ui.txtCount = Typed<QLineEdit>(built, "txtCount");
    ui.cmdRun = Typed<QPushButton>(built, "cmdRun");
    ui.cmdInfo = Typed<QPushButton>(built, "cmdInfo");
    ui.cmdExit = Typed<QPushButton>(built, "cmdExit");
    return ui;
}

void StyleHeader(const MainWindowControls& ui, const QPalette& palette, const QIcon& icon) {
    // The header strip: white until the gradient is painted over it.
    QPalette white = palette;
    white.setColor(QPalette::Window, Qt::white);
    ui.Picture1->setPalette(white);
    ui.Picture1->setAutoFillBackground(true);
    QFont sansSerif(QStringLiteral("MS Sans Serif"));
    sansSerif.setPointSizeF(8.25);
    sansSerif.setBold(false);
    ui.Picture1->setFont(sansSerif);
    ui.Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ui.Image1->setScaledContents(true);
    if (QFile::exists(QStringLiteral(":/icons/header.png"))) {
        ui.Image1->setPixmap(QPixmap(QStringLiteral(":/icons/header.png")));
    }
    ui.Label1->setFont(Verdana(14.25, true));
    QPalette black = palette;
    black.setColor(QPalette::WindowText, Qt::black);
    ui.Label1->setPalette(black);
    ui.Label2->setFont(Verdana(9.75, true));
    // The system's accent colour stands in for the designed system colour.
    QPalette accent = palette;
    accent.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Active, QPalette::Highlight));
    ui.Label2->setPalette(accent);
    ui.lblCopy->setFont(Verdana(6.75));
    ui.Picture5->setPixmap(icon.pixmap(32, 32));
    QPalette rule = palette;
    rule.setColor(QPalette::Window, Qt::black);
    ui.Line1->setPalette(rule);
    ui.Line1->setAutoFillBackground(true);
}

// Frames: bold dark-red captions; the controls inside keep the window's font and colours.
void StyleFrames(const MainWindowControls& ui, const QPalette& palette) {
    QPalette framePalette = palette;
    framePalette.setColor(QPalette::WindowText, kFrameCaption);
    framePalette.setColor(QPalette::Text, kFrameCaption);
    // Set explicitly, or the controls would take the frames' caption colour.
    QPalette controlPalette = palette;
    controlPalette.setColor(QPalette::WindowText, palette.color(QPalette::WindowText));
    controlPalette.setColor(QPalette::Text, palette.color(QPalette::Text));
    controlPalette.setColor(QPalette::ButtonText, palette.color(QPalette::ButtonText));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        controlPalette.setColor(QPalette::Disabled, role, kGrayText);
    }
    for (QGroupBox* frame : {ui.Frame1, ui.Frame2, ui.Frame3, ui.Frame4, ui.Frame5, ui.Frame6}) {
        frame->setPalette(framePalette);
        frame->setFont(Verdana(8.25, true));
        for (QWidget* child : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            child->setPalette(controlPalette);
            child->setFont(Verdana(8.25));
        }
    }
}

// The design's keyboard order; hidden and disabled controls keep their place and are skipped.
void SetTabOrder(const QHash<QString, QWidget*>& built) {
    std::vector<const ControlRow*> rows;
    for (const ControlRow& row : kMainWindowControls) {
        if (row.tab >= 0) rows.push_back(&row);
    }
    std::sort(rows.begin(), rows.end(), [](const ControlRow* a, const ControlRow* b) { return a->tab < b->tab; });
    QWidget* previous = nullptr;
    for (const ControlRow* row : rows) {
        QWidget* widget = built.value(QLatin1String(row->name));
        if (widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous) {
            QWidget::setTabOrder(previous, widget);
        } else {
            widget->setFocus();
        }
        previous = widget;
    }
}

}  // namespace

MainWindowControls BuildMainWindowLayout(QWidget* window) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, kCream);
    palette.setColor(QPalette::Button, kCream);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setFont(Verdana(8.25));
    window->setWindowIcon(ResourceIcon(QStringLiteral(":/icons/app.png")));

    QHash<QString, QWidget*> built;
    built.insert(window->objectName(), window);
    for (const ControlRow& row : kMainWindowControls) {
        QWidget* widget = Create(row, built.value(QLatin1String(row.container)));
        widget->setObjectName(QLatin1String(row.name));
        widget->setGeometry(TwipRect(row.left, row.top, row.width, row.height));
        if (row.start & kStartDisabled) widget->setEnabled(false);
        if (row.start & kStartHidden) widget->hide();
        built.insert(widget->objectName(), widget);
    }
    MainWindowControls ui = TypedControls(built);
    StyleHeader(ui, palette, window->windowIcon());
    StyleFrames(ui, palette);

    // The tray icon's popup menu.
    ui.mnuFile = new QMenu(QStringLiteral("File"), window);
    ui.mnuFile->setObjectName(QStringLiteral("mnuFile"));
    ui.mnuInfo = ui.mnuFile->addAction(QStringLiteral("Info"));
    ui.mnuInfo->setObjectName(QStringLiteral("mnuInfo"));
    ui.mnuLimiter = ui.mnuFile->addSeparator();
    ui.mnuLimiter->setObjectName(QStringLiteral("mnuLimiter"));
    ui.mnuExit = ui.mnuFile->addAction(QStringLiteral("Beenden"));
    ui.mnuExit->setObjectName(QStringLiteral("mnuExit"));

    // The directory lists start in the working directory; their drive lists show its volume.
    ui.drvSource->setDrive(DriveOfPath(ui.dirSource->path()));
    ui.drvTarget->setDrive(DriveOfPath(ui.dirTarget->path()));
    UseClassicStyle(window);
    SetTabOrder(built);
    return ui;
}

void LayOutHeader(const MainWindowControls& ui, int clientWidth) {
    ui.Picture1->resize(clientWidth, ui.Picture1->height());
    ui.Line1->setGeometry(0, ui.Line1->y(), clientWidth, ui.Line1->height());
    ui.lblCopy->move(clientWidth - ui.lblCopy->width(), ui.lblCopy->y());

    QPixmap strip(ui.Picture1->size());
    strip.fill(Qt::white);
    DrawGradient(strip, 0x000000FF, 0x00FFFFFF, 2);
    ui.Picture1->setPixmap(strip);
}
