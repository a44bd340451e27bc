#include "ui/frmMain.h"

#include "TrevalonVersion.h"
#include "engine/MirrorRun.h"
#include "settings/PrivateProfile.h"
#include "ui/ClassicControls.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FormLayout.h"
#include "ui/Gradient2.h"
#include "ui/HelpBalloons.h"
#include "ui/ProfileActions.h"
#include "ui/StatusListModel.h"
#include "ui/frmInfo.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

namespace {

const QColor kFrameCaption(0xC0, 0x00, 0x00);
constexpr int kHeaderHeightTwips = 855;
constexpr int kCopyWidthTwips = 1935;
constexpr int kLineTopTwips = 840;
const char* const kOptionsSection = "Optionen";
constexpr std::uint32_t kOptionBufferSize = 255;

QFont Verdana(qreal points, bool bold = false) {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(points);
    // Set explicitly, so that no bold of a frame caption reaches the controls inside it.
    font.setBold(bold);
    return font;
}

QIcon ResourceIcon(const QString& path) { return QFile::exists(path) ? QIcon(path) : QIcon(); }

// Reads a value of "Optionen"; `defaultText` when the key is missing.
QString ReadOption(const char* key, const QString& defaultText) {
    if (strIniFile.isEmpty()) return defaultText;
    const QByteArray file = QFile::encodeName(strIniFile);
    const QByteArray fallback = defaultText.toUtf8();
    char buffer[kOptionBufferSize] = {};
    const std::uint32_t count =
        GetPrivateProfileStringA(kOptionsSection, key, fallback.constData(), buffer, kOptionBufferSize, file.constData());
    return QString::fromUtf8(buffer, static_cast<qsizetype>(qMin(count, kOptionBufferSize - 1)));
}

void WriteOption(const char* key, const QString& value) {
    if (strIniFile.isEmpty()) return;
    const QByteArray file = QFile::encodeName(strIniFile);
    const QByteArray text = value.toUtf8();
    WritePrivateProfileStringA(kOptionsSection, key, text.constData(), file.constData());
}

}  // namespace

frmMain::frmMain(const QString& logPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_log(*this, logPath.isEmpty() ? ProgramDataDir() + QStringLiteral("/tvl.log") : logPath) {
    setObjectName(QStringLiteral("frmMain"));
    BuildControls();
    SetTabOrder();
    ConnectEvents();

    resize(Px(9225), Px(6330));
    // First position: centred on the screen.
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

frmMain::~frmMain() {
    RemoveTrayIcon();
    // The controls die after this window's members; none of their last signals may reach it.
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void frmMain::BuildControls() {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, kCream);
    palette.setColor(QPalette::Button, kCream);
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(Verdana(8.25));
    setWindowIcon(ResourceIcon(QStringLiteral(":/icons/app.png")));

    // The header strip: white until the gradient is painted over it.
    m_picture1 = Place(new QLabel(this), "Picture1", 0, 0, 8595, kHeaderHeightTwips);
    {
        QPalette white = palette;
        white.setColor(QPalette::Window, Qt::white);
        m_picture1->setPalette(white);
        m_picture1->setAutoFillBackground(true);
        QFont sansSerif(QStringLiteral("MS Sans Serif"));
        sansSerif.setPointSizeF(8.25);
        sansSerif.setBold(false);
        m_picture1->setFont(sansSerif);
        m_picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    m_image1 = Place(new QLabel(m_picture1), "Image1", 300, 120, 660, 600);
    m_image1->setScaledContents(true);
    if (QFile::exists(QStringLiteral(":/icons/header.png"))) m_image1->setPixmap(QPixmap(QStringLiteral(":/icons/header.png")));

    m_label1 = Place(new QLabel(QStringLiteral("Trevalon"), m_picture1), "Label1", 1380, 60, 5265, 450);
    m_label1->setFont(Verdana(14.25, true));
    {
        QPalette black = palette;
        black.setColor(QPalette::WindowText, Qt::black);
        m_label1->setPalette(black);
    }
    m_label2 = Place(new QLabel(QStringLiteral("Verzeichnisse komfortabel spiegeln"), m_picture1), "Label2", 1800, 420,
                     6780, 330);
    m_label2->setFont(Verdana(9.75, true));
    {
        // The system's accent colour stands in for the designed system colour.
        QPalette accent = palette;
        accent.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::Active, QPalette::Highlight));
        m_label2->setPalette(accent);
    }
    m_lblCopy = Place(new QLabel(QString::fromUtf8(tvl::kCopyright), m_picture1), "lblCopy", 6660, 0, kCopyWidthTwips, 195);
    m_lblCopy->setFont(Verdana(6.75));
    m_lblCopy->installEventFilter(this);
    m_picture5 = Place(new QLabel(m_picture1), "Picture5", 7980, 300, 495, 435);
    m_picture5->setPixmap(windowIcon().pixmap(32, 32));
    m_picture5->hide();
    m_line1 = new QWidget(m_picture1);
    m_line1->setObjectName(QStringLiteral("Line1"));
    m_line1->setGeometry(0, Px(kLineTopTwips), Px(7455), 1);
    {
        QPalette rule = palette;
        rule.setColor(QPalette::Window, Qt::black);
        m_line1->setPalette(rule);
        m_line1->setAutoFillBackground(true);
    }

    // Frames: bold dark-red captions; the controls inside keep the window's font and colours.
    QPalette framePalette = palette;
    framePalette.setColor(QPalette::WindowText, kFrameCaption);
    framePalette.setColor(QPalette::Text, kFrameCaption);
    QPalette controlPalette = palette;
    controlPalette.setColor(QPalette::WindowText, palette.color(QPalette::WindowText));
    controlPalette.setColor(QPalette::Text, palette.color(QPalette::Text));
    controlPalette.setColor(QPalette::ButtonText, palette.color(QPalette::ButtonText));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        controlPalette.setColor(QPalette::Disabled, role, kGrayText);
    }
    auto makeFrame = [&](const char* name, const char* caption, int l, int t, int w, int h) {
        auto* frame = Place(new QGroupBox(QString::fromUtf8(caption), this), name, l, t, w, h);
        frame->setPalette(framePalette);
        frame->setFont(Verdana(8.25, true));
        return frame;
    };
    QGroupBox* frame1 = makeFrame("Frame1", "Profile", 30, 870, 9165, 735);
    QGroupBox* frame2 = makeFrame("Frame2", "Quelle", 30, 1590, 2340, 3195);
    QGroupBox* frame3 = makeFrame("Frame3", "Ziel (Spiegel)", 2400, 1590, 2355, 3195);
    QGroupBox* frame4 = makeFrame("Frame4", "Optionen", 4800, 1590, 4395, 3195);
    QGroupBox* frame5 = makeFrame("Frame5", "Programmstatus", 30, 4770, 6945, 1515);
    QGroupBox* frame6 = makeFrame("Frame6", "Funktionen", 7020, 4770, 2175, 1515);

    m_cmbProfile = Place(new QComboBox(frame1), "cmbProfile", 180, 240, 4095, 315);
    m_cmbProfile->setEditable(true);
    // The list changes only through the profile operations, and typed names stay as typed.
    m_cmbProfile->setInsertPolicy(QComboBox::NoInsert);
    m_cmbProfile->setCompleter(nullptr);
    m_cmbProfile->setEditText(QStringLiteral("Standard"));
    m_cmdSaveProfile = Place(new QPushButton(QStringLiteral("&Speichern"), frame1), "cmdSaveProfile", 4350, 240, 1515, 375);
    m_cmdNewProfile = Place(new QPushButton(QStringLiteral("&Neu"), frame1), "cmdNewProfile", 5940, 240, 1515, 375);
    m_cmdDelProfile =
        Place(new QPushButton(QString::fromUtf8("Lös&chen"), frame1), "cmdDelProfile", 7530, 240, 1515, 375);

    m_drvSource = Place(new DriveList(frame2), "drvSource", 180, 300, 1995, 315);
    m_dirSource = Place(new DirList(frame2), "dirSource", 180, 660, 1995, 2340);
    m_drvTarget = Place(new DriveList(frame3), "drvTarget", 180, 300, 1995, 315);
    m_dirTarget = Place(new DirList(frame3), "dirTarget", 180, 660, 1995, 2340);

    auto makeCheck = [&](const char* name, const char* caption, int l, int t, int w, int h) {
        return Place(new WrapCheckBox(QString::fromUtf8(caption), frame4), name, l, t, w, h);
    };
    m_chkCopyOnlyNew = makeCheck("chkCopyOnlyNew", "Nur ältere durch neue Dateien ersetzen.", 120, 300, 3975, 255);
    m_chkCopyOnlyNew->setChecked(true);
    m_chkDelIfNotExist = makeCheck("chkDelIfNotExist", "Dateien, die im Quellverzeichnis nicht existieren, löschen.",
                                   120, 570, 4185, 375);
    m_chkDelIfNotExist->setEnabled(false);
    m_chkTrash = makeCheck("chkTrash", "nur in den Papierkorb verschieben", 570, 960, 3345, 315);
    m_chkTrash->setEnabled(false);
    m_chkDelBeforeCopy = makeCheck("chkDelBeforeCopy", "Vor dem Kopieren alle Dateien im Zielverzeichnis löschen.", 120,
                                   1290, 4215, 375);
    m_chkNewSubFolder = makeCheck("chkNewSubFolder", "Quelle als neuen Ordner im Ziel anlegen.", 120, 1710, 4245, 315);
    m_label3 = Place(new QLabel(QStringLiteral("Folgende Dateitypen nicht spiegeln:"), frame4), "Label3", 120, 2130,
                     3645, 255);
    m_label3->setEnabled(false);
    m_label3->hide();
    m_txtFilter =
        Place(new QLineEdit(QStringLiteral("Funktion muss noch gebaut werden..."), frame4), "txtFilter", 90, 2370, 4245, 315);
    m_txtFilter->setEnabled(false);
    m_txtFilter->hide();
    m_chkLog = makeCheck("chkLog", "LogFile / Größe begrenzen auf:", 180, 2880, 3195, 225);
    m_chkLog->setChecked(true);
    m_txtLogSize = Place(new QLineEdit(QStringLiteral("50"), frame4), "txtLogSize", 3450, 2820, 555, 315);
    m_label5 = Place(new QLabel(QStringLiteral("KB"), frame4), "Label5", 4050, 2850, 345, 285);

    m_statusModel = new StatusListModel(this);
    m_lstStatus = Place(new QListView(frame5), "lstStatus", 180, 240, 6675, 840);
    m_lstStatus->setModel(m_statusModel);
    m_lstStatus->setUniformItemSizes(true);
    m_lstStatus->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstStatus->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pb1 = Place(new QProgressBar(frame5), "pb1", 180, 1140, 6675, 255);
    m_pb1->setRange(0, 100);
    m_pb1->setValue(0);
    m_pb1->setTextVisible(false);
    m_pb1->hide();
    m_txtFiles = Place(new QLineEdit(frame5), "txtFiles", 180, 1140, 6675, 285);
    m_txtCount = Place(new QLineEdit(QStringLiteral("0"), frame5), "txtCount", 6000, 1140, 855, 285);
    m_txtCount->hide();

    m_cmdRun = Place(new QPushButton(QStringLiteral("Sta&rten"), frame6), "cmdRun", 120, 270, 1965, 375);
    m_cmdInfo = Place(new QPushButton(QStringLiteral("Info"), frame6), "cmdInfo", 120, 660, 1965, 375);
    m_cmdExit = Place(new QPushButton(QStringLiteral("&Beenden"), frame6), "cmdExit", 120, 1050, 1965, 375);

    for (QGroupBox* frame : {frame1, frame2, frame3, frame4, frame5, frame6}) {
        for (QWidget* child : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            child->setPalette(controlPalette);
            child->setFont(Verdana(8.25));
        }
    }

    // The tray icon's popup menu.
    m_mnuFile = new QMenu(QStringLiteral("File"), this);
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuInfo = m_mnuFile->addAction(QStringLiteral("Info"));
    m_mnuInfo->setObjectName(QStringLiteral("mnuInfo"));
    m_mnuLimiter = m_mnuFile->addSeparator();
    m_mnuLimiter->setObjectName(QStringLiteral("mnuLimiter"));
    m_mnuExit = m_mnuFile->addAction(QStringLiteral("Beenden"));
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));

    // The directory lists start in the working directory; their drive lists show its volume.
    m_drvSource->setDrive(DriveOfPath(m_dirSource->path()));
    m_drvTarget->setDrive(DriveOfPath(m_dirTarget->path()));
    UseClassicStyle(this);
}

void frmMain::SetTabOrder() {
    // The design's keyboard order; hidden and disabled controls keep their place and are skipped.
    const QList<QWidget*> order{m_cmdRun,           m_cmdExit,        m_txtCount,   m_lstStatus,     m_txtFiles,
                                m_chkDelBeforeCopy, m_chkCopyOnlyNew, m_chkDelIfNotExist, m_txtFilter, m_dirTarget,
                                m_drvTarget,        m_dirSource,      m_drvSource,  m_cmdNewProfile, m_cmdSaveProfile,
                                m_cmbProfile,       m_chkLog,         m_txtLogSize, m_cmdDelProfile, m_chkTrash,
                                m_chkNewSubFolder,  m_cmdInfo};
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    for (QWidget* widget : {static_cast<QWidget*>(m_picture1), static_cast<QWidget*>(m_label1),
                            static_cast<QWidget*>(m_label2), static_cast<QWidget*>(m_lblCopy)}) {
        widget->setFocusPolicy(Qt::NoFocus);
    }
    m_cmdRun->setFocus();
}

void frmMain::ConnectEvents() {
    connect(m_cmdRun, &QPushButton::clicked, this, &frmMain::cmdRun_Clicked);
    connect(m_cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(m_mnuExit, &QAction::triggered, this, &frmMain::cmdExit_Click);
    connect(m_cmdInfo, &QPushButton::clicked, this, &frmMain::ShowInfo);
    connect(m_mnuInfo, &QAction::triggered, this, &frmMain::ShowInfo);
    // Every change of value counts, also one made by the program (a loaded profile).
    connect(m_chkCopyOnlyNew, &QCheckBox::stateChanged, this, &frmMain::chkCopyOnlyNew_Click);
    connect(m_chkDelBeforeCopy, &QCheckBox::stateChanged, this, &frmMain::chkDelBeforeCopy_Click);
    connect(m_chkNewSubFolder, &QCheckBox::stateChanged, this, &frmMain::chkNewSubFolder_Click);
    connect(m_chkLog, &QCheckBox::stateChanged, this, &frmMain::chkLog_Click);
    connect(m_drvSource, &DriveList::driveChanged, this, &frmMain::drvSource_Change);
    connect(m_dirSource, &DirList::pathChanged, this, &frmMain::dirSource_Change);
    connect(m_drvTarget, &DriveList::driveChanged, this, &frmMain::drvTarget_Change);
    connect(m_dirTarget, &DirList::pathChanged, this, &frmMain::dirTarget_Change);
    // The profile box and its three buttons.
    ConnectProfileControls(this, m_log, *this);
}

// ---- Load, resize, close ----

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

void frmMain::Form_Load() {
    if (!(windowState() & Qt::WindowMinimized)) LayOutHeader();
    DigitsOnlyFilter::Install(m_txtLogSize);
    SetUpHelpBalloons();
    setWindowTitle(QStringLiteral("%1 - %2.%3")
                       .arg(QString::fromUtf8(tvl::kProductName))
                       .arg(tvl::kVersionMajor)
                       .arg(tvl::kVersionMinor));
    m_log.WriteStatusLine(StatusLine(QStringLiteral(" - Trevalon geladen!")));
    LoadProfile(QString());
    ReadOptions();
    AddTrayIcon();
}

void frmMain::ReadOptions() {
    // Only the three states a check box can hold are taken; anything else keeps the box as it is.
    const QString writelog = ReadOption("writelog", QString()).trimmed();
    if (writelog == QLatin1String("0")) {
        m_chkLog->setCheckState(Qt::Unchecked);
    } else if (writelog == QLatin1String("1")) {
        m_chkLog->setCheckState(Qt::Checked);
    } else if (writelog == QLatin1String("2")) {
        m_chkLog->setTristate(true);
        m_chkLog->setCheckState(Qt::PartiallyChecked);
    }
    // A missing key keeps the designed limit; a stored text goes in unchanged, even an empty one.
    m_txtLogSize->setText(ReadOption("logsize", m_txtLogSize->text()));
}

void frmMain::WriteOptions() {
    // Stored as the classic values: 0 unchecked, 1 checked, 2 greyed.
    const Qt::CheckState state = m_chkLog->checkState();
    const int value = state == Qt::Checked ? 1 : (state == Qt::PartiallyChecked ? 2 : 0);
    WriteOption("writelog", QString::number(value));
    WriteOption("logsize", m_txtLogSize->text());
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_loaded) Form_Resize();
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Restoring a minimised window re-lays the header, as a resize would.
    if (event->type() == QEvent::WindowStateChange && m_loaded) Form_Resize();
}

void frmMain::Form_Resize() {
    if (windowState() & Qt::WindowMinimized) return;
    LayOutHeader();
}

void frmMain::LayOutHeader() {
    const int clientWidth = width();
    m_picture1->resize(clientWidth, Px(kHeaderHeightTwips));
    m_line1->setGeometry(0, Px(kLineTopTwips), clientWidth, 1);
    m_lblCopy->move(clientWidth - Px(kCopyWidthTwips), m_lblCopy->y());

    QPixmap strip(m_picture1->size());
    strip.fill(Qt::white);
    DrawGradient(strip, 0x000000FF, 0x00FFFFFF, 2);
    m_picture1->setPixmap(strip);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // A run cannot be stopped half-way; the close is carried out when it has ended.
    if (m_running) {
        m_closePending = true;
        event->ignore();
        return;
    }
    if (m_loaded && !m_unloaded) {
        m_unloaded = true;
        Form_QueryUnload();
    }
    event->accept();
}

void frmMain::Form_QueryUnload() {
    // An empty, non-numeric or too large size skips the trim; the options are still written.
    if (const std::optional<qint32> limit = LogLimitBytes(m_txtLogSize->text())) {
        TrimLogFile(m_log.LogPath(), *limit);
    }
    RemoveTrayIcon();
    WriteOptions();
    DestroyHelpBalloons();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) window->close();
    }
}

// ---- Hooks filled by the profile, help-balloon and about-window code ----

void frmMain::LoadProfile(const QString& sptl) { ::LoadProfile(this, m_log, sptl); }

void frmMain::SetUpHelpBalloons() {
    m_objToolTip = new HelpBalloons(this);
    m_objToolTip->SetUp(this);
}

void frmMain::DestroyHelpBalloons() {
    if (m_objToolTip) m_objToolTip->Destroy();
}

void frmMain::ShowInfo() { frmInfo::ShowModal(this); }

// ---- Buttons, menu, tray ----

void frmMain::cmdRun_Clicked() {
    if (m_running) return;
    m_running = true;
    m_paintTimer.start();
    cmdRun_Click(*this, m_log, QCoreApplication::applicationDirPath());
    m_running = false;
    if (m_closePending) {
        m_closePending = false;
        close();
    }
}

void frmMain::cmdExit_Click() {
    if (close()) QCoreApplication::quit();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lblCopy && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_lblCopy->rect().contains(mouse->position().toPoint())) {
            ShowInfo();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::AddTrayIcon() {
    // Without a notification area there is no icon, and nothing else changes.
    if (m_tray || !QSystemTrayIcon::isSystemTrayAvailable()) return;
    QIcon icon = windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_DirIcon);
    m_tray = new QSystemTrayIcon(icon, this);
    m_tray->setToolTip(QStringLiteral("Trevalon gestartet!"));
    connect(m_tray, &QSystemTrayIcon::activated, this, &frmMain::TrayActivated);
    m_tray->show();
}

void frmMain::RemoveTrayIcon() {
    if (!m_tray) return;
    m_tray->hide();
    delete m_tray;
    m_tray = nullptr;
}

void frmMain::TrayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Context) m_mnuFile->popup(QCursor::pos());
}

// ---- The three exclusive options and the log switch ----

void frmMain::chkCopyOnlyNew_Click() {
    if (m_chkCopyOnlyNew->checkState() != Qt::Checked) return;
    m_chkDelBeforeCopy->setCheckState(Qt::Unchecked);
    // Looked at again: the first uncheck may have changed this box in turn.
    if (m_chkCopyOnlyNew->checkState() == Qt::Checked) m_chkNewSubFolder->setCheckState(Qt::Unchecked);
}

void frmMain::chkDelBeforeCopy_Click() {
    if (m_chkDelBeforeCopy->checkState() != Qt::Checked) return;
    m_chkCopyOnlyNew->setCheckState(Qt::Unchecked);
    if (m_chkDelBeforeCopy->checkState() == Qt::Checked) m_chkNewSubFolder->setCheckState(Qt::Unchecked);
}

void frmMain::chkNewSubFolder_Click() {
    if (m_chkNewSubFolder->checkState() != Qt::Checked) return;
    m_chkCopyOnlyNew->setCheckState(Qt::Unchecked);
    if (m_chkNewSubFolder->checkState() == Qt::Checked) m_chkDelBeforeCopy->setCheckState(Qt::Unchecked);
}

void frmMain::chkLog_Click() { m_txtLogSize->setEnabled(m_chkLog->checkState() == Qt::Checked); }

// ---- Drive and directory lists ----

void frmMain::drvSource_Change() { FollowDrive(m_drvSource, m_dirSource); }
void frmMain::dirSource_Change() { FollowDirectory(m_dirSource, m_drvSource); }
void frmMain::drvTarget_Change() { FollowDrive(m_drvTarget, m_dirTarget); }
void frmMain::dirTarget_Change() { FollowDirectory(m_dirTarget, m_drvTarget); }

void frmMain::FollowDrive(DriveList* drive, DirList* dir) {
    // The directory list moved the drive list: it stays at its own path, not the drive's current folder.
    if (m_followingDirectory) return;
    // A volume that is not ready refuses the path; the directory list stays, without a message.
    dir->setPath(DriveCurrentFolder(drive->drive()));
}

void frmMain::FollowDirectory(DirList* dir, DriveList* drive) {
    const QString root = DriveOfPath(dir->path());
    if (drive->drive() == root) return;
    m_followingDirectory = true;
    drive->setDrive(root);
    m_followingDirectory = false;
}

// ---- RunControls ----

QString frmMain::SourcePath() const { return m_dirSource->path(); }
QString frmMain::TargetPath() const { return m_dirTarget->path(); }
bool frmMain::CopyOnlyNew() const { return m_chkCopyOnlyNew->checkState() == Qt::Checked; }
bool frmMain::DelBeforeCopy() const { return m_chkDelBeforeCopy->checkState() == Qt::Checked; }
bool frmMain::NewSubFolder() const { return m_chkNewSubFolder->checkState() == Qt::Checked; }
QString frmMain::CountText() const { return m_txtCount->text(); }
void frmMain::SetCountText(const QString& text) { m_txtCount->setText(text); }
void frmMain::SetFilesText(const QString& text) { m_txtFiles->setText(text); }
void frmMain::SetFilesVisible(bool visible) { m_txtFiles->setVisible(visible); }
void frmMain::SetProgressVisible(bool visible) { m_pb1->setVisible(visible); }
int frmMain::ProgressValue() const { return m_pb1->value(); }
void frmMain::SetProgressValue(int value) { m_pb1->setValue(value); }
void frmMain::RefreshTarget() { m_dirTarget->refresh(); }

MessageResult frmMain::ShowMessage(const QString& title, const QString& text, MessageIcon icon,
                                   MessageButtons buttons) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::None: boxIcon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: boxIcon = QMessageBox::Information; break;
    case MessageIcon::Warning: boxIcon = QMessageBox::Warning; break;
    case MessageIcon::Critical: boxIcon = QMessageBox::Critical; break;
    case MessageIcon::Question: boxIcon = QMessageBox::Question; break;
    }
    const QMessageBox::StandardButtons boxButtons =
        buttons == MessageButtons::OkCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok;
    return ShowMessageBox(this, "msgRun", boxIcon, title, text, boxButtons) == QMessageBox::Ok ? MessageResult::Ok
                                                                                               : MessageResult::Cancel;
}

void frmMain::KeepPainting() {
    // Paint and timer events only: the run takes no input, but the window stays alive.
    if (m_paintTimer.isValid() && m_paintTimer.elapsed() < 50) return;
    // Scroll first, so that the repaint it asks for is done by this round of events, not the next.
    FlushStatusScroll();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_paintTimer.start();
}

// ---- StatusList ----

void frmMain::AddStatusLine(const QString& line) {
    m_statusModel->Append(line);
    const QModelIndex last = m_statusModel->index(m_statusModel->rowCount() - 1);
    {
        // Selecting through the view would lay out all rows again for every line, which
        // makes a run of many thousand lines crawl; the view catches up once per paint.
        const QSignalBlocker blocker(m_lstStatus->selectionModel());
        m_lstStatus->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
    }
    if (!m_statusScrollPending) {
        m_statusScrollPending = true;
        QTimer::singleShot(0, this, [this] { FlushStatusScroll(); });
    }
}

void frmMain::FlushStatusScroll() {
    if (!m_statusScrollPending) return;
    m_statusScrollPending = false;
    m_lstStatus->scrollTo(m_lstStatus->currentIndex());
    m_lstStatus->viewport()->update();
}

bool frmMain::LoggingOn() const { return m_chkLog->checkState() == Qt::Checked; }

// ---- ProfileBox ----

void frmMain::ClearProfiles() { m_cmbProfile->clear(); }

void frmMain::SetProfileText(const QString& text) { m_cmbProfile->setEditText(text); }

void frmMain::AddProfile(const QString& name) {
    // Adding the first entry would make it the box's text; the box keeps the name it shows.
    const QString text = m_cmbProfile->currentText();
    m_cmbProfile->addItem(name);
    if (m_cmbProfile->currentText() != text) {
        m_cmbProfile->setCurrentIndex(-1);
        m_cmbProfile->setEditText(text);
    }
}
