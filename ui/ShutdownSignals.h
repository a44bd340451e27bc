#pragma once

#include <QObject>
#include <memory>

namespace fileservice {
class InterruptWatch;
}

// Turns the system's requests to stop (SIGTERM and SIGINT: the session ends, the machine shuts
// down, Ctrl+C in the terminal that started the program; on Windows the console's Ctrl+C,
// close, logoff and shutdown) into a Qt signal on this object's thread. One object at a time
// owns them; it puts back what it replaced when it goes.
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

signals:
    // Once per signal or burst of signals.
    void Received();

private:
    std::unique_ptr<fileservice::InterruptWatch> m_watch;
};
