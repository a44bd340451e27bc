// tvl_bench: runs the real mirror engine headless and measures it, makes the benchmark's
// trees, and times other programs the same way, so that every figure comes from one clock.
//
//   tvl_bench run --mode copyall|onlynew|emptyfirst|subfolder --source DIR --target DIR [--scratch DIR]
//   tvl_bench exec [--stdout FILE] -- PROGRAM ARGS...
//                                         wall time and peak memory of PROGRAM
//   tvl_bench desktop --log FILE --window NAME --run X,Y --exit X,Y [--timeout S] -- PROGRAM ARGS...
//                                         PROGRAM as a user meets it on the X display: wait for
//                                         its window, click the run button, wait for the run's
//                                         last line in the log, click the exit button (xdotool)
//   tvl_bench tree S|L|K|M|X DIR          writes a deterministic tree
//   tvl_bench touch DIR NTH SECONDS       makes every NTH file SECONDS newer
//   tvl_bench verify SOURCE TARGET        same files, sizes, times and bytes?
//
// Every command prints one line "tvl_bench <command> key=value ..." on standard output.

#include "bench/BenchLog.h"
#include "bench/BenchTrees.h"
#include "engine/MirrorRun.h"
#include "log/Logfile.h"
#include "log/RunLog.h"
#include "log/StatusListModel.h"
#include "texts/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The window's part in a run without widgets; painting is the event processing the window does.
class BenchEvents : public RunEvents {
public:
    std::int32_t count = 0;
    int paints = 0;
    QStringList messages;
    Logfile* log = nullptr;  // written when the window would paint, as the window does

    void Refused(const fileservice::Failure& refusal) override {
        messages << HaltTitle() + QStringLiteral(": ") + RefusalText(refusal);
    }
    void Progress(std::int32_t handled, int) override { count = handled; }
    void Breathe() override {
        // As often as the window does it, so that its cost is measured too.
        if (m_paintTimer.isValid() && m_paintTimer.elapsed() < 50) return;
        if (log) log->Flush();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        ++paints;
        m_paintTimer.start();
    }

private:
    QElapsedTimer m_paintTimer;
};

long PeakRssKib(int who) {
    struct rusage usage {};
    ::getrusage(who, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

// A field of /proc/self/status in KiB ("RssAnon", "RssFile"), -1 when unknown.
long StatusKib(const char* key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray head = QByteArray(key) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(head)) return line.mid(head.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

qint64 CountLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    qint64 lines = 0;
    while (!file.atEnd()) lines += file.read(1 << 20).count('\n');
    return lines;
}

QString Option(const QStringList& args, const QString& name) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tvl_bench run --mode copyall|onlynew|emptyfirst|subfolder --source DIR --target DIR "
                 "[--extras trash|delete] [--scratch DIR]\n"
                 "       tvl_bench exec [--stdout FILE] -- PROGRAM ARGS...\n"
                 "       tvl_bench desktop --log FILE --window NAME --run X,Y --exit X,Y [--timeout S] -- PROGRAM ARGS...\n"
                 "       tvl_bench tree S|L|K|M|X DIR\n"
                 "       tvl_bench touch DIR NTH SECONDS\n"
                 "       tvl_bench verify SOURCE TARGET\n");
    return 2;
}

int Run(int argc, char** argv) {
    QStringList args;
    for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const QString mode = Option(args, QStringLiteral("--mode"));
    RunRequest request;
    request.source = Option(args, QStringLiteral("--source"));
    request.target = Option(args, QStringLiteral("--target"));
    // The removal of what the target has and the source lacks: "trash" or "delete".
    const QString extras = Option(args, QStringLiteral("--extras"));
    if (extras == QLatin1String("trash")) request.extras = ExtrasPolicy::Trash;
    if (extras == QLatin1String("delete")) request.extras = ExtrasPolicy::Delete;
    request.mode = ModeOf(mode == QLatin1String("onlynew"), mode == QLatin1String("emptyfirst"),
                          mode == QLatin1String("subfolder"));
    if (request.source.isEmpty() || request.target.isEmpty() ||
        !QStringList{"copyall", "onlynew", "emptyfirst", "subfolder"}.contains(mode))
        return Usage();

    // The log file, the program folder and the trash live in a scratch folder, never the user's.
    const QString scratchBase = Option(args, QStringLiteral("--scratch"));
    if (!scratchBase.isEmpty()) QDir().mkpath(scratchBase);
    QTemporaryDir scratch(scratchBase.isEmpty() ? QDir::tempPath() + QStringLiteral("/tvl_bench-XXXXXX")
                                                : scratchBase + QStringLiteral("/run-XXXXXX"));
    if (!scratch.isValid()) {
        std::fprintf(stderr, "tvl_bench: no scratch folder: %s\n", qPrintable(scratch.errorString()));
        return 1;
    }
    const QString programDir = scratch.filePath(QStringLiteral("prog"));
    QDir().mkpath(programDir);
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("xdg"))));
    const QString logPath = programDir + QStringLiteral("/tvl.log");

    // The status list behind the window's model, logging switched on.
    StatusListModel lines;
    Logfile log(StatusView{[&lines](const QString& line) { lines.Append(line); }, [] { return true; }}, logPath);
    BenchEvents window;
    window.log = &log;
    RunLog runLog(log);
    TeeEvents events(window, runLog);
    QElapsedTimer timer;
    timer.start();
    const RunOutcome outcome = MirrorRun(request, events, programDir);
    const double runMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    const bool ok = outcome == RunOutcome::Succeeded;
    std::printf("tvl_bench run mode=%s run_ms=%.1f peak_rss_kib=%ld files_copied=%s status_lines=%lld log_lines=%lld "
                "paints=%d rss_anon_kib=%ld rss_file_kib=%ld ok=%d\n",
                qPrintable(mode), runMs, PeakRssKib(RUSAGE_SELF), qPrintable(QString::number(window.count)),
                static_cast<long long>(lines.Count()), static_cast<long long>(CountLines(logPath)), window.paints,
                StatusKib("RssAnon"), StatusKib("RssFile"), ok ? 1 : 0);
    if (!ok) {
        for (const QString& message : window.messages) std::fprintf(stderr, "message: %s\n", qPrintable(message));
        std::fprintf(stderr, "last line: %s\n", qPrintable(lines.Line(lines.Count() - 1)));
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

pid_t Start(const std::vector<std::string>& command, int stdoutFd = -1, int stdinFd = -1) {
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (stdinFd >= 0) ::dup2(stdinFd, STDIN_FILENO);
        if (stdoutFd >= 0) ::dup2(stdoutFd, STDOUT_FILENO);
        ::execvp(argv[0], argv.data());
        std::perror(argv[0]);
        ::_exit(127);
    }
    return child;
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

// One xdotool that takes its commands from a pipe, started before the clock runs, so that
// no click pays for starting a process (tens of ms on a busy machine). Each request ends
// with "getmouselocation", whose answer tells that the commands before it are done.
class Xdotool {
public:
    Xdotool() {
        int toChild[2] = {-1, -1}, fromChild[2] = {-1, -1};
        if (::pipe2(toChild, O_CLOEXEC) != 0) return;
        if (::pipe2(fromChild, O_CLOEXEC) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            return;
        }
        m_pid = Start({"xdotool", "-"}, fromChild[1], toChild[0]);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        m_in = toChild[1];
        m_out = ::fdopen(fromChild[0], "r");
    }
    ~Xdotool() {
        if (m_in >= 0) ::close(m_in);  // its input ends, and so does it
        if (m_out) std::fclose(m_out);
        if (m_pid > 0) ::waitpid(m_pid, nullptr, 0);
    }
    Xdotool(const Xdotool&) = delete;
    Xdotool& operator=(const Xdotool&) = delete;

    // Runs the commands, one a line; false when xdotool is gone. `lines`: what they printed.
    bool Do(const std::string& commands, std::vector<std::string>* lines = nullptr) {
        if (m_pid <= 0 || m_in < 0 || !m_out) return false;
        const std::string request = commands + "\ngetmouselocation\n";
        if (::write(m_in, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return false;
        char line[512];
        while (std::fgets(line, sizeof line, m_out)) {
            if (std::strncmp(line, "x:", 2) == 0) return true;
            if (lines) lines->emplace_back(line, std::strcspn(line, "\n"));
        }
        return false;
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    FILE* m_out = nullptr;
};

int Exec(int argc, char** argv) {
    int first = 2;
    const char* outputPath = nullptr;
    if (first + 1 < argc && std::strcmp(argv[first], "--stdout") == 0) {
        outputPath = argv[first + 1];
        first += 2;
    }
    if (first < argc && std::strcmp(argv[first], "--") == 0) ++first;
    if (first >= argc) return Usage();
    int outputFd = -1;
    if (outputPath && (outputFd = ::open(outputPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) < 0) {
        std::perror(outputPath);
        return 1;
    }
    const auto start = Clock::now();
    const pid_t child = Start(std::vector<std::string>(argv + first, argv + argc), outputFd);
    if (outputFd >= 0) ::close(outputFd);
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            return 1;
        }
    }
    const double wallMs = MsBetween(start, Clock::now());
    // wait4 reports the largest resident size of the child and of the children it waited for.
    const int rc = ExitCode(status);
    const auto cpuMs = [](const struct timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    std::printf("tvl_bench exec wall_ms=%.1f user_ms=%.1f sys_ms=%.1f peak_rss_kib=%ld rc=%d\n", wallMs,
                cpuMs(usage.ru_utime), cpuMs(usage.ru_stime), usage.ru_maxrss, rc);
    return rc;
}

bool ParsePoint(const QString& text, QString& x, QString& y) {
    const QStringList parts = text.split(QLatin1Char(','));
    bool okX = false, okY = false;
    if (parts.size() == 2) {
        parts[0].toInt(&okX);
        parts[1].toInt(&okY);
    }
    if (!okX || !okY) return false;
    x = parts[0];
    y = parts[1];
    return true;
}

int Desktop(int argc, char** argv) {
    int first = 2;
    QStringList args;
    while (first < argc && std::strcmp(argv[first], "--") != 0) args << QString::fromLocal8Bit(argv[first++]);
    ++first;
    const QString logPath = Option(args, QStringLiteral("--log"));
    const QString windowName = Option(args, QStringLiteral("--window"));
    QString runX, runY, exitX, exitY;
    const bool pointsOk = ParsePoint(Option(args, QStringLiteral("--run")), runX, runY) &&
                          ParsePoint(Option(args, QStringLiteral("--exit")), exitX, exitY);
    const QString timeoutText = Option(args, QStringLiteral("--timeout"));
    const double timeoutMs = (timeoutText.isEmpty() ? 600.0 : timeoutText.toDouble()) * 1000.0;
    if (first >= argc || logPath.isEmpty() || windowName.isEmpty() || !pointsOk || timeoutMs <= 0) return Usage();

    std::signal(SIGPIPE, SIG_IGN);  // a helper that died shows as a failed write
    Xdotool xdotool;
    if (!xdotool.Do("")) {
        std::fprintf(stderr, "tvl_bench desktop: xdotool does not answer\n");
        return 1;
    }
    std::vector<std::string> program(argv + first, argv + argc);
    LogFollower follower(logPath);
    const Clock::time_point start = Clock::now();
    const pid_t child = Start(program);
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    int status = 0;
    struct rusage usage {};
    bool ended = false;
    const auto childEnded = [&] {
        if (!ended) ended = ::wait4(child, &status, WNOHANG, &usage) == child;
        return ended;
    };
    const auto fail = [&](const char* what) {
        std::fprintf(stderr, "tvl_bench desktop: %s\n", what);
        if (!childEnded()) {
            ::kill(child, SIGKILL);
            ::wait4(child, &status, 0, &usage);
        }
        return 1;
    };
    const auto late = [&] { return MsBetween(start, Clock::now()) > timeoutMs; };
    const auto click = [&](const std::string& window, const QString& x, const QString& y) {
        // Without "--delay 0" a click waits 100 ms after the button is released.
        return xdotool.Do("mousemove --window " + window + " " + x.toStdString() + " " + y.toStdString() +
                          " click --delay 0 1");
    };

    // The window is there once it is mapped; the program may still be busy behind it, and a
    // click then waits in the queue as a user's would.
    std::string window;
    while (window.empty()) {
        if (childEnded()) return fail("the program ended before its window showed");
        if (late()) return fail("no window");
        std::vector<std::string> found;
        if (!xdotool.Do("search --onlyvisible --name '" + windowName.toStdString() + "'", &found))
            return fail("xdotool ended");
        if (!found.empty()) window = found.front();
        if (window.empty()) SleepMs(5);
    }
    const Clock::time_point shown = Clock::now();
    if (!click(window, runX, runY)) return fail("the click on the run button failed");
    RunEnd end = RunEnd::Pending;
    while ((end = follower.Poll()) == RunEnd::Pending) {
        if (childEnded()) return fail("the program ended during the run");
        if (late()) return fail("no last line in the log");
        SleepMs(2);
    }
    const Clock::time_point done = Clock::now();
    // The log's last line is written by the run's thread; the window may still be winding the
    // run up and keep a click away, as it does during a run: then click again, as a user would.
    Clock::time_point clicked = Clock::now();
    if (!click(window, exitX, exitY)) return fail("the click on the exit button failed");
    while (!childEnded()) {
        if (late()) return fail("the program did not end after the exit button");
        if (MsBetween(clicked, Clock::now()) > 250) {
            clicked = Clock::now();
            if (!click(window, exitX, exitY)) return fail("the click on the exit button failed");
        }
        SleepMs(1);
    }
    const Clock::time_point finished = Clock::now();
    const int rc = ExitCode(status);
    const bool ok = rc == 0 && end == RunEnd::Succeeded;
    std::printf("tvl_bench desktop wall_ms=%.1f shown_ms=%.1f run_ms=%.1f close_ms=%.1f peak_rss_kib=%ld rc=%d ok=%d\n",
                MsBetween(start, finished), MsBetween(start, shown), MsBetween(shown, done),
                MsBetween(done, finished), usage.ru_maxrss, rc, ok ? 1 : 0);
    if (!ok) std::fprintf(stderr, "last line of the log: %s\n", follower.LastLine().constData());
    return ok ? 0 : 1;
}

int Tree(int argc, char** argv) {
    if (argc != 4) return Usage();
    bool ok = false;
    const TreeShape shape = ShapeNamed(argv[2], ok);
    if (!ok) return Usage();
    const auto start = std::chrono::steady_clock::now();
    const std::string error = MakeTree(shape, argv[3]);
    if (!error.empty()) {
        std::fprintf(stderr, "tvl_bench tree: %s\n", error.c_str());
        return 1;
    }
    std::printf("tvl_bench tree name=%s folders=%lld files=%lld bytes_each=%lld ms=%.0f\n", shape.name.c_str(),
                static_cast<long long>(FolderCount(shape)), static_cast<long long>(FileCount(shape)),
                static_cast<long long>(shape.fileSize),
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

int Touch(int argc, char** argv) {
    if (argc != 5) return Usage();
    const std::int64_t touched = TouchNewer(argv[2], std::atoi(argv[3]), std::atoll(argv[4]));
    if (touched < 0) {
        std::fprintf(stderr, "tvl_bench touch: failed under %s\n", argv[2]);
        return 1;
    }
    std::printf("tvl_bench touch touched=%lld\n", static_cast<long long>(touched));
    return 0;
}

bool SameBytes(const std::string& a, const std::string& b) {
    const int fa = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
    const int fb = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
    bool same = fa >= 0 && fb >= 0;
    // Allocated once: a fresh megabyte per file costs its page faults again, which made a
    // check of 20,000 small files take minutes on a busy machine.
    static std::vector<char> ba(1 << 20), bb(1 << 20);
    while (same) {
        const ssize_t na = ::read(fa, ba.data(), ba.size());
        ssize_t nb = 0;
        while (nb < na) {
            const ssize_t n = ::read(fb, bb.data() + nb, static_cast<std::size_t>(na - nb));
            if (n <= 0) break;
            nb += n;
        }
        if (na < 0 || nb != na || std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(na)) != 0) same = false;
        if (na <= 0) break;
    }
    if (fa >= 0) ::close(fa);
    if (fb >= 0) ::close(fb);
    return same;
}

int Verify(int argc, char** argv) {
    if (argc != 4) return Usage();
    const std::filesystem::path source = argv[2], target = argv[3];
    std::error_code error;
    long long files = 0, bad = 0;
    for (std::filesystem::recursive_directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        ++files;
        const std::filesystem::path other = target / it->path().lexically_relative(source);
        struct stat a {}, b {};
        if (::lstat(it->path().c_str(), &a) != 0 || ::lstat(other.c_str(), &b) != 0 || a.st_size != b.st_size ||
            a.st_mtim.tv_sec != b.st_mtim.tv_sec || a.st_mtim.tv_nsec != b.st_mtim.tv_nsec ||
            (a.st_mode & 0777) != (b.st_mode & 0777) || !SameBytes(it->path(), other)) {
            if (bad++ < 5) std::fprintf(stderr, "tvl_bench verify: differs: %s\n", other.c_str());
        }
    }
    if (error) {
        std::fprintf(stderr, "tvl_bench verify: %s\n", error.message().c_str());
        return 1;
    }
    std::printf("tvl_bench verify files=%lld differing=%lld\n", files, bad);
    return bad == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "exec") return Exec(argc, argv);
    if (command == "desktop") return Desktop(argc, argv);
    if (command == "tree") return Tree(argc, argv);
    if (command == "touch") return Touch(argc, argv);
    if (command == "verify") return Verify(argc, argv);
    if (command != "run") return Usage();
    QCoreApplication app(argc, argv);
    return Run(argc, argv);
}
