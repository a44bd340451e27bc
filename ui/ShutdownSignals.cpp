#include "ui/ShutdownSignals.h"

#include "fileservice/Interrupt.h"

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    // The watch calls from a thread of its own; the signal is emitted on this object's.
    m_watch = std::make_unique<fileservice::InterruptWatch>(
        [this] { QMetaObject::invokeMethod(this, &ShutdownSignals::Received, Qt::QueuedConnection); });
}

// The watch goes first, so that no call reaches this object while it is destroyed.
ShutdownSignals::~ShutdownSignals() { m_watch.reset(); }
