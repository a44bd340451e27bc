// Bad settings files: the program starts, shows what it can, and saving the profile or
// closing the window never destroys what it could not read.

#include "WindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <functional>
#include <map>

namespace {

struct BadSettingsCase {
    const char* name;
    // The file's bytes; `dir` is an existing folder a profile may name.
    std::function<std::string(const std::string& dir)> bytes;
    QStringList profiles;   // entries the profile list must show
    QString loadLine;       // the status line of loading "Standard"; empty: not checked
    Qt::CheckState logState = Qt::Checked;
    QString logSize = QStringLiteral("50");
    bool logTrimmed = true;  // the 100 KB log is cut back to the limit at close
};

void PrintTo(const BadSettingsCase& row, std::ostream* out) { *out << row.name; }

std::string Standard(const std::string& dir) {
    return "[Standard]\r\ndir_a=" + dir + "\r\ndir_b=" + dir +
           "\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\ndeltotrash=1\r\nnewsubfolder=0\r\n";
}

// The file's lines (a CR before LF not counted) with how often each occurs, leaving out
// the lines a save of "Standard" and the close may rewrite: its eight keys and the two options.
std::map<std::string, int> KeptLines(const std::string& bytes) {
    static const std::vector<std::string> kStandardKeys{"dir_a",  "dir_b",  "filter",     "onlynew",
                                                        "delnot", "delold", "deltotrash", "newsubfolder"};
    static const std::vector<std::string> kOptionKeys{"writelog", "logsize"};
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    auto trim = [](std::string text) {
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos) return std::string();
        return text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    std::map<std::string, int> lines;
    std::string section;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string text = trim(line);
        if (!text.empty() && text.front() == '[' && text.find(']') != std::string::npos) {
            section = lower(trim(text.substr(1, text.find(']') - 1)));
        } else if (const auto eq = text.find('='); eq != std::string::npos) {
            const std::string key = lower(trim(text.substr(0, eq)));
            const std::vector<std::string> none;
            const auto& rewritable = section == "standard" ? kStandardKeys : section == "optionen" ? kOptionKeys : none;
            if (std::find(rewritable.begin(), rewritable.end(), key) != rewritable.end()) continue;
        }
        ++lines[line];
    }
    return lines;
}

class BadSettings : public WindowFixture, public ::testing::WithParamInterface<BadSettingsCase> {};

TEST_P(BadSettings, TheProgramStartsAndASaveKeepsWhatItCouldNotRead) {
    const BadSettingsCase& row = GetParam();
    m_tree.MakeDir("dir");
    const std::string before = row.bytes(m_tree.Path("dir"));
    WriteBytes(IniPath(), before);
    const std::string oldLog = Pattern(100 * 1024, 7);
    WriteBytes(LogPath(), oldLog);

    auto window = Open();
    const QStringList messages = StatusMessages(*window);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.first(), QStringLiteral(" - Trevalon geladen!"));
    if (!row.loadLine.isEmpty()) {
        EXPECT_TRUE(messages.contains(row.loadLine)) << Join(messages);
    }
    const QStringList names = ProfileNames(*window);
    for (const QString& name : row.profiles) EXPECT_TRUE(names.contains(name)) << name.toStdString();
    EXPECT_EQ(Control<QCheckBox>(*window, "chkLog")->checkState(), row.logState);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtLogSize")->text(), row.logSize);

    Click(*window, "cmdSaveProfile");
    EXPECT_EQ(StatusMessages(*window).last(), QStringLiteral(" - [Standard] gespeichert!"));
    EXPECT_TRUE(window->close());

    const std::string after = ReadBytes(IniPath());
    const std::map<std::string, int> kept = KeptLines(after);
    for (const auto& [line, count] : KeptLines(before)) {
        const auto found = kept.find(line);
        EXPECT_TRUE(found != kept.end() && found->second >= count)
            << "lost a line of " << line.size() << " bytes: " << line.substr(0, 80);
    }
    const std::string log = ReadBytes(LogPath());
    if (row.logTrimmed) {
        EXPECT_LE(log.size(), 50u * 1024u);
    } else {
        EXPECT_TRUE(log.compare(0, oldLog.size(), oldLog) == 0) << "the log was cut to " << log.size() << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadSettings,
    ::testing::Values(
        BadSettingsCase{"RandomBytes", [](const std::string&) { return Pattern(64 * 1024, 42); }, {}, {}},
        BadSettingsCase{"TenMegabyteLine",
                        [](const std::string& dir) {
                            return "[Profiles]\r\nStandard=Standard\r\nLang=Lang\r\n[Lang]\r\nFilter=" +
                                   std::string(10 * 1024 * 1024, 'x') + "\r\n" + Standard(dir);
                        },
                        {"Standard", "Lang"},
                        " - [Standard] geladen!"},
        BadSettingsCase{"NulBytes",
                        [](const std::string& dir) {
                            static const char kHead[] = "[Profiles]\r\nStandard=Standard\r\nNu\0ll=Nu\0ll\r\n[Nu\0ll]\r\ndir_a=\0\r\n";
                            return std::string(kHead, sizeof kHead - 1) + Standard(dir);
                        },
                        {"Standard"},
                        " - [Standard] geladen!"},
        BadSettingsCase{"ByteOrderMark",
                        [](const std::string& dir) {
                            return "\xEF\xBB\xBF[Profiles]\r\nStandard=Standard\r\nArbeit=Arbeit\r\n" + Standard(dir) +
                                   "[Arbeit]\r\ndir_a=" + dir + "\r\n";
                        },
                        {"Standard", "Arbeit"},
                        " - [Standard] geladen!"},
        BadSettingsCase{"SectionHeadWithoutBracket",
                        [](const std::string& dir) {
                            return "[Profiles]\r\nStandard=Standard\r\nKaputt=Kaputt\r\n[Kaputt\r\ndir_a=" + dir +
                                   "\r\nonlynew=1\r\n" + Standard(dir);
                        },
                        {"Standard", "Kaputt"},
                        " - [Standard] geladen!"},
        BadSettingsCase{"ProfileDirectoryGone",
                        [](const std::string& dir) { return "[Profiles]\r\nStandard=Standard\r\n" + Standard(dir + "/gone"); },
                        {"Standard"},
                        " - [Standard] konnte nicht vollständig geladen werden!"},
        BadSettingsCase{"WritelogNotANumber",
                        [](const std::string& dir) { return Standard(dir) + "[Optionen]\r\nwritelog=abc\r\nlogsize=50\r\n"; },
                        {},
                        " - [Standard] geladen!",
                        Qt::Checked,
                        "50"},
        BadSettingsCase{"LogsizeNegative",
                        [](const std::string& dir) { return Standard(dir) + "[Optionen]\r\nwritelog=1\r\nlogsize=-5\r\n"; },
                        {},
                        " - [Standard] geladen!",
                        Qt::Checked,
                        "-5",
                        false},
        BadSettingsCase{"LogsizeHuge",
                        [](const std::string& dir) {
                            return Standard(dir) + "[Optionen]\r\nwritelog=0\r\nlogsize=99999999\r\n";
                        },
                        {},
                        " - [Standard] geladen!",
                        Qt::Unchecked,
                        "99999999",
                        false}),
    [](const ::testing::TestParamInfo<BadSettingsCase>& info) { return std::string(info.param.name); });

class ManyProfiles : public WindowFixture {};

TEST_F(ManyProfiles, ThousandsOfProfilesAreListedAndASaveKeepsThemAll) {
    // 3000 catalogue keys still fit the key list's 32767 characters; more are not listed.
    constexpr int kProfiles = 3000;
    m_tree.MakeDir("dir");
    std::string catalogue = "[Profiles]\r\nStandard=Standard\r\n";
    std::string sections = Standard(m_tree.Path("dir"));
    for (int i = 0; i < kProfiles; ++i) {
        const std::string name = "Profil " + std::to_string(i);
        catalogue += "Profil" + std::to_string(i) + "=" + name + "\r\n";
        sections += "[" + name + "]\r\ndir_a=" + m_tree.Path("dir") + "\r\nonlynew=1\r\n";
    }
    const std::string before = catalogue + sections;
    WriteBytes(IniPath(), before);

    auto window = Open();
    const QStringList names = ProfileNames(*window);
    EXPECT_EQ(names.size(), kProfiles + 1);
    EXPECT_TRUE(names.contains(QStringLiteral("Profil 2999")));
    EXPECT_TRUE(StatusMessages(*window).contains(QStringLiteral(" - [Standard] geladen!")));

    Click(*window, "cmdSaveProfile");
    EXPECT_TRUE(window->close());
    const std::map<std::string, int> kept = KeptLines(ReadBytes(IniPath()));
    for (const auto& [line, count] : KeptLines(before)) EXPECT_GE(kept.count(line) ? kept.at(line) : 0, count) << line;
}

}  // namespace
