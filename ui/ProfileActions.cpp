#include "ui/ProfileActions.h"

#include "log/Logfile.h"
#include "settings/ProfileOps.h"
#include "settings/Startup.h"
#include "ui/ClassicControls.h"
#include "ui/DirList.h"
#include "ui/frmNewProfile.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <optional>
#include <string_view>

namespace {

// The controls a profile is copied into and out of.
struct ProfileControls {
    QComboBox* profile = nullptr;
    DirList* source = nullptr;
    DirList* target = nullptr;
    QLineEdit* filter = nullptr;
    QCheckBox* onlyNew = nullptr;
    QCheckBox* delNot = nullptr;
    QCheckBox* delOld = nullptr;
    QCheckBox* toTrash = nullptr;
    QCheckBox* newSubFolder = nullptr;

    bool Complete() const {
        return profile && source && target && filter && onlyNew && delNot && delOld && toTrash && newSubFolder;
    }
};

template <class W>
W* Find(QWidget* window, const char* name) {
    return window ? window->findChild<W*>(QLatin1String(name)) : nullptr;
}

ProfileControls FindControls(QWidget* window) {
    ProfileControls c;
    c.profile = Find<QComboBox>(window, "cmbProfile");
    c.source = Find<DirList>(window, "dirSource");
    c.target = Find<DirList>(window, "dirTarget");
    c.filter = Find<QLineEdit>(window, "txtFilter");
    c.onlyNew = Find<QCheckBox>(window, "chkCopyOnlyNew");
    c.delNot = Find<QCheckBox>(window, "chkDelIfNotExist");
    c.delOld = Find<QCheckBox>(window, "chkDelBeforeCopy");
    c.toTrash = Find<QCheckBox>(window, "chkTrash");
    c.newSubFolder = Find<QCheckBox>(window, "chkNewSubFolder");
    return c;
}

bool ApplyDirectory(DirList* list, const QString& value) {
    // A new profile stores empty directories: the list stays where it is, so that the
    // profile's option defaults still reach the window.
    if (value.isEmpty()) return true;
    return list->setPath(value);
}

// The stored text as a check-box state: a whole number 0, 1 or 2, nothing else.
std::optional<Qt::CheckState> StateOf(const QString& text) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok) return std::nullopt;
    switch (number) {
    case 0: return Qt::Unchecked;
    case 1: return Qt::Checked;
    case 2: return Qt::PartiallyChecked;
    default: return std::nullopt;
    }
}

bool ApplyState(QCheckBox* box, const QString& value) {
    const std::optional<Qt::CheckState> state = StateOf(value);
    if (!state) return false;
    // Set through the box, so that its change reaction (the option exclusion) runs.
    if (*state == Qt::PartiallyChecked) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    } else {
        box->setCheckState(*state);
        // A greyed state from an earlier profile must not come back on the user's clicks.
        box->setTristate(false);
    }
    return true;
}

bool ApplyValue(const ProfileControls& c, std::string_view key, const QString& value) {
    if (key == kKeyDirA) return ApplyDirectory(c.source, value);
    if (key == kKeyDirB) return ApplyDirectory(c.target, value);
    if (key == kKeyFilter) {
        c.filter->setText(value);
        return true;
    }
    if (key == kKeyDelOld) return ApplyState(c.delOld, value);
    if (key == kKeyDelNot) return ApplyState(c.delNot, value);
    if (key == kKeyDelToTrash) return ApplyState(c.toTrash, value);
    if (key == kKeyNewSubFolder) return ApplyState(c.newSubFolder, value);
    if (key == kKeyOnlyNew) return ApplyState(c.onlyNew, value);
    return false;
}

int StateValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

// Opens the profile box's list whenever the box gains the focus, by mouse, Tab or a
// program. The focus coming back from the closing list, or with the window becoming
// active again, is no arrival: the box had it all along.
class ProfileBoxFocus : public QObject {
public:
    explicit ProfileBoxFocus(QComboBox* box) : QObject(box), m_box(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (watched == m_box) {
                const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
                // A click's release would close a list opened on its press: open it after the release.
                if (reason == Qt::MouseFocusReason) m_openOnRelease = true;
                else if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) cmbProfile_GotFocus();
            }
            break;
        case QEvent::FocusOut:
            if (watched == m_box && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                m_openOnRelease = false;
            break;
        case QEvent::MouseButtonRelease:
            if (m_openOnRelease) {
                m_openOnRelease = false;
                if (!m_box->view()->isVisible()) cmbProfile_GotFocus();
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void cmbProfile_GotFocus() { m_box->showPopup(); }

    QComboBox* m_box;
    bool m_openOnRelease = false;
};

// The keyboard while the profile box's list is open. The toolkit's list would keep every
// key to itself; here, as in the classic box, the list keeps only its own keys (arrows,
// Enter, Escape, F4), Tab and Shift+Tab close it and move on in the window's keyboard
// order, and every other key is typing for the box's text field.
class ProfileListKeys : public QObject {
public:
    explicit ProfileListKeys(QComboBox* box) : QObject(box), m_box(box) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (QLineEdit* field = m_box->lineEdit()) HighlightTypedEntry(field->text());
            return false;
        }
        if (event->type() == QEvent::ShortcutOverride) {
            // Enter with no entry highlighted takes nothing: the list closes, the typed text stays.
            if (IsEnter(static_cast<QKeyEvent*>(event)) && !m_box->view()->currentIndex().isValid()) {
                m_box->hidePopup();
                return true;
            }
            return false;
        }
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & Qt::AltModifier) return false;
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Escape:
        case Qt::Key_F4:
            return false;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
            m_box->hidePopup();
            // Handed to the box as the Tab it would have had with the list closed.
            QKeyEvent tab(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                          forward ? Qt::NoModifier : Qt::ShiftModifier);
            QCoreApplication::sendEvent(m_box, &tab);
            return true;
        }
        default:
            if (QLineEdit* field = m_box->lineEdit()) {
                QCoreApplication::sendEvent(field, key);
                HighlightTypedEntry(field->text());
            }
            return true;
        }
    }

private:
    static bool IsEnter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

    // The open list highlights the entry that is exactly the box's text, or none, so that
    // Enter never replaces a typed name by another profile.
    void HighlightTypedEntry(const QString& text) {
        QAbstractItemView* view = m_box->view();
        const int row = m_box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (row >= 0) {
            view->setCurrentIndex(m_box->model()->index(row, m_box->modelColumn(), m_box->rootModelIndex()));
        } else {
            view->selectionModel()->clear();
        }
    }

    QComboBox* m_box;
};

}  // namespace

void LoadProfile(QWidget* window, Logfile& log, const QString& sptl) {
    const ProfileControls c = FindControls(window);
    if (!c.Complete()) return;

    QString name = c.profile->currentText();
    if (!sptl.isEmpty()) {
        name = sptl;
        c.profile->setEditText(sptl);
    }

    // Each value right after its own read; the first one refused ends the load and
    // leaves what was applied before it.
    bool complete = true;
    for (const char* key : kProfileLoadOrder) {
        if (!ApplyValue(c, key, ReadProfileKey(name, key))) {
            complete = false;
            break;
        }
    }

    // A partial load must not pass in silence: the box would name one profile while
    // the lists still hold another's directories, and the next run mirrors those.
    const QString message = complete ? QStringLiteral(" - [%1] geladen!")
                                     : QString::fromUtf8(" - [%1] konnte nicht vollständig geladen werden!");
    log.WriteStatusLine(StatusLine(message.arg(name)));
}

void SaveProfile(QWidget* window, Logfile& log) {
    const ProfileControls c = FindControls(window);
    if (!c.Complete()) return;

    // The box's text as it stands: a typed name gets a section, never a catalogue line.
    const QString name = c.profile->currentText();
    ProfileValues values;
    values.dirA = c.source->path();
    values.dirB = c.target->path();
    values.filter = c.filter->text();
    values.onlyNew = StateValue(c.onlyNew);
    values.delNot = StateValue(c.delNot);
    values.delOld = StateValue(c.delOld);
    values.delToTrash = StateValue(c.toTrash);
    values.newSubFolder = StateValue(c.newSubFolder);

    const bool written = WriteProfileValues(name, values);
    const QString message = written ? QStringLiteral(" - [%1] gespeichert!")
                                    : QStringLiteral(" - [%1] konnte nicht gespeichert werden!");
    log.WriteStatusLine(StatusLine(message.arg(name)));
}

void DeleteCurrentProfile(QWidget* window, ProfileBox& box) {
    const QComboBox* profile = Find<QComboBox>(window, "cmbProfile");
    if (!profile) return;

    const QString name = profile->currentText();
    // The exact text: "standard" passes and, since section names ignore letter case,
    // removes the section of "Standard" once confirmed.
    if (name == QLatin1String(kStandardProfile)) {
        ShowMessageBox(window, "msgStandardProfile", QMessageBox::Critical, QStringLiteral("Abbruch!"),
                       QString::fromUtf8("Standardprofil kann nicht gelöscht werden"), QMessageBox::Ok);
        return;
    }
    if (ShowMessageBox(window, "msgDeleteProfile", QMessageBox::Warning, QString::fromUtf8("Profil löschen?"),
                       QString::fromUtf8("Soll das Profil wirklich gelöscht werden?"),
                       QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
        return;
    }

    DeleteProfile(name);
    // No profile is loaded: the controls keep the deleted profile's values.
    FillProfileList(box, QLatin1String(kStandardProfile));
}

void ConnectProfileControls(QWidget* window, Logfile& log, ProfileBox& box) {
    QComboBox* profile = Find<QComboBox>(window, "cmbProfile");
    if (profile) {
        auto* focus = new ProfileBoxFocus(profile);
        profile->installEventFilter(focus);
        if (profile->lineEdit()) profile->lineEdit()->installEventFilter(focus);
        profile->view()->installEventFilter(new ProfileListKeys(profile));
        // The toolkit picks the entry matching a typed name when the field's editing
        // ends (Enter or leaving it) and reports that as a choice; a typed name must
        // never load, so only a choice in the list (mouse or arrow keys) remains.
        if (QLineEdit* field = profile->lineEdit()) {
            QObject::disconnect(field, &QLineEdit::editingFinished, profile, nullptr);
        }
        QObject::connect(profile, &QComboBox::activated, window,
                         [window, &log](int) { LoadProfile(window, log, QString()); });
    }
    if (auto* save = Find<QPushButton>(window, "cmdSaveProfile")) {
        QObject::connect(save, &QPushButton::clicked, window, [window, &log] { SaveProfile(window, log); });
    }
    if (auto* remove = Find<QPushButton>(window, "cmdDelProfile")) {
        QObject::connect(remove, &QPushButton::clicked, window, [window, &box] { DeleteCurrentProfile(window, box); });
    }
    if (auto* create = Find<QPushButton>(window, "cmdNewProfile")) {
        QObject::connect(create, &QPushButton::clicked, window,
                         [window, &log, &box] { frmNewProfile::ShowModal(window, log, box); });
    }
}
