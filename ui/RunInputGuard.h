#pragma once

#include <QObject>

class QWidget;

// Keeps the user's input away from a window and its controls while a run goes on, so that
// nothing changes under the run, and notes an Escape pressed in it. Other windows (the stop
// question, the tray icon and its menu) take input as usual; closing is not input.
class RunInputGuard : public QObject {
    Q_OBJECT
public:
    // Guards `window` while active.
    explicit RunInputGuard(QWidget* window);
    ~RunInputGuard() override;

    // Starts or ends filtering the application's events; starting forgets an earlier Escape.
    void SetActive(bool active);
    // True when Escape was pressed in the window since the last call.
    bool TakeEscape();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool InGuardedWindow(QObject* receiver) const;

    QWidget* m_window;
    bool m_active = false;
    bool m_escape = false;
};
