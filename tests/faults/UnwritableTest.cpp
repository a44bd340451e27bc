// Unwritable settings and log files: the program runs, the run mirrors everything, and
// the failure is reported once, not once per line or key.

#include "ChildRun.h"
#include "WindowFixture.h"

#include "texts/Texts.h"

#include <QCheckBox>
#include <cerrno>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 25;

class Unwritable : public WindowFixture {
protected:
    Unwritable() {
        for (int i = 0; i < kFiles; ++i) m_tree.WriteFile("src/f" + std::to_string(i) + ".txt", Pattern(100, i));
        m_tree.MakeDir("dst");
    }

    void ExpectMirrored() const {
        for (int i = 0; i < kFiles; ++i) {
            const std::string rel = "f" + std::to_string(i) + ".txt";
            EXPECT_EQ(m_tree.ReadFile("dst/" + rel), Pattern(100, i)) << rel;
        }
    }
    // The messages from the run's start (the summary's first copy line) to its end.
    static QStringList RunMessages(const QStringList& messages) {
        const qsizetype first = messages.indexOf(QStringLiteral(" - f0.txt kopiert!"));
        return first < 0 ? QStringList() : messages.mid(first == 0 ? 0 : first - 1);
    }
};

TEST_F(Unwritable, SettingsFileThatIsAFolder) {
    m_tree.WriteFile("tvl.ini/inside.txt", "keep");
    auto window = Open();
    PrepareRun(*window);
    RunAndWait(*window);
    Click(*window, "cmdSaveProfile");

    const QStringList messages = StatusMessages(*window);
    EXPECT_EQ(messages.first(), QStringLiteral(" - Trevalon geladen!"));
    EXPECT_TRUE(messages.contains(QStringLiteral(" - Abgleich ausgeführt!"))) << Join(messages);
    EXPECT_EQ(messages.filter(QStringLiteral("gespeichert")),
              QStringList{QString::fromStdString(" - [Standard] konnte nicht gespeichert werden! Die Einstellungsdatei " +
                                                 IniPath() + " kann nicht geschrieben werden: " + Reason(EISDIR))});
    ExpectMirrored();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(m_tree.ReadFile("tvl.ini/inside.txt"), "keep");
}

TEST_F(Unwritable, LogFileThatIsAFolder) {
    m_tree.WriteFile("tvl.log/inside.txt", "keep");
    auto window = Open();
    PrepareRun(*window);
    RunAndWait(*window);

    const QStringList messages = StatusMessages(*window);
    const QStringList run = RunMessages(messages);
    ASSERT_FALSE(run.isEmpty()) << Join(messages);
    // Once at the start, once for the run: never once per line.
    const QStringList failures = run.filter(QStringLiteral(" - Logdatei kann nicht geschrieben werden: "));
    EXPECT_EQ(failures.size(), 1) << Join(messages);
    EXPECT_EQ(messages.filter(QStringLiteral(" - Logdatei kann nicht geschrieben werden: ")).size(), 2) << Join(messages);
    EXPECT_EQ(run.filter(QStringLiteral(" kopiert!")).size(), kFiles);
    EXPECT_EQ(messages.last(), QStringLiteral(" - Abgleich ausgeführt!"));
    ExpectMirrored();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(m_tree.ReadFile("tvl.log/inside.txt"), "keep");
}

// Read-only files need a read-only mount: root writes through any permission bits. The
// window runs in a child process with a private mount namespace.
class ReadOnlyFiles : public Unwritable {
protected:
    // Runs the window in the child; false with `skip` set when mounting is not permitted.
    bool RunWindow(const std::string& readOnly, std::vector<std::string>& messages, std::string& skip) {
        ChildRun child({"--readonly", readOnly, "--window", IniPath(), "--log", LogPath(), m_tree.Path("src"),
                        m_tree.Path("dst")});
        if (!child.ReadUntil("END")) {
            const std::vector<std::string> skips = Containing(child.Lines(), "SKIP");
            if (skips.empty()) ADD_FAILURE() << "the window did not finish:\n" << Join(child.Lines());
            else skip = skips.front();
            return false;
        }
        messages = child.StatusMessages();
        EXPECT_EQ(child.Wait(), 0);
        return true;
    }
};

TEST_F(ReadOnlyFiles, SettingsFileOnAReadOnlyMount) {
    const std::string settings = "[Profiles]\r\nStandard=Standard\r\n[Optionen]\r\nwritelog=1\r\nlogsize=50\r\n";
    WriteBytes(IniPath(), settings);
    std::vector<std::string> messages;
    std::string skip;
    if (!RunWindow(IniPath(), messages, skip)) GTEST_SKIP() << "no read-only mount here: " << skip;

    // The file itself is the read-only mount: renaming the new version over it is refused as busy.
    // The close writes the options it read unchanged, which leaves the file as it is.
    EXPECT_EQ(Containing(messages, "gespeichert"),
              std::vector<std::string>{" - [Standard] konnte nicht gespeichert werden! Die Einstellungsdatei " +
                                       IniPath() + " kann nicht geschrieben werden: " + Reason(EBUSY)})
        << Join(messages);
    EXPECT_EQ(Containing(messages, " kopiert!").size(), std::size_t{kFiles});
    EXPECT_EQ(Containing(messages, " - Abgleich ausgeführt!").size(), 1u) << Join(messages);
    ExpectMirrored();
    EXPECT_EQ(ReadBytes(IniPath()), settings);
}

TEST_F(ReadOnlyFiles, LogFileOnAReadOnlyMount) {
    WriteBytes(LogPath(), "old line\r\n");
    std::vector<std::string> messages;
    std::string skip;
    if (!RunWindow(LogPath(), messages, skip)) GTEST_SKIP() << "no read-only mount here: " << skip;

    const std::vector<std::string> failures = Containing(messages, " - Logdatei kann nicht geschrieben werden: ");
    // Once at the start, once for the run.
    ASSERT_EQ(failures.size(), 2u) << Join(messages);
    for (const std::string& line : failures) EXPECT_EQ(line, LogFailedMessage(EROFS).toStdString());
    EXPECT_EQ(Containing(messages, " kopiert!").size(), std::size_t{kFiles});
    EXPECT_EQ(Containing(messages, " - Abgleich ausgeführt!").size(), 1u) << Join(messages);
    ExpectMirrored();
    EXPECT_EQ(ReadBytes(LogPath()), "old line\r\n");
}

}  // namespace

namespace {

// A FIFO where the log or the settings file should be: opening it for writing would wait
// for a reader forever. The window runs in a child, so that a hang fails the case.
class FifoFiles : public Unwritable {};

TEST_F(FifoFiles, LogAndSettingsThatAreFifosNeverHang) {
    ASSERT_EQ(::mkfifo(LogPath().c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(IniPath().c_str(), 0644), 0);
    ChildRun child({"--window", IniPath(), "--log", LogPath(), m_tree.Path("src"), m_tree.Path("dst")});
    ASSERT_TRUE(child.ReadUntil("END")) << "the window hangs:\n" << Join(child.Lines());
    const std::vector<std::string> messages = child.StatusMessages();

    EXPECT_EQ(Containing(messages, LogFailedMessage(fileservice::kNotRegularFile).toStdString()).size(), 2u)
        << Join(messages);
    const std::string reason = " kann nicht geschrieben werden: " + Reason(fileservice::kNotRegularFile);
    EXPECT_EQ(Containing(messages, "gespeichert"),
              (std::vector<std::string>{
                  " - [Standard] konnte nicht gespeichert werden! Die Einstellungsdatei " + IniPath() + reason,
                  " - Die Protokolloptionen konnten nicht gespeichert werden! Die Einstellungsdatei " + IniPath() +
                      reason}))
        << Join(messages);
    EXPECT_EQ(Containing(messages, " - Abgleich ausgeführt!").size(), 1u) << Join(messages);
    ExpectMirrored();
    EXPECT_TRUE(fs::is_fifo(LogPath()));
    EXPECT_TRUE(fs::is_fifo(IniPath()));
    EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
