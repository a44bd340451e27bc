#include "ui/GermanTexts.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

namespace {

struct GermanText {
    const char* context;
    const char* source;
    const char* german;
};

// The toolkit's words on our windows, in the toolkit's own German, for a system without
// its translation: the message boxes' buttons, the text fields' menu and its key names.
constexpr GermanText kGermanTexts[] = {
    {"QPlatformTheme", "OK", "OK"},
    {"QPlatformTheme", "Cancel", "Abbrechen"},
    {"QPlatformTheme", "&Yes", "&Ja"},
    {"QPlatformTheme", "&No", "&Nein"},
    {"QGnomeTheme", "&OK", "&OK"},
    {"QGnomeTheme", "&Cancel", "&Abbrechen"},
    {"QLineEdit", "&Undo", "&Rückgängig"},
    {"QLineEdit", "&Redo", "Wieder&herstellen"},
    {"QLineEdit", "Cu&t", "&Ausschneiden"},
    {"QLineEdit", "&Copy", "&Kopieren"},
    {"QLineEdit", "&Paste", "Einf&ügen"},
    {"QLineEdit", "Delete", "Löschen"},
    {"QLineEdit", "Select All", "Alles auswählen"},
    {"QShortcut", "Ctrl", "Strg"},
    {"QShortcut", "Shift", "Umschalt"},
    {"QShortcut", "Del", "Entf"},
    {"QShortcut", "Ins", "Einfg"},
};

class GermanTable : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        for (const GermanText& text : kGermanTexts) {
            if (qstrcmp(context, text.context) == 0 && qstrcmp(sourceText, text.source) == 0) {
                return QString::fromUtf8(text.german);
            }
        }
        return {};
    }

    bool isEmpty() const override { return false; }
};

QPointer<QTranslator> g_table;
QPointer<QTranslator> g_toolkit;

void Remove(QPointer<QTranslator>& translator) {
    if (!translator) return;
    QCoreApplication::removeTranslator(translator);
    delete translator.data();
}

}  // namespace

bool InstallGermanTexts(const QString& translationsDir) {
    Remove(g_toolkit);
    Remove(g_table);
    // Installed first, so searched last: the toolkit's own translation wins where it has a text.
    g_table = new GermanTable(QCoreApplication::instance());
    QCoreApplication::installTranslator(g_table);
    auto* toolkit = new QTranslator(QCoreApplication::instance());
    if (!toolkit->load(QStringLiteral("qtbase_de"), translationsDir)) {
        delete toolkit;
        return false;
    }
    QCoreApplication::installTranslator(toolkit);
    g_toolkit = toolkit;
    return true;
}
