#pragma once

// Requests from outside to stop: SIGINT and SIGTERM on POSIX systems (Ctrl+C, the session
// ends, the machine shuts down); on Windows Ctrl+C, Ctrl+Break and the console's close,
// logoff and shutdown.

#include <functional>
#include <memory>

namespace fileservice {

// From now on for the process's life, every request sets the flag StopRequested() reads.
// For a process that polls between steps, such as the command line's run.
void CatchStopRequests();
bool StopRequested();

// A reader that went away (`| head`) must not end the process: what is written then is lost.
void IgnoreBrokenPipes();

// Calls `onRequest` on a thread of its own, never inside a signal handler, once per request or
// burst of requests, for as long as it lives. One watch at a time owns the requests (a second
// one stays inactive); it puts back what it replaced when it goes.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> onRequest);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool Active() const { return m_state != nullptr; }

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace fileservice
