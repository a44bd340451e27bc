#pragma once

// The parent's side of faults_child: starts it, reads its lines, writes to its stdin,
// kills it, and reaches its private mounts through /proc/<pid>/root.

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildRun {
public:
    // Starts faults_child with `args`.
    explicit ChildRun(const std::vector<std::string>& args);
    // Kills a child that is still running and reaps it.
    ~ChildRun();
    ChildRun(const ChildRun&) = delete;
    ChildRun& operator=(const ChildRun&) = delete;

    // The next output line: nothing at end of output, or when none came within `waitMs`
    // (then TimedOut() tells which). A waitMs of 0 only looks.
    std::optional<std::string> ReadLine(int waitMs);
    bool TimedOut() const { return m_timedOut; }
    // Reads lines until one starts with `prefix` (returned) or the output ends; every line read
    // is kept in Lines(). A watchdog of 60 s turns a hang into a failure instead of a stuck suite.
    std::optional<std::string> ReadUntil(const std::string& prefix);
    const std::vector<std::string>& Lines() const { return m_lines; }
    // The status lines so far, without "LINE " and the time.
    std::vector<std::string> StatusMessages() const;

    void Send(const std::string& text);
    void CloseInput();
    void Kill();
    // Waits for the end; the exit code, or 128 + signal.
    int Wait();

    // `path` as the child sees it (its mount namespace).
    std::string Inside(const std::string& path) const;
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_in = -1;
    std::string m_buffer;
    bool m_eof = false;
    bool m_timedOut = false;
    bool m_reaped = false;
    int m_status = 0;
    std::vector<std::string> m_lines;
};

// The path of the faults_child executable.
std::string ChildProgram();
