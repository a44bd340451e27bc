#include "ui/ProfileActions.h"

#include "log/Logfile.h"
#include "settings/ProfileOps.h"
#include "settings/Startup.h"
#include "texts/Texts.h"
#include "settings/clsINI.h"
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

namespace {

bool ApplyDirectory(DirList* list, const QString& value) {
    // A new profile stores empty directories: the list stays where it is, so that the
    // profile's option defaults still reach the window.
    if (value.isEmpty()) return true;
    return list->setPath(value);
}

bool ApplyState(QCheckBox* box, const QString& value) {
    const std::optional<int> state = StoredState(value);
    if (!state) return false;
    SetState(box, static_cast<BoxState>(*state));
    return true;
}

bool ApplyValue(const ProfileControls& c, QString ProfileValues::*field, const QString& value) {
    if (field == &ProfileValues::dirA) return ApplyDirectory(c.source, value);
    if (field == &ProfileValues::dirB) return ApplyDirectory(c.target, value);
    if (field == &ProfileValues::filter) {
        ProfileValues values;
        values.filter = value;
        c.filter->setText(FilterOf(values));
        return true;
    }
    if (field == &ProfileValues::delOld) return ApplyState(c.delOld, value);
    if (field == &ProfileValues::delNot) return ApplyState(c.delNot, value);
    if (field == &ProfileValues::delToTrash) return ApplyState(c.toTrash, value);
    if (field == &ProfileValues::newSubFolder) return ApplyState(c.newSubFolder, value);
    if (field == &ProfileValues::onlyNew) return ApplyState(c.onlyNew, value);
    return false;
}

// The box's state as stored: "0" unchecked, "1" checked, "2" greyed.
QString StateText(const QCheckBox* box) {
    return QString::number(static_cast<int>(StateOf(box)));
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

BoxState StateOf(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked: return BoxState::Ticked;
    case Qt::PartiallyChecked: return BoxState::Greyed;
    default: return BoxState::Unticked;
    }
}

void SetState(QCheckBox* box, BoxState state) {
    if (state == BoxState::Greyed) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    } else {
        box->setCheckState(state == BoxState::Ticked ? Qt::Checked : Qt::Unchecked);
        // A greyed state from an earlier profile must not come back on the user's clicks.
        box->setTristate(false);
    }
}

void LoadProfile(const ProfileControls& c, Logfile& log, const QString& sptl) {
    QString name = c.profile->currentText();
    if (!sptl.isEmpty()) {
        name = sptl;
        c.profile->setEditText(sptl);
    }

    // The first value that cannot be applied ends the load and leaves what was applied before it.
    const ProfileLoad load = ReadProfile(*c.settings, name);
    bool complete = true;
    for (const ProfileKey& key : kProfileLoadOrder) {
        // A missing target is the run's to refuse, by name: the stick may not be plugged in.
        if (key.value == &ProfileValues::dirB && !load.targetIsFolder && !load.values.dirB.isEmpty()) {
            c.target->setMissingPath(load.values.dirB);
            continue;
        }
        if (!load.Usable(key.value) || !ApplyValue(c, key.value, load.values.*key.value)) {
            complete = false;
            break;
        }
    }

    // A partial load must not pass in silence: the box would name one profile while
    // the lists still hold another's directories, and the next run mirrors those.
    log.WriteStatusLine(StatusLine(complete ? ProfileLoadedMessage(name) : ProfileIncompleteMessage(name)));
}

void SaveProfile(const ProfileControls& c, Logfile& log) {
    // The box's text as it stands: a typed name gets a section, never a catalogue line.
    const QString name = c.profile->currentText();
    ProfileValues values;
    values.dirA = c.source->path();
    values.dirB = c.target->path();
    values.filter = c.filter->text();
    values.onlyNew = StateText(c.onlyNew);
    values.delNot = StateText(c.delNot);
    values.delOld = StateText(c.delOld);
    values.delToTrash = StateText(c.toTrash);
    values.newSubFolder = StateText(c.newSubFolder);

    const fileservice::Status written = WriteProfileValues(*c.settings, name, values);
    log.WriteStatusLine(StatusLine(written ? ProfileSavedMessage(name)
                                           : ProfileNotSavedMessage(name, c.settings->File(), written.Error().error)));
}

void DeleteCurrentProfile(const ProfileControls& c, ProfileBox& box) {
    const QString name = c.profile->currentText();
    // The exact text: "standard" passes and, since section names ignore letter case,
    // removes the section of "Standard" once confirmed.
    if (name == QLatin1String(kStandardProfile)) {
        ShowMessageBox(c.window, "msgStandardProfile", QMessageBox::Critical, StandardProfileTitle(),
                       StandardProfileText(), QMessageBox::Ok);
        return;
    }
    if (ShowMessageBox(c.window, "msgDeleteProfile", QMessageBox::Warning, DeleteProfileTitle(), DeleteProfileText(),
                       QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
        return;
    }

    const fileservice::Status deleted = DeleteProfile(*c.settings, name);
    // A deletion logs no status line; its failure is told where the user confirmed it.
    if (!deleted) {
        ShowMessageBox(c.window, "msgDeleteFailed", QMessageBox::Critical, ProfileNotDeletedTitle(),
                       ProfileNotDeletedText(name, c.settings->File(), deleted.Error().error), QMessageBox::Ok);
    }
    // No profile is loaded: the controls keep the deleted profile's values.
    FillProfileList(*c.settings, box, QLatin1String(kStandardProfile));
}

void ConnectProfileControls(const ProfileControls& c, Logfile& log, ProfileBox& box) {
    auto* focus = new ProfileBoxFocus(c.profile);
    c.profile->installEventFilter(focus);
    if (c.profile->lineEdit()) c.profile->lineEdit()->installEventFilter(focus);
    c.profile->view()->installEventFilter(new ProfileListKeys(c.profile));
    // The toolkit picks the entry matching a typed name when the field's editing ends
    // (Enter or leaving it) and reports that as a choice; a typed name must never load,
    // so only a choice in the list (mouse or arrow keys) remains.
    if (QLineEdit* field = c.profile->lineEdit()) {
        QObject::disconnect(field, &QLineEdit::editingFinished, c.profile, nullptr);
    }
    QObject::connect(c.profile, &QComboBox::activated, c.window, [c, &log](int) { LoadProfile(c, log, QString()); });
    QObject::connect(c.save, &QPushButton::clicked, c.window, [c, &log] { SaveProfile(c, log); });
    QObject::connect(c.remove, &QPushButton::clicked, c.window, [c, &box] { DeleteCurrentProfile(c, box); });
    QObject::connect(c.create, &QPushButton::clicked, c.window,
                     [c, &log, &box] { frmNewProfile::ShowModal(c.window, *c.settings, log, box); });
}
