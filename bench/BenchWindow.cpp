// tvl_bench_window: the real main window, offscreen, as the program starts it: a settings
// file whose "Standard" profile names source, target and mode, logging on. Clicks the run
// button and times the run from the click to its last line in the log file, and counts the
// paint events of the status list and the progress area meanwhile, reporting the longest
// time in which none of them was painted, and the CPU time the window's thread (which only
// shows the run) and the whole process (with the run's thread) used meanwhile.
//
//   tvl_bench_window --ini FILE    the settings file; the log file is tvl.log beside it
//   tvl_bench_window --buttons     where the run and exit buttons lie in the window, in pixels

#include "bench/BenchLog.h"
#include "settings/Startup.h"
#include "settings/clsINI.h"
#include "ui/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

// Notes when each watched widget receives a paint event.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(const QElapsedTimer& clock) : m_clock(clock) {}
    void Watch(QWidget* widget, bool statusList) {
        if (!widget) return;
        widget->installEventFilter(this);
        if (statusList) m_statusWidgets.push_back(widget);
    }
    std::vector<qint64> statusPaints;  // ns on the clock
    std::vector<qint64> anyPaints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const qint64 now = m_clock.nsecsElapsed();
            anyPaints.push_back(now);
            if (std::find(m_statusWidgets.begin(), m_statusWidgets.end(), watched) != m_statusWidgets.end())
                statusPaints.push_back(now);
        }
        return false;
    }

private:
    const QElapsedTimer& m_clock;
    std::vector<QObject*> m_statusWidgets;
};

struct Gap {
    double ms = 0;    // length
    double atMs = 0;  // where it began, after the click
};

// The longest stretch in [start, end] without a paint.
Gap LongestGap(std::vector<qint64> paints, qint64 start, qint64 end) {
    std::sort(paints.begin(), paints.end());
    paints.push_back(end);
    qint64 previous = start;
    Gap gap;
    for (qint64 at : paints) {
        if (at < start || at > end) continue;
        if (static_cast<double>(at - previous) / 1e6 > gap.ms) {
            gap.ms = static_cast<double>(at - previous) / 1e6;
            gap.atMs = static_cast<double>(previous - start) / 1e6;
        }
        previous = at;
    }
    return gap;
}

qint64 CountIn(const std::vector<qint64>& paints, qint64 start, qint64 end) {
    return std::count_if(paints.begin(), paints.end(), [&](qint64 at) { return at >= start && at <= end; });
}

QString Option(const QStringList& args, const QString& name) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

template <class W>
W* Control(QWidget& window, const char* name) {
    W* widget = window.findChild<W*>(QLatin1String(name));
    if (!widget) std::fprintf(stderr, "tvl_bench_window: no control %s\n", name);
    return widget;
}

// The centre of a control in the window's coordinates, where a click from outside lands.
QPoint Centre(QWidget& window, const char* name) {
    QWidget* widget = Control<QWidget>(window, name);
    return widget ? widget->mapTo(&window, widget->rect().center()) : QPoint(-1, -1);
}

int Buttons() {
    QTemporaryDir scratch;
    if (!scratch.isValid()) return 1;
    frmMain window(clsINI(scratch.filePath(QStringLiteral("tvl.ini"))), scratch.filePath(QStringLiteral("tvl.log")));
    window.show();
    QApplication::processEvents();
    const QPoint run = Centre(window, "cmdRun");
    const QPoint exit = Centre(window, "cmdExit");
    std::printf("tvl_bench_window buttons run_x=%d run_y=%d exit_x=%d exit_y=%d\n", run.x(), run.y(), exit.x(),
                exit.y());
    return run.x() < 0 || exit.x() < 0 ? 1 : 0;
}

// CPU time used so far, in ms: by the calling thread (the window's) or by the whole process.
double CpuMs(int who) {
    struct rusage usage {};
    ::getrusage(who, &usage);
    const auto ms = [](const struct timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

bool HasLine(const QAbstractItemModel& model, const QString& ending) {
    for (int row = 0; row < model.rowCount(); ++row)
        if (model.index(row, 0).data().toString().endsWith(ending)) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--buttons"))) return Buttons();
    const QString ini = Option(args, QStringLiteral("--ini"));
    if (ini.isEmpty() || !QFileInfo(ini).isFile()) {
        std::fprintf(stderr, "usage: tvl_bench_window --ini FILE | --buttons\n");
        return 2;
    }
    // The trash and the configuration folder beside the settings file, never the user's.
    const QString dir = QFileInfo(ini).absolutePath();
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir + QStringLiteral("/xdg")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir + QStringLiteral("/config")));
    const clsINI settings(QFileInfo(ini).absoluteFilePath());
    const QString logPath = dir + QStringLiteral("/tvl.log");

    // As the start-up routine does it: show the window, then fill the profile list.
    frmMain window(settings, logPath);
    window.show();
    FillProfileList(settings, window, QStringLiteral("Standard"));
    QApplication::processEvents();

    auto* cmdRun = Control<QAbstractButton>(window, "cmdRun");
    auto* lstStatus = Control<QListView>(window, "lstStatus");
    if (!cmdRun || !lstStatus) return 1;
    if (!HasLine(*lstStatus->model(), QStringLiteral(" - [Standard] geladen!"))) {
        std::fprintf(stderr, "tvl_bench_window: the profile \"Standard\" did not load from %s\n", qPrintable(ini));
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    PaintRecorder recorder(clock);
    recorder.Watch(lstStatus->viewport(), true);
    recorder.Watch(lstStatus, true);
    for (const char* name : {"pb1", "txtFiles", "txtCount"}) recorder.Watch(Control<QWidget>(window, name), false);

    LogFollower follower(logPath);
    qint64 start = 0;
    qint64 end = 0;
    double windowCpu = 0;
    double processCpu = 0;
    QTimer poll;
    const auto stop = [&](qint64 at) {
        if (end != 0) return;  // a timeout already queued may come once more
        end = at;
        windowCpu += CpuMs(RUSAGE_THREAD);
        processCpu += CpuMs(RUSAGE_SELF);
        poll.stop();
        // The clock stops at the log's last line; the list is counted once the window shows the end.
        if (window.RunInProgress()) QObject::connect(&window, &frmMain::RunEnded, &app, &QApplication::quit);
        else QApplication::quit();
    };
    const int linesBefore = lstStatus->model()->rowCount();
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (follower.Poll() == RunEnd::Pending) return;
        stop(clock.nsecsElapsed());
    });
    QTimer::singleShot(0, &window, [&] {
        windowCpu = -CpuMs(RUSAGE_THREAD);
        processCpu = -CpuMs(RUSAGE_SELF);
        start = clock.nsecsElapsed();
        // The run goes on a thread of its own; the window's thread follows the log meanwhile.
        cmdRun->click();
        poll.start(1);
    });
    app.exec();

    const int lines = lstStatus->model()->rowCount() - linesBefore;
    const bool ok = follower.Poll() == RunEnd::Succeeded;
    const Gap statusGap = LongestGap(recorder.statusPaints, start, end);
    const Gap anyGap = LongestGap(recorder.anyPaints, start, end);
    std::printf("tvl_bench_window run_ms=%.1f window_cpu_ms=%.1f process_cpu_ms=%.1f status_lines=%d "
                "status_paints=%lld all_paints=%lld longest_gap_ms=%.1f longest_gap_at_ms=%.1f "
                "longest_gap_any_ms=%.1f ok=%d\n",
                static_cast<double>(end - start) / 1e6, windowCpu, processCpu, lines,
                static_cast<long long>(CountIn(recorder.statusPaints, start, end)),
                static_cast<long long>(CountIn(recorder.anyPaints, start, end)), statusGap.ms, statusGap.atMs,
                anyGap.ms, ok ? 1 : 0);
    if (!ok) std::fprintf(stderr, "last line of the log: %s\n", follower.LastLine().constData());
    if (qEnvironmentVariableIsSet("TVL_BENCH_PAINTS")) {
        // The paint times of the status list, for finding where a long gap lies.
        for (qint64 at : recorder.statusPaints)
            if (at >= start && at <= end) std::fprintf(stderr, "paint at %.1f ms\n", static_cast<double>(at - start) / 1e6);
    }
    return ok ? 0 : 1;
}

