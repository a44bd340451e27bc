// A mirror run in a process of its own, for the fault suite: the parent can kill it at any
// point, put its target on a small or read-only file system (a private mount namespace),
// or let it run without root's privileges.
//
//   faults_child [--tmpfs DIR KB] [--readonly PATH]... [--bind FROM TO] [--nobody] [--onlynew]
//                [--delold] [--delnot] [--wait] [--step] [--named-temporaries] [--window INI]
//                --log FILE SOURCE TARGET
//
// --delnot removes, for good, what the target has and the source lacks.
// --bind mounts the folder FROM a second time at TO. --delold empties the target first, into a trash beside the log.
// With --step the run waits for a line on stdin after each status line, so that the parent
// can kill it at an exact point while the copies handed over so far are still running.
// With --window the real main window runs offscreen with the settings file INI: it loads,
// mirrors every file with the run button, saves the profile and closes; its status lines
// are printed when it has closed.
//
// Output, one line each: "READY" (with --wait, then a line on stdin starts the run),
// "LINE <status line>" (line breaks inside shown as "\n"), "MESSAGE <title>|<text>",
// "END", or "SKIP <reason>" (exit 77) when the system does not permit the set-up.
// With --wait the process stays until its stdin closes, so that the parent can look at
// its mounts through /proc/<pid>/root.

#include "engine/MirrorRun.h"
#include "fileservice/FileServiceTesting.h"
#include "log/Logfile.h"
#include "log/RunLog.h"
#include "settings/Startup.h"
#include "texts/Texts.h"
#include "settings/clsINI.h"
#include "ui/DirList.h"
#include "ui/frmMain.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QEventLoop>
#include <QCheckBox>
#include <QListView>
#include <QPushButton>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExitSkip = 77;
constexpr uid_t kNobody = 65534;

struct Options {
    std::string tmpfsDir;
    std::string tmpfsKb;
    std::vector<std::string> readOnly;
    std::string bindFrom;
    std::string bindTo;
    bool nobody = false;
    bool onlyNew = false;
    bool delOld = false;
    bool delNot = false;
    bool wait = false;
    bool step = false;
    std::string windowIni;
    std::string log;
    std::string source;
    std::string target;
};

void Emit(const std::string& kind, const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    std::fprintf(stdout, "%s %s\n", kind.c_str(), escaped.toUtf8().constData());
    std::fflush(stdout);
}

[[noreturn]] void Skip(const std::string& what) {
    std::fprintf(stdout, "SKIP %s: %s\n", what.c_str(), std::strerror(errno));
    std::fflush(stdout);
    std::exit(kExitSkip);
}

// A status line on standard output; with --step, the run waits for a line on standard input
// after each.
void ShowLine(const Options& options, const QString& line) {
    Emit("LINE", line);
    if (options.step) {
        while (std::getchar() != '\n' && !std::feof(stdin)) {
        }
    }
}

// A refusal as the window's box would show it.
class ChildEvents final : public RunEvents {
public:
    void Refused(const fileservice::Failure& refusal) override {
        Emit("MESSAGE", HaltTitle() + QLatin1Char('|') + RefusalText(refusal));
    }
};

bool ParseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--tmpfs" && i + 2 < argc) {
            options.tmpfsDir = argv[++i];
            options.tmpfsKb = argv[++i];
        } else if (arg == "--readonly" && i + 1 < argc) {
            options.readOnly.push_back(argv[++i]);
        } else if (arg == "--bind" && i + 2 < argc) {
            options.bindFrom = argv[++i];
            options.bindTo = argv[++i];
        } else if (arg == "--window" && i + 1 < argc) {
            options.windowIni = argv[++i];
        } else if (arg == "--log" && i + 1 < argc) {
            options.log = argv[++i];
        } else if (arg == "--nobody") {
            options.nobody = true;
        } else if (arg == "--onlynew") {
            options.onlyNew = true;
        } else if (arg == "--delold") {
            options.delOld = true;
        } else if (arg == "--delnot") {
            options.delNot = true;
        } else if (arg == "--wait") {
            options.wait = true;
        } else if (arg == "--step") {
            options.step = true;
        } else if (arg == "--named-temporaries") {
            SetNamedTemporariesOnly(true);  // as on FAT
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || options.log.empty()) return false;
    options.source = positional[0];
    options.target = positional[1];
    return true;
}

// A mount namespace of our own, so that the mounts vanish with this process. Without
// root, a user namespace makes us root inside it, where the kernel allows that.
void EnterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0) {
        if (errno != EPERM) Skip("unshare(CLONE_NEWNS)");
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) Skip("unshare(CLONE_NEWUSER|CLONE_NEWNS)");
        const auto put = [](const char* file, const std::string& text) {
            const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
            if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) Skip(file);
            ::close(fd);
        };
        put("/proc/self/setgroups", "deny");
        put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) Skip("private mounts");
}

// The window's part: load, run, save, close, as a user would click it.
int RunWindow(const Options& options, int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const clsINI settings(QString::fromLocal8Bit(options.windowIni.c_str()));
    frmMain window(settings, QString::fromLocal8Bit(options.log.c_str()));
    window.show();
    FillProfileList(settings, window, QStringLiteral("Standard"));
    auto* source = window.findChild<DirList*>(QStringLiteral("dirSource"));
    auto* target = window.findChild<DirList*>(QStringLiteral("dirTarget"));
    if (!source || !target || !source->setPath(QString::fromLocal8Bit(options.source.c_str())) ||
        !target->setPath(QString::fromLocal8Bit(options.target.c_str()))) {
        std::fprintf(stdout, "FAILED cannot point the directory lists\n");
        return 1;
    }
    window.findChild<QCheckBox*>(QStringLiteral("chkCopyOnlyNew"))->setCheckState(Qt::Unchecked);
    // The run goes on a thread of its own; the window says when it has ended.
    QEventLoop runEnded;
    QObject::connect(&window, &frmMain::RunEnded, &runEnded, &QEventLoop::quit);
    window.findChild<QPushButton*>(QStringLiteral("cmdRun"))->click();
    if (window.RunInProgress()) runEnded.exec();
    window.findChild<QPushButton*>(QStringLiteral("cmdSaveProfile"))->click();
    window.close();
    const QAbstractItemModel* model = window.findChild<QListView*>(QStringLiteral("lstStatus"))->model();
    for (int row = 0; row < model->rowCount(); ++row) Emit("LINE", model->index(row, 0).data().toString());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: faults_child [options] --log FILE SOURCE TARGET\n");
        return 2;
    }
    // Namespaces and privileges first, while this process has a single thread.
    if (!options.tmpfsDir.empty() || !options.readOnly.empty() || !options.bindFrom.empty()) {
        EnterPrivateMounts();
        if (!options.bindFrom.empty() &&
            ::mount(options.bindFrom.c_str(), options.bindTo.c_str(), nullptr, MS_BIND, nullptr) != 0)
            Skip("bind mount");
        if (!options.tmpfsDir.empty()) {
            const std::string size = "size=" + options.tmpfsKb + "k";
            if (::mount("tmpfs", options.tmpfsDir.c_str(), "tmpfs", 0, size.c_str()) != 0) Skip("mount tmpfs");
        }
        for (const std::string& path : options.readOnly) {
            if (::mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0) Skip("bind mount");
            if (::mount(nullptr, path.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                Skip("read-only remount");
        }
    }
    // A regressed refusal must never put test data into the user's own trash.
    if (options.delOld) {
        const std::string folder = options.log.substr(0, options.log.rfind('/') + 1);
        setenv("XDG_DATA_HOME", (folder + "data-home").c_str(), 1);
    }
    if (options.nobody) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) Skip("setuid(nobody)");
    }

    if (options.wait) {
        std::fprintf(stdout, "READY\n");
        std::fflush(stdout);
        if (std::getchar() == EOF) return 0;
    }

    if (!options.windowIni.empty()) {
        if (const int failed = RunWindow(options, argc, argv)) return failed;
    } else {
        Logfile log(StatusView{[&options](const QString& line) { ShowLine(options, line); }, [] { return true; }},
                    QString::fromLocal8Bit(options.log.c_str()));
        RunRequest request;
        request.source = QString::fromLocal8Bit(options.source.c_str());
        request.target = QString::fromLocal8Bit(options.target.c_str());
        request.mode = ModeOf(options.onlyNew, options.delOld, false);
        if (options.delNot) request.extras = ExtrasPolicy::Delete;
        ChildEvents child;
        RunLog lines(log);
        TeeEvents events(child, lines);
        // The program folder is never one of ours: a folder no test uses as target.
        MirrorRun(request, events, QStringLiteral("/nonexistent-program-dir"));
    }
    std::fprintf(stdout, "END\n");
    std::fflush(stdout);

    if (options.wait) {
        while (std::getchar() != EOF) {
        }
    }
    return 0;
}
