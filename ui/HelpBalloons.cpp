#include "ui/HelpBalloons.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

const std::array<HelpBalloonRow, 13> kHelpBalloonRows = {{
    {"cmdSaveProfile", "Profil speichern!", 1,
     "Speichert die aktuellen Einstellungen des Profils (Verzeichnispfade, Optionen, etc.)."},
    {"cmdNewProfile", "Neues Profil!", 1,
     "Legt ein neues Profil mit einem frei wählbaren Namen an. (Hinweis: Der Profilname sollte nie "
     "'Standard' enthalten!)"},
    {"cmdDelProfile", "Achtung!", 2, "Löscht das aktuelle Profil!"},
    {"cmdInfo", "About", 1, "Über Trevalon..."},
    {"cmdRun", "Starten!", 1,
     "Startet die gewünschten Aktionen. Bitte warten Sie bis alles abgeschlossen ist. Dies kann je nach "
     "Datenmenge einige Zeit dauern!"},
    {"cmdExit", "Beenden!", 1, "Beendet Trevalon."},
    {"chkLog", "Information", 1,
     "Alle Aktionen die auch im Statusfenster ausgegeben werden, werden in einem Logfile mitgeschrieben. Die "
     "maximale Größe des Logfiles lässt sich auf Wunsch genau festlegen."},
    {"chkNewSubFolder", "Information", 1,
     "Das komplette Quellverzeichnis wird inkl. Stammordner in das Zielverzeichnis kopiert. Dies ist "
     "sinnvoll, wenn lediglich eine Sicherung des Quellordners geplant ist."},
    {"chkDelBeforeCopy", "Achtung!", 2,
     "Vor dem Kopieren werden alle Dateien im Zielverzeichnis gelöscht! Damit auch diejenigen, die im "
     "Quellverzeichnis nicht vorhanden sind!"},
    {"chkTrash", "Information", 1,
     "Das Löschen von Dateien erfolgt nicht komplett. Die Dateien werden nur in den Papierkorb verschoben. "
     "Hinweis: Dies funktioniert nur bei Laufwerken in denen der papierkorb aktiv ist!"},
    {"txtFilter", "Information", 1,
     "Dateitypen, die nicht gespiegelt werden, durch Semikolon getrennt, z. B. „*.tmp; ~$*; Thumbs.db“. Ein "
     "bloßer Typ wie „tmp“ steht für „*.tmp“, ein Eintrag mit „/“ am Ende für Ordner („cache/“). Groß- und "
     "Kleinschreibung zählt nicht. Was hier steht, wird im Ziel auch nicht gelöscht."},
    {"chkDelIfNotExist", "Hinweis!", 2,
     "Dateien, die zwar im Zielverzeichnis aber nicht im Quellverzeichnis vorhanden sind, werden gelöscht!"},
    {"chkCopyOnlyNew", "Information", 1,
     "Es werden nur die Dateien kopiert, die im Quellverzeichnis neuer sind als ihre Gegenstücke im "
     "Zielverzeichnis. (schnellste Variante - Empfohlen!)"},
}};

namespace {

constexpr quint32 kSystemColorFlag = 0x80000000u;
constexpr quint32 kSystemColorMask = 0xFF000000u;

struct SystemColorRole {
    quint32 index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour indexes this program can meet, as roles of the current palette.
constexpr SystemColorRole kSystemColorRoles[] = {
    {4, QPalette::Active, QPalette::Window},             // menu
    {5, QPalette::Active, QPalette::Base},               // window (text field) background
    {6, QPalette::Active, QPalette::Shadow},             // window frame
    {7, QPalette::Active, QPalette::WindowText},         // menu text
    {8, QPalette::Active, QPalette::Text},               // window text
    {13, QPalette::Active, QPalette::Highlight},         // selection
    {14, QPalette::Active, QPalette::HighlightedText},   // selected text
    {15, QPalette::Active, QPalette::Button},            // button face
    {16, QPalette::Active, QPalette::Dark},              // button shadow
    {17, QPalette::Disabled, QPalette::Text},            // grey text
    {18, QPalette::Active, QPalette::ButtonText},        // button text
    {20, QPalette::Active, QPalette::Light},             // 3-D highlight
    {21, QPalette::Active, QPalette::Shadow},            // 3-D dark shadow
    {22, QPalette::Active, QPalette::Midlight},          // 3-D light
    {23, QPalette::Active, QPalette::ToolTipText},       // tooltip text
    {24, QPalette::Active, QPalette::ToolTipBase},       // tooltip background
    {26, QPalette::Active, QPalette::Link},              // hot-tracked item
};

quint32 ToBgr(const QColor& color) {
    return static_cast<quint32>(color.red()) | (static_cast<quint32>(color.green()) << 8) |
           (static_cast<quint32>(color.blue()) << 16);
}

}  // namespace

HelpBalloons::HelpBalloons(QObject* parent) : QObject(parent) {}

HelpBalloons::~HelpBalloons() {
    for (const Watched& watched : m_watched) {
        if (watched.control)
            watched.control->removeEventFilter(this);
    }
}

quint32 HelpBalloons::SystemColorToRGB(quint32 color) {
    if ((color & kSystemColorMask) != kSystemColorFlag)
        return color;
    const quint32 index = color & 0x00FFFFFFu;
    // Read at every call, so that a changed colour scheme shows from the next pointer move on.
    const QPalette palette = QGuiApplication::palette();
    for (const SystemColorRole& entry : kSystemColorRoles) {
        if (entry.index == index)
            return ToBgr(palette.color(entry.group, entry.role));
    }
    return 0;
}

void HelpBalloons::SetUp(QWidget* mainWindow) {
    if (!mainWindow)
        return;
    objToolTip = std::make_unique<clsToolTipDeLuxe>();
    objToolTip->Create(mainWindow, true, true);
    objToolTip->MaxWidth(400);
    objToolTip->VisibleTime(5000);
    objToolTip->DelayTime(1000);
    for (const HelpBalloonRow& row : kHelpBalloonRows) {
        auto* control = mainWindow->findChild<QWidget*>(QString::fromLatin1(row.control));
        if (!control)
            continue;
        objToolTip->AddControl(control, QString::fromUtf8(row.text), true);
        control->setAttribute(Qt::WA_Hover);
        control->installEventFilter(this);
        m_watched.push_back({control, &row});
    }
}

void HelpBalloons::Destroy() {
    if (objToolTip)
        objToolTip->Destroy();
}

bool HelpBalloons::eventFilter(QObject* watched, QEvent* event) {
    // Hover events, not mouse moves: a control sees plain moves only with mouse tracking on,
    // and a disabled one not at all. The tip window turns hovering on for its tools.
    const QEvent::Type type = event->type();
    if (type != QEvent::HoverMove && type != QEvent::HoverEnter)
        return false;
    for (const Watched& entry : m_watched) {
        if (entry.control == watched) {
            PointerOver(*entry.row);
            break;
        }
    }
    return false;
}

void HelpBalloons::PointerOver(const HelpBalloonRow& row) {
    if (!objToolTip)
        return;
    FontSpec font;
    font.Name = QStringLiteral("Comic Sans MS");
    font.Size = 8;
    objToolTip->Font(&font);
    objToolTip->ToolTipBackColor(SystemColorToRGB(kColorInfoBk));
    objToolTip->ToolTipTextColor(SystemColorToRGB(kColorInfoText));
    objToolTip->SetToolTipTitle(QString::fromUtf8(row.title), row.icon);
}
