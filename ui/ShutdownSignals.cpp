#include "ui/ShutdownSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The pipe is made once and never closed: a handler still running on another thread while
// an owner goes can then never write into a file that took over the descriptor's number.
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_owned{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnShutdownSignal(int) {
    // Only async-signal-safe calls here; the notifier does the rest on the window's thread.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

bool OpenPipe() {
    if (g_pipe[0] >= 0) return true;
    return ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

}  // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    if (g_owned.exchange(true)) return;
    if (!OpenPipe()) {
        g_owned = false;
        return;
    }
    // A byte left from a signal that reached an earlier owner too late is not this one's.
    Drain();
    struct sigaction action {};
    action.sa_handler = OnShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &m_oldTerm);
    sigaction(SIGINT, &action, &m_oldInt);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        Drain();
        emit Received();
    });
}

ShutdownSignals::~ShutdownSignals() {
    if (!m_notifier) return;
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    sigaction(SIGINT, &m_oldInt, nullptr);
    delete m_notifier;
    g_owned = false;
}

void ShutdownSignals::Drain() {
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
}
