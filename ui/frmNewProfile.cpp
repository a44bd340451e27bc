#include "ui/frmNewProfile.h"

#include "texts/Texts.h"
#include "log/Logfile.h"
#include "settings/ProfileOps.h"
#include "settings/Startup.h"
#include "settings/clsINI.h"
#include "ui/ClassicControls.h"
#include "ui/FormLayout.h"
#include "ui/ProfileActions.h"

#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QPushButton>

namespace {


QFont Verdana() {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    font.setBold(false);
    return font;
}

// Neither button may answer Enter on the dialog's behalf: only the name field's own
// key handling creates the profile.
void NoDefault(QPushButton* button) {
    button->setAutoDefault(false);
    button->setDefault(false);
}

}  // namespace

frmNewProfile::frmNewProfile(clsINI& settings, Logfile& log, ProfileBox& box, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_settings(settings),
      m_log(log),
      m_box(box) {
    setObjectName(QStringLiteral("frmNewProfile"));
    setWindowTitle(QStringLiteral("Neues Profil anlegen"));
    if (QFile::exists(QStringLiteral(":/icons/app.png"))) setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    setFixedSize(Px(4305), Px(1170));
    setFont(Verdana());
    QPalette cream = palette();
    cream.setColor(QPalette::Window, kCream);
    cream.setColor(QPalette::Button, kCream);
    setPalette(cream);
    setAutoFillBackground(true);

    m_label1 = Place(new QLabel(QString::fromUtf8("Bitte einen Namen für das neue Profil angeben:"), this), "Label1",
                     120, 120, 4395, 315);
    m_label1->setAutoFillBackground(false);  // transparent: the cream shows through
    m_label1->setFocusPolicy(Qt::NoFocus);
    m_txtName = Place(new QLineEdit(this), "txtName", 120, 360, 4035, 285);
    m_cmdAbbrechen = Place(new QPushButton(QStringLiteral("Abbrechen"), this), "cmdAbbrechen", 600, 720, 1755, 375);
    m_cmdWrite = Place(new QPushButton(QStringLiteral("Profil anlegen"), this), "cmdWrite", 2400, 720, 1755, 375);
    NoDefault(m_cmdAbbrechen);
    NoDefault(m_cmdWrite);

    setTabOrder(m_txtName, m_cmdAbbrechen);
    setTabOrder(m_cmdAbbrechen, m_cmdWrite);
    m_txtName->setFocus();

    UseClassicStyle(this);
    m_txtName->installEventFilter(this);
    connect(m_cmdWrite, &QPushButton::clicked, this, &frmNewProfile::cmdWrite_Click);
    connect(m_cmdAbbrechen, &QPushButton::clicked, this, &frmNewProfile::cmdAbbrechen_Click);
}

void frmNewProfile::ShowModal(QWidget* over, clsINI& settings, Logfile& log, ProfileBox& box) {
    QWidget* owner = over ? over->window() : nullptr;
    // A fresh instance every time, so the field is empty at every opening.
    ExecCentred(new frmNewProfile(settings, log, box, owner), owner);
}

void frmNewProfile::cmdWrite_Click() {
    const QString name = m_txtName->text();
    if (name.isEmpty()) {
        ShowMessageBox(this, "msgNoProfileName", QMessageBox::Critical, NewProfileTitle(), NoProfileNameText(),
                       QMessageBox::Ok);
        return;
    }
    // "[", "]" or "=" in the name, or a leading ";", would break the catalogue line or
    // the section head, and the profile could never be listed or deleted cleanly.
    if (!IsStorableProfileName(name)) {
        ShowMessageBox(this, "msgBadProfileName", QMessageBox::Critical, NewProfileTitle(), BadProfileNameText(),
                       QMessageBox::Ok);
        return;
    }

    const fileservice::Status written = WriteNewProfile(m_settings, name);
    m_log.WriteStatusLine(StatusLine(written ? ProfileCreatedMessage(name)
                                             : ProfileNotCreatedMessage(name, m_settings.File(), written.Error().error)));
    // Whatever reached the catalogue is listed; the window's controls are not touched.
    FillProfileList(m_settings, m_box, name);
    accept();
}

void frmNewProfile::cmdAbbrechen_Click() { reject(); }

bool frmNewProfile::txtName_KeyDown(const QKeyEvent* event) {
    // Enter and the keypad's Enter create the profile whatever the modifiers.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdWrite_Click();
        return true;
    }
    return false;
}

bool frmNewProfile::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtName && event->type() == QEvent::KeyPress) {
        if (txtName_KeyDown(static_cast<QKeyEvent*>(event))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmNewProfile::keyPressEvent(QKeyEvent* event) {
    // Escape has no meaning here: the dialog closes only by its buttons or its close box.
    if (event->matches(QKeySequence::Cancel) || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
