#include "fileservice/Interrupt.h"

#include <atomic>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>
#endif

namespace fileservice {

namespace {

std::atomic<bool> g_stopRequested{false};
std::atomic<bool> g_watchOwned{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

bool StopRequested() { return g_stopRequested; }

#ifdef _WIN32

namespace {

// The console's handler runs on a thread the system starts for it. For close, logoff and
// shutdown the process ends when the handler returns, so it waits there: the process then
// ends by its own stop, or by the system's time-out.
bool EndsTheProcess(DWORD type) {
    return type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
}

BOOL WINAPI OnStopFlag(DWORD type) {
    g_stopRequested = true;
    if (EndsTheProcess(type)) Sleep(INFINITE);
    return TRUE;
}

std::atomic<std::function<void()>*> g_onRequest{nullptr};

BOOL WINAPI OnWatched(DWORD type) {
    std::function<void()>* onRequest = g_onRequest;
    if (!onRequest) return FALSE;
    (*onRequest)();
    if (EndsTheProcess(type)) Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void CatchStopRequests() { SetConsoleCtrlHandler(OnStopFlag, TRUE); }

void IgnoreBrokenPipes() {}  // a write to a closed pipe fails there, it sends no signal

struct InterruptWatch::State {
    std::function<void()> onRequest;
};

InterruptWatch::InterruptWatch(std::function<void()> onRequest) {
    if (g_watchOwned.exchange(true)) return;
    m_state = std::make_unique<State>(State{std::move(onRequest)});
    g_onRequest = &m_state->onRequest;
    SetConsoleCtrlHandler(OnWatched, TRUE);
}

InterruptWatch::~InterruptWatch() {
    if (!m_state) return;
    SetConsoleCtrlHandler(OnWatched, FALSE);
    g_onRequest = nullptr;
    g_watchOwned = false;
}

#else

namespace {

extern "C" void OnStopFlag(int) { g_stopRequested = true; }

// The pipe is made once and never closed: a handler still running on another thread while
// a watch goes can then never write into a file that took over the descriptor's number.
int g_pipe[2] = {-1, -1};

extern "C" void OnWatchedSignal(int) {
    // Only async-signal-safe calls here; the watch's thread does the rest.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

bool OpenPipe() {
    if (g_pipe[0] >= 0) return true;
    return ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

void Drain() {
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

void CatchStopRequests() {
    struct sigaction action {};
    action.sa_handler = OnStopFlag;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

struct InterruptWatch::State {
    std::function<void()> onRequest;
    struct sigaction oldTerm {};
    struct sigaction oldInt {};
    std::atomic<bool> ending{false};
    std::thread waiter;
};

InterruptWatch::InterruptWatch(std::function<void()> onRequest) {
    if (g_watchOwned.exchange(true)) return;
    if (!OpenPipe()) {
        g_watchOwned = false;
        return;
    }
    // A byte left from a signal that reached an earlier watch too late is not this one's.
    Drain();
    m_state = std::make_unique<State>();
    m_state->onRequest = std::move(onRequest);
    struct sigaction action {};
    action.sa_handler = OnWatchedSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &m_state->oldTerm);
    sigaction(SIGINT, &action, &m_state->oldInt);
    State* state = m_state.get();
    state->waiter = std::thread([state] {
        pollfd readable{g_pipe[0], POLLIN, 0};
        for (;;) {
            if (::poll(&readable, 1, -1) < 0 && errno != EINTR) return;
            Drain();
            if (state->ending) return;
            state->onRequest();
        }
    });
}

InterruptWatch::~InterruptWatch() {
    if (!m_state) return;
    sigaction(SIGTERM, &m_state->oldTerm, nullptr);
    sigaction(SIGINT, &m_state->oldInt, nullptr);
    m_state->ending = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    m_state->waiter.join();
    g_watchOwned = false;
}

#endif

}  // namespace fileservice
