// tvl_bench_window: the real main window, offscreen, during a copy-all run started with its
// run button. Counts the paint events of the status list and the progress area and reports
// the longest time in which none of them was painted.
//
//   tvl_bench_window --source DIR --target DIR [--scratch DIR]

#include "settings/Startup.h"
#include "ui/DirList.h"
#include "ui/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString source = Option(args, QStringLiteral("--source"));
    const QString target = Option(args, QStringLiteral("--target"));
    if (source.isEmpty() || target.isEmpty()) {
        std::fprintf(stderr, "usage: tvl_bench_window --source DIR --target DIR [--scratch DIR]\n");
        return 2;
    }
    const QString scratchBase = Option(args, QStringLiteral("--scratch"));
    if (!scratchBase.isEmpty()) QDir().mkpath(scratchBase);
    QTemporaryDir scratch(scratchBase.isEmpty() ? QDir::tempPath() + QStringLiteral("/tvl_bench_window-XXXXXX")
                                                : scratchBase + QStringLiteral("/window-XXXXXX"));
    if (!scratch.isValid()) return 1;
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("xdg"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("config"))));
    strIniFile = scratch.filePath(QStringLiteral("tvl.ini"));

    frmMain window(scratch.filePath(QStringLiteral("tvl.log")));
    window.show();
    QApplication::processEvents();

    auto* dirSource = Control<DirList>(window, "dirSource");
    auto* dirTarget = Control<DirList>(window, "dirTarget");
    auto* cmdRun = Control<QAbstractButton>(window, "cmdRun");
    auto* lstStatus = Control<QListView>(window, "lstStatus");
    if (!dirSource || !dirTarget || !cmdRun || !lstStatus) return 1;
    if (!dirSource->setPath(source) || !dirTarget->setPath(target)) {
        std::fprintf(stderr, "tvl_bench_window: the directory lists refused the paths\n");
        return 1;
    }
    // A P1 run: copy-all, logging on.
    for (const char* name : {"chkCopyOnlyNew", "chkDelBeforeCopy", "chkNewSubFolder"}) {
        if (auto* box = Control<QCheckBox>(window, name)) box->setCheckState(Qt::Unchecked);
    }
    if (auto* log = Control<QCheckBox>(window, "chkLog")) log->setCheckState(Qt::Checked);
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    PaintRecorder recorder(clock);
    recorder.Watch(lstStatus->viewport(), true);
    recorder.Watch(lstStatus, true);
    for (const char* name : {"pb1", "txtFiles", "txtCount"}) recorder.Watch(Control<QWidget>(window, name), false);

    qint64 start = 0;
    qint64 end = 0;
    const int linesBefore = lstStatus->model()->rowCount();
    QTimer::singleShot(0, &window, [&] {
        start = clock.nsecsElapsed();
        cmdRun->click();  // returns when the run has ended
        end = clock.nsecsElapsed();
        QApplication::quit();
    });
    app.exec();

    const int lines = lstStatus->model()->rowCount() - linesBefore;
    const QString last = lstStatus->model()->index(lstStatus->model()->rowCount() - 1, 0).data().toString();
    const bool ok = last.endsWith(QStringLiteral(" - Abgleich ausgeführt!"));
    const Gap statusGap = LongestGap(recorder.statusPaints, start, end);
    const Gap anyGap = LongestGap(recorder.anyPaints, start, end);
    std::printf("tvl_bench_window run_ms=%.1f status_lines=%d status_paints=%lld all_paints=%lld "
                "longest_gap_ms=%.1f longest_gap_at_ms=%.1f longest_gap_any_ms=%.1f ok=%d\n",
                static_cast<double>(end - start) / 1e6, lines,
                static_cast<long long>(CountIn(recorder.statusPaints, start, end)),
                static_cast<long long>(CountIn(recorder.anyPaints, start, end)), statusGap.ms, statusGap.atMs,
                anyGap.ms, ok ? 1 : 0);
    if (!ok) std::fprintf(stderr, "last line: %s\n", qPrintable(last));
    if (qEnvironmentVariableIsSet("TVL_BENCH_PAINTS")) {
        // The paint times of the status list, for finding where a long gap lies.
        for (qint64 at : recorder.statusPaints)
            if (at >= start && at <= end) std::fprintf(stderr, "paint at %.1f ms\n", static_cast<double>(at - start) / 1e6);
    }
    return ok ? 0 : 1;
}
