#pragma once

// Shared set-up of the profile tests: the real main window over a settings file in a
// temporary folder, and a script that answers the modal windows a handler opens.

#include "MainWindowFixture.h"

#include "settings/ProfileOps.h"
#include "ui/DirList.h"
#include "ui/ProfileActions.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>

// What a message box showed.
struct SeenMessage {
    QString objectName;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;  // their texts
};

// Acts on the modal windows that open while a handler runs, one step per window in the
// given order. A modal window no step expects is closed and recorded, so a wrong
// sequence fails the test instead of hanging it.
class ModalScript {
public:
    ModalScript() {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start();
    }

    // The next modal window must be named `objectName`; `act` runs on it.
    ModalScript& Then(const QString& objectName, std::function<void(QWidget*)> act) {
        m_steps.push_back({objectName, std::move(act)});
        return *this;
    }

    // The next modal window is the message box `objectName`: record it and press `button`.
    ModalScript& Answer(const QString& objectName, QMessageBox::StandardButton button) {
        return Then(objectName, [this, button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) return;
            seen.push_back({box->objectName(), box->windowTitle(), box->text(), box->icon(),
                            ButtonTexts(box)});
            if (QAbstractButton* pressed = box->button(button)) pressed->click();
        });
    }

    bool Done() const { return m_steps.empty() && unexpected.isEmpty(); }

    std::vector<SeenMessage> seen;
    QStringList unexpected;

private:
    struct Step {
        QString objectName;
        std::function<void(QWidget*)> act;
    };

    void Tick() {
        if (m_acting) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        if (m_steps.empty() || m_steps.front().objectName != modal->objectName()) {
            unexpected << modal->objectName();
            modal->close();
            return;
        }
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        // Run outside this timer's slot: the step may open a nested modal window whose
        // event loop must deliver this timer again.
        m_acting = true;
        QTimer::singleShot(0, &m_timer, [this, target = QPointer<QWidget>(modal), act = std::move(step.act)] {
            m_acting = false;
            if (target) act(target);
        });
    }

    QTimer m_timer;
    std::deque<Step> m_steps;
    bool m_acting = false;
};

class ProfileWindowFixture : public MainWindowFixture {
protected:
    // The main window after its load step, with the profile list filled as at start-up.
    std::unique_ptr<frmMain> OpenProfileWindow() {
        auto window = OpenWindow();
        FillProfileList(Settings(), *window, QStringLiteral("Standard"));
        return window;
    }

    static QStringList StatusLines(frmMain& window) {
        QStringList lines;
        auto* list = window.findChild<QListView*>(QStringLiteral("lstStatus"));
        if (!list) return lines;
        const QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(); ++row) lines << model->index(row, 0).data().toString();
        return lines;
    }

    static QString LastStatusLine(frmMain& window) {
        const QStringList lines = StatusLines(window);
        return lines.isEmpty() ? QString() : lines.last();
    }

    // The status line without its "hh:mm:ss" head; empty when the head is malformed.
    static QString WithoutTime(const QString& line) {
        static const QRegularExpression head(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d( - .*)$"));
        const QRegularExpressionMatch match = head.match(line);
        return match.hasMatch() ? match.captured(1) : QString();
    }

    static QStringList ListEntries(frmMain& window) {
        QStringList entries;
        auto* box = window.findChild<QComboBox*>(QStringLiteral("cmbProfile"));
        for (int i = 0; box && i < box->count(); ++i) entries << box->itemText(i);
        return entries;
    }

    static Qt::CheckState State(frmMain& window, const char* name) {
        auto* box = window.findChild<QCheckBox*>(QLatin1String(name));
        EXPECT_NE(box, nullptr) << name;
        return box ? box->checkState() : Qt::Unchecked;
    }

    static QComboBox* ProfileBoxOf(frmMain& window) { return Control<QComboBox>(window, "cmbProfile"); }

    // Opens the profile list and clicks the entry `name`, as the user would.
    static void ChooseFromList(frmMain& window, const QString& name) {
        QComboBox* box = ProfileBoxOf(window);
        const int index = box->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        box->showPopup();
        QAbstractItemView* view = box->view();
        ASSERT_TRUE(view->isVisible());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(index, 0)).center());
    }

    std::string IniBytes() const { return m_tree.Exists("tvl.ini") ? m_tree.ReadFile("tvl.ini") : std::string(); }
    void SetIniBytes(const std::string& bytes) const { WriteBytes(m_tree.Root() / "tvl.ini", bytes); }

    // A folder below the temporary root, as the directory lists report it.
    QString Dir(const std::string& relative) {
        m_tree.MakeDir(relative);
        return QString::fromStdString(m_tree.Path(relative));
    }
};
