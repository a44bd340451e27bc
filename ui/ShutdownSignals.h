#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

// Turns SIGTERM and SIGINT (the session ends, the machine shuts down, Ctrl+C in the terminal
// that started the program) into a Qt signal on this object's thread. One object at a time
// owns the two signals; it puts back the actions it replaced when it goes.
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

signals:
    // Once per signal or burst of signals.
    void Received();

private:
    void Drain();

    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_oldTerm {};
    struct sigaction m_oldInt {};
};
