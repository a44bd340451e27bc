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

// The translators are children of the application, found again by name: installing anew
// replaces them, without a global of ours that could outlive the application.
constexpr auto kTableName = "tvlGermanTable";
constexpr auto kToolkitName = "tvlGermanToolkit";

void Remove(const char* name) {
    QTranslator* translator = QCoreApplication::instance()->findChild<QTranslator*>(QLatin1String(name));
    if (!translator) return;
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

}  // namespace

bool InstallGermanTexts(const QString& translationsDir) {
    Remove(kToolkitName);
    Remove(kTableName);
    // Installed first, so searched last: the toolkit's own translation wins where it has a text.
    auto* table = new GermanTable(QCoreApplication::instance());
    table->setObjectName(QLatin1String(kTableName));
    QCoreApplication::installTranslator(table);
    auto* toolkit = new QTranslator(QCoreApplication::instance());
    toolkit->setObjectName(QLatin1String(kToolkitName));
    if (!toolkit->load(QStringLiteral("qtbase_de"), translationsDir)) {
        delete toolkit;
        return false;
    }
    QCoreApplication::installTranslator(toolkit);
    return true;
}
