#include "cli/CommandLine.h"

#include "TrevalonVersion.h"
#include "engine/MirrorRun.h"
#include "fileservice/Console.h"
#include "fileservice/FileService.h"
#include "fileservice/Interrupt.h"
#include "fileservice/PathText.h"
#include "fileservice/SafeFile.h"
#include "log/Logfile.h"
#include "log/RunLog.h"
#include "settings/LogOptions.h"
#include "settings/ProfileOps.h"
#include "settings/Startup.h"
#include "texts/Texts.h"
#include "settings/clsINI.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& line) {
    // Standard error is unbuffered: what stands before on standard output goes first.
    if (stream == stderr) std::fflush(stdout);
    fileservice::WriteText(stream, (line + QLatin1Char('\n')).toUtf8().constData());
    std::fflush(stream);
}

// The status lines on standard output: on a terminal each at once; into a file or a pipe
// gathered for at most a tenth of a second, as a copy-all run writes one per file.
class StatusOutput {
public:
    StatusOutput() : m_eachLine(::isatty(STDOUT_FILENO) == 1) { m_clock.start(); }
    ~StatusOutput() { std::fflush(stdout); }
    void Write(const QString& line) {
        fileservice::WriteText(stdout, (line + QLatin1Char('\n')).toUtf8().constData());
        if (m_eachLine) std::fflush(stdout);
        else FlushIfDue();
    }
    // The first line goes out at once: a watcher sees that the run has begun.
    void FlushIfDue() {
        if (m_flushed && m_clock.elapsed() < 100) return;
        std::fflush(stdout);
        m_flushed = true;
        m_clock.start();
    }

private:
    bool m_eachLine;
    bool m_flushed = false;
    QElapsedTimer m_clock;
};

// The live progress line on a terminal: redrawn at most five times a second, cleared at the end.
class ProgressLine {
public:
    ProgressLine() : m_on(::isatty(STDERR_FILENO) == 1) { m_clock.start(); }
    ~ProgressLine() { Clear(); }
    bool On() const { return m_on; }

    void Handed(std::int64_t bytes) {
        ++m_filesTotal;
        m_bytesTotal += bytes;
    }
    void Draw(bool force = false) {
        if (!m_on || (!force && m_lastDraw >= 0 && m_clock.elapsed() - m_lastDraw < 200)) return;
        m_lastDraw = m_clock.elapsed();
        std::int64_t files = 0;
        std::int64_t bytes = 0;
        VBFILECOPYDONE(files, bytes);
        files -= m_filesBefore;
        bytes -= m_bytesBefore;
        const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
        const QString text = ProgressText(files, m_filesTotal, bytes, m_bytesTotal, seconds > 0 ? bytes / seconds : 0);
        std::fprintf(stderr, "\r\033[K%s", text.toUtf8().constData());
        std::fflush(stderr);
        m_drawn = true;
    }
    void Clear() {
        if (!m_drawn) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_drawn = false;
    }
    void Start() { VBFILECOPYDONE(m_filesBefore, m_bytesBefore); }

private:
    bool m_on;
    bool m_drawn = false;
    QElapsedTimer m_clock;
    qint64 m_lastDraw = -1;
    std::int64_t m_filesTotal = 0, m_bytesTotal = 0;
    std::int64_t m_filesBefore = 0, m_bytesBefore = 0;
};

// The terminal's part in a run: a refusal on standard error, the progress line drawn between
// files from the copies handed over, and a stop on a signal.
class TerminalEvents final : public RunEvents {
public:
    TerminalEvents(ProgressLine& progress, StatusOutput& output) : m_progress(progress), m_output(output) {}

    void Refused(const fileservice::Failure& refusal) override {
        m_progress.Clear();
        Print(stderr, HaltTitle() + QLatin1Char(' ') + RefusalText(refusal));
    }
    void CopyHandedOver(const CopyItem& item) override {
        if (!m_progress.On()) return;
        const fileservice::Result<std::int64_t> size = fileservice::RegularFileSize(item.source, false);
        m_progress.Handed(size ? size.Value() : 0);
    }
    void Breathe() override {
        m_progress.Draw();
        m_output.FlushIfDue();
    }
    bool StopRequested() override { return fileservice::StopRequested(); }

private:
    ProgressLine& m_progress;
    StatusOutput& m_output;
};

// The run a profile describes, its paths made absolute.
RunRequest ProfileRequest(const ProfileLoad& load, bool dryRun) {
    const RunOptionStates& options = load.options;
    RunRequest request;
    request.source = QDir::cleanPath(QFileInfo(load.values.dirA).absoluteFilePath());
    request.target = QDir::cleanPath(QFileInfo(load.values.dirB).absoluteFilePath());
    request.mode = ModeOf(options.IsSet(RunOption::OnlyNew), options.IsSet(RunOption::DelOld),
                          options.IsSet(RunOption::NewSubFolder));
    request.dryRun = dryRun;
    request.filter = FilterOf(load.values);
    if (StoredState(load.values.delNot) == 1)
        request.extras = StoredState(load.values.delToTrash) == 1 ? ExtrasPolicy::Trash : ExtrasPolicy::Delete;
    return request;
}

// The whole settings file can be read; else the reason on standard error.
bool SettingsReadable(const clsINI& settings) {
    const fileservice::Result<std::string> read = fileservice::ReadRegularFile(fileservice::Utf8Path(settings.File()));
    if (read) return true;
    Print(stderr, SettingsUnreadableText(settings.File(), read.Error().error));
    return false;
}

// Loads as the window does, but a profile whose source is no existing folder is incomplete
// here: there is no list whose place it could keep. A missing target is the run's to refuse,
// naming it (the stick may not be plugged in).
bool LoadsCompletely(const ProfileLoad& load) {
    for (const ProfileKey& key : load.unusable) {
        if (key.value != &ProfileValues::dirB) return false;
    }
    return load.sourceIsFolder && !load.values.dirB.isEmpty();
}

class PrintedNames final : public ProfileBox {
public:
    void ClearProfiles() override {}
    void SetProfileText(const QString&) override {}
    void AddProfile(const QString& name) override { Print(stdout, name); }
};

int List(const clsINI& settings) {
    if (!SettingsReadable(settings)) return kExitNoProfile;
    PrintedNames names;
    FillProfileList(settings, names, QString());
    return kExitSucceeded;
}

int Run(const clsINI& settings, const QString& name, bool dryRun) {
    if (!SettingsReadable(settings)) return kExitNoProfile;
    const ProfileLoad load = ReadProfile(settings, name);
    if (!load.sectionFound || !LoadsCompletely(load)) {
        Print(stderr, StatusLine(ProfileIncompleteMessage(name)));
        return load.sectionFound ? kExitRefused : kExitNoProfile;
    }
    // Missing keys as the window's defaults: no logging, a limit of 50 KB.
    const LogOptions logOptions = ReadLogOptions(settings, {QStringLiteral("0"), QStringLiteral("50")});
    const bool logging = !dryRun && logOptions.writeLog.trimmed() == QStringLiteral("1");

    fileservice::CatchStopRequests();
    // A reader that goes away (`| head`) must not kill a run half-way; its lines are lost.
    fileservice::IgnoreBrokenPipes();

    ProgressLine progress;
    progress.Start();
    StatusOutput output;
    Logfile log(StatusView{[&](const QString& line) {
                               progress.Clear();
                               output.Write(line);
                           },
                           [logging] { return logging; }},
                ProgramDataDir() + QStringLiteral("/tvl.log"));
    log.WriteStatusLine(StatusLine(ProfileLoadedMessage(name)));

    TerminalEvents terminal(progress, output);
    RunLog lines(log);
    DryRunLines dryLines([&output](const QString& line) { output.Write(line); });
    TeeEvents withLines(terminal, lines);
    TeeEvents withDryLines(withLines, dryLines);
    RunEvents& events = dryRun ? static_cast<RunEvents&>(withDryLines) : withLines;
    const RunOutcome outcome =
        MirrorRun(ProfileRequest(load, dryRun), events, QCoreApplication::applicationDirPath());
    progress.Clear();

    // As the window's close does; a dry run leaves the log as it is.
    if (!dryRun) {
        if (const std::optional<qint32> limit = LogLimitBytes(logOptions.logSize)) TrimLogFile(log.LogPath(), *limit);
    }
    switch (outcome) {
    case RunOutcome::Refused: return kExitRefused;
    case RunOutcome::Succeeded: return kExitSucceeded;
    case RunOutcome::Failed: return kExitFailed;
    case RunOutcome::Stopped: return kExitStopped;
    }
    return kExitFailed;
}

int BadArguments(const QString& argument) {
    Print(stderr, BadArgumentsText(argument));
    fileservice::WriteText(stderr, CommandLineHelpText().toUtf8().constData());
    return kExitNoProfile;
}

}  // namespace

int RunCommandLine(const clsINI& settings, const QStringList& arguments) {
    const QString command = arguments.value(0);
    if (arguments.size() == 1 && command == QStringLiteral("--help")) {
        fileservice::WriteText(stdout, CommandLineHelpText().toUtf8().constData());
        return kExitSucceeded;
    }
    if (arguments.size() == 1 && command == QStringLiteral("--version")) {
        std::printf("%s %d.%d.%d\n", tvl::kProductName, tvl::kVersionMajor, tvl::kVersionMinor, tvl::kVersionRevision);
        return kExitSucceeded;
    }
    if (arguments.size() == 1 && command == QStringLiteral("--list")) return List(settings);
    if (command == QStringLiteral("--run") && arguments.size() >= 2 && !arguments[1].isEmpty()) {
        if (arguments.size() == 2) return Run(settings, arguments[1], false);
        if (arguments.size() == 3 && arguments[2] == QStringLiteral("--dry-run")) return Run(settings, arguments[1], true);
        return BadArguments(arguments[2]);
    }
    return BadArguments(arguments.size() == 1 && command == QStringLiteral("--run") ? QString() : command);
}
