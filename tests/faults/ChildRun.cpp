#include "ChildRun.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kWatchdogMs = 60000;

}  // namespace

std::string ChildProgram() { return TVL_FAULTS_CHILD; }

ChildRun::ChildRun(const std::vector<std::string>& args) {
    // A child that died early must fail the case, not kill the whole test binary on a write.
    ::signal(SIGPIPE, SIG_IGN);
    int out[2];
    int in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    std::vector<std::string> argv{ChildProgram()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& arg : argv) raw.push_back(arg.data());
    raw.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid < 0) throw std::runtime_error("fork");
    if (m_pid == 0) {
        // Only async-signal-safe calls between fork and exec: the parent has threads.
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(in[0], STDIN_FILENO);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(in[0]);
    m_out = out[0];
    m_in = in[1];
}

ChildRun::~ChildRun() {
    if (!m_reaped) {
        Kill();
        Wait();
    }
    if (m_out >= 0) ::close(m_out);
    if (m_in >= 0) ::close(m_in);
}

std::optional<std::string> ChildRun::ReadLine(int waitMs) {
    m_timedOut = false;
    for (;;) {
        const std::size_t newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            m_lines.push_back(line);
            return line;
        }
        if (m_eof) return std::nullopt;
        pollfd fd{m_out, POLLIN, 0};
        const int ready = ::poll(&fd, 1, waitMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            m_timedOut = true;
            return std::nullopt;
        }
        char chunk[4096];
        const ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_eof = true;
            continue;
        }
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

std::optional<std::string> ChildRun::ReadUntil(const std::string& prefix) {
    for (;;) {
        const std::optional<std::string> line = ReadLine(kWatchdogMs);
        if (!line) return std::nullopt;
        if (line->rfind(prefix, 0) == 0) return line;
    }
}

std::vector<std::string> ChildRun::StatusMessages() const {
    std::vector<std::string> messages;
    for (const std::string& line : m_lines) {
        // "LINE hh:mm:ss - text"
        if (line.rfind("LINE ", 0) == 0 && line.size() >= 13) messages.push_back(line.substr(13));
    }
    return messages;
}

void ChildRun::Send(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(m_in, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

void ChildRun::CloseInput() {
    if (m_in >= 0) ::close(m_in);
    m_in = -1;
}

void ChildRun::Kill() {
    if (!m_reaped && m_pid > 0) ::kill(m_pid, SIGKILL);
}

int ChildRun::Wait() {
    if (!m_reaped) {
        CloseInput();
        while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
    }
    if (WIFEXITED(m_status)) return WEXITSTATUS(m_status);
    if (WIFSIGNALED(m_status)) return 128 + WTERMSIG(m_status);
    return -1;
}

std::string ChildRun::Inside(const std::string& path) const {
    return "/proc/" + std::to_string(m_pid) + "/root" + path;
}
