#include "ui/RunInputGuard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace {

// What the user does with mouse, keyboard, pen, touch or a drag, including the hover and
// tooltip events a pointer move produces.
bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
    case QEvent::GestureOverride:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::ToolTip:
    case QEvent::WhatsThis:
        return true;
    default:
        return false;
    }
}

}  // namespace

RunInputGuard::RunInputGuard(QWidget* window) : QObject(window), m_window(window) {}

RunInputGuard::~RunInputGuard() { SetActive(false); }

void RunInputGuard::SetActive(bool active) {
    if (active == m_active) return;
    m_active = active;
    m_escape = false;
    // On the application: input reaches the platform window before the control it is for.
    if (active)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool RunInputGuard::TakeEscape() {
    const bool escape = m_escape;
    m_escape = false;
    return escape;
}

bool RunInputGuard::InGuardedWindow(QObject* receiver) const {
    if (receiver->isWidgetType()) return static_cast<QWidget*>(receiver)->window() == m_window;
    if (receiver->isWindowType()) return receiver == m_window->windowHandle();
    // Actions, shortcuts and the application itself: nothing may fire from them meanwhile.
    return true;
}

bool RunInputGuard::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || !InGuardedWindow(watched)) return false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A held key would ask again at once after a "Nein".
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) m_escape = true;
    }
    return true;
}
