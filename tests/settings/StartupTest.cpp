// ReadIniString, the profile list, the first start's settings file and the choice of the
// folder that holds tvl.ini.
#include "TrevalonVersion.h"
#include "fileservice/AtomicReplace.h"
#include "settings/ProfileOps.h"
#include "settings/Startup.h"
#include "settings/clsINI.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <functional>
#ifndef _WIN32
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// The profile box as the settings code sees it: every call recorded.
class RecordingBox : public ProfileBox {
public:
    void ClearProfiles() override {
        entries.clear();
        ++clears;
    }
    void SetProfileText(const QString& value) override { text = value; }
    void AddProfile(const QString& name) override { entries.append(name); }

    int clears = 0;
    QString text;
    QStringList entries{"alt"};
};

class SettingsFile : public ::testing::Test {
protected:
    TempTree tree;
    clsINI ini{QString::fromStdString(tree.Path("tvl.ini"))};
};

TEST_F(SettingsFile, ReadIniStringValueAndKeyList) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nA=Eins\r\nB=Zwei\r\n");
    EXPECT_EQ(ini.ReadIniString("Profiles", QString("b"), "", 256), "Zwei");
    EXPECT_EQ(ini.ReadIniString("Profiles", std::nullopt, "", 32767), QString::fromUtf8("A\0B\0", 4));
    EXPECT_EQ(ini.ReadIniString("Profiles", QString("x"), "Vorgabe", 4), "Vor");
    EXPECT_EQ(ini.ReadIniString("Profiles", QString("A"), "", 0), "");
}

TEST_F(SettingsFile, ProfileListInFileOrder) {
    tree.WriteFile("tvl.ini",
                   "[Profiles]\r\nStandard=Standard\r\nMeinProfil=Mein Profil\r\nLeer=\r\nHand=Von Hand\r\n"
                   "[Standard]\r\ndir_a=/x\r\n");
    RecordingBox box;
    FillProfileList(ini, box, "Mein Profil");
    EXPECT_EQ(box.clears, 1);
    EXPECT_EQ(box.text, "Mein Profil");
    EXPECT_EQ(box.entries, (QStringList{"Standard", "Mein Profil", "", "Von Hand"}));
}

TEST_F(SettingsFile, MissingFileGivesEmptyListAndCreatesNothing) {
    RecordingBox box;
    FillProfileList(ini, box, "Standard");
    EXPECT_EQ(box.text, "Standard");
    EXPECT_TRUE(box.entries.isEmpty());
    EXPECT_FALSE(tree.Exists("tvl.ini"));
}

TEST_F(SettingsFile, LongProfileNameListedAs255Characters) {
    tree.WriteFile("tvl.ini", "[Profiles]\r\nLang=" + std::string(300, 'n') + "\r\n");
    RecordingBox box;
    FillProfileList(ini, box, "Standard");
    EXPECT_EQ(box.entries, QStringList{QString(255, u'n')});
}

TEST_F(SettingsFile, NamesDifferingOnlyInBlanksShareOneCatalogueLine) {
    ASSERT_TRUE(WriteNewProfile(ini, "Mein Profil"));
    ASSERT_TRUE(WriteNewProfile(ini, "MeinPro fil"));
    RecordingBox box;
    FillProfileList(ini, box, "Standard");
    EXPECT_EQ(box.entries, QStringList{"MeinPro fil"});
    const std::string file = tree.ReadFile("tvl.ini");
    EXPECT_NE(file.find("[Mein Profil]\r\n"), std::string::npos);
    EXPECT_NE(file.find("[MeinPro fil]\r\n"), std::string::npos);
}

TEST_F(SettingsFile, CatalogueKeyCutByTheBufferIsNotListed) {
    // 330 keys of 99 characters: 327 fit whole into the key list of 32,767, the next is cut.
    std::string content = "[Profiles]\r\n";
    for (int i = 0; i < 330; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "K%03d", i);
        content += key + std::string(95, 'k') + "=P" + std::to_string(i) + "\r\n";
    }
    tree.WriteFile("tvl.ini", content);
    RecordingBox box;
    FillProfileList(ini, box, "Standard");
    ASSERT_EQ(box.entries.size(), 327);
    EXPECT_EQ(box.entries.last(), "P326");
}

// The first start: what stands at the settings file's place, the home folder handed over,
// and the folder the written "Standard" profile gets (null: nothing may be written).
struct DefaultRow {
    const char* name;
    std::function<void(TempTree&)> place;
    const char* home;
    const char* written;
};

// The root of the file system: on Windows the system drive's.
std::string RootFolder() {
#ifdef _WIN32
    return qEnvironmentVariable("SystemDrive").toStdString() + "/";
#else
    return "/";
#endif
}

class DefaultSettings : public SettingsFile, public ::testing::WithParamInterface<DefaultRow> {};

TEST_P(DefaultSettings, WrittenWholeOnlyWhereNothingStands) {
    tree.MakeDir("home");
    GetParam().place(tree);
    if (IsSkipped()) return;
    const std::vector<std::string> before = tree.ListFiles();
    const bool ownFile = std::filesystem::is_regular_file(tree.Root() / "tvl.ini");
    const std::string bytes = ownFile ? tree.ReadFile("tvl.ini") : std::string();
    const char* written = GetParam().written;

    EXPECT_EQ(WriteDefaultIniFile(ini, QString::fromStdString(tree.Path(GetParam().home))), written != nullptr);

    if (!written) {
        EXPECT_EQ(tree.ListFiles(), before);
        EXPECT_EQ(ownFile ? tree.ReadFile("tvl.ini") : std::string(), bytes);
        return;
    }
    // No temporary stays behind.
    EXPECT_EQ(tree.ListFiles(), std::vector<std::string>{"tvl.ini"});
    const std::string dir = *written == '/' ? RootFolder() : tree.Path(written);
    EXPECT_EQ(tree.ReadFile("tvl.ini"),
              "[Profiles]\r\nStandard=Standard\r\n[Optionen]\r\nwritelog=1\r\nlogsize=50\r\n[Standard]\r\n"
              "dir_a=" + dir + "\r\ndir_b=" + dir + "\r\nFilter=\r\nonlynew=1\r\ndelnot=0\r\ndelold=0\r\n"
              "deltotrash=1\r\nnewsubfolder=0\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    FirstStart, DefaultSettings,
    ::testing::Values(
        DefaultRow{"NoFile", [](TempTree&) {}, "home", "home"},
        DefaultRow{"HomeGoneTakesTheRoot", [](TempTree&) {}, "gone", "/"},
        DefaultRow{"EmptyFileStays", [](TempTree& t) { t.WriteFile("tvl.ini", ""); }, "home", nullptr},
        DefaultRow{"OwnFileStays", [](TempTree& t) { t.WriteFile("tvl.ini", "[Profiles]\nA=A\n"); }, "home", nullptr},
        DefaultRow{"FolderStays", [](TempTree& t) { t.WriteFile("tvl.ini/inside", "x"); }, "home", nullptr},
        DefaultRow{"BrokenLinkStays",
                   [](TempTree& t) {
#ifdef _WIN32
                       // Through the file service: the C++ library makes no links on Windows.
                       if (!fileservice::CreateLinkTemporary(t.Path("tvl.ini"), "nowhere"))
                           GTEST_SKIP() << "no symbolic links here (Wine makes none, or not allowed)";
#else
                       std::filesystem::create_symlink("nowhere", t.Root() / "tvl.ini");
#endif
                   },
                   "home", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// The fallback folder's variable ($XDG_CONFIG_HOME, on Windows %APPDATA%) pointed into a
// temporary tree for the duration of a test.
#ifdef _WIN32
constexpr const char* kConfigVariable = "APPDATA";
constexpr const char* kConfigFolder = "config/Trevalon";
#else
constexpr const char* kConfigVariable = "XDG_CONFIG_HOME";
constexpr const char* kConfigFolder = "config/trevalon";
#endif

class DataDir : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv(kConfigVariable);
        if (old) m_oldXdg = old;
        qputenv(kConfigVariable, tree.Path("config").c_str());
    }
    void TearDown() override {
        if (m_oldXdg) {
            qputenv(kConfigVariable, m_oldXdg->c_str());
        } else {
            qunsetenv(kConfigVariable);
        }
    }
    QString Fallback() const { return QDir::fromNativeSeparators(QString::fromStdString(tree.Path(kConfigFolder))); }

    TempTree tree;

private:
    std::optional<std::string> m_oldXdg;
};

TEST_F(DataDir, WritableProgramFolderIsUsed) {
    tree.MakeDir("prog");
    const QString prog = QString::fromStdString(tree.Path("prog"));
    EXPECT_EQ(ProgramDataDirFor(prog), prog);
    EXPECT_FALSE(tree.Exists("config"));
}

TEST_F(DataDir, InstalledCopyUsesTheConfigFolderEvenWhereItCouldWrite) {
    // As root every folder is writable; the layout alone tells an installed copy.
    tree.MakeDir("usr/bin");
    const QString bin = QString::fromStdString(tree.Path("usr/bin"));
    EXPECT_EQ(ProgramDataDirFor(bin), bin) << "a bin folder alone is no installed copy";
    tree.WriteFile(std::string("usr/share/applications/") + tvl::kAppId + ".desktop", "");
    EXPECT_EQ(ProgramDataDirFor(bin), Fallback());
}

TEST_F(DataDir, MissingProgramFolderFallsBackAndCreatesIt) {
    EXPECT_EQ(ProgramDataDirFor(QString::fromStdString(tree.Path("gone"))), Fallback());
    EXPECT_TRUE(QFileInfo(Fallback()).isDir());
}

TEST_F(DataDir, FileInPlaceOfFolderFallsBack) {
    tree.WriteFile("prog", "");
    EXPECT_EQ(ProgramDataDirFor(QString::fromStdString(tree.Path("prog"))), Fallback());
}

#ifndef _WIN32  // the XDG folder and mount namespaces are Linux's
TEST_F(DataDir, RelativeXdgValueIsIgnored) {
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(ConfigDataDir(), QDir::homePath() + "/.config/trevalon");
}

TEST_F(DataDir, ReadOnlyMountFallsBack) {
    // access() lets root write anywhere; a read-only mount stops even root. The mount is
    // made in a child's private namespace, so nothing outside the test sees it.
    tree.MakeDir("ro");
    const std::string mountPoint = tree.Path("ro");
    const QString expected = Fallback();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int flags = ::geteuid() == 0 ? CLONE_NEWNS : (CLONE_NEWUSER | CLONE_NEWNS);
        if (::unshare(flags) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_RDONLY, nullptr) != 0) {
            ::_exit(77);
        }
        const QString dir = QString::fromStdString(mountPoint);
        if (IsWritableDir(dir)) ::_exit(1);
        ::_exit(ProgramDataDirFor(dir) == expected ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "cannot make a private read-only mount here";
    }
    EXPECT_NE(WEXITSTATUS(status), 1) << "a read-only mount counted as writable";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

TEST(SettingsFilePath, SettingsFileBesideTheWritableProgram) {
    // The test binary lies in the writable build tree.
    EXPECT_EQ(SettingsFilePath(), QCoreApplication::applicationDirPath() + "/tvl.ini");
}

}  // namespace
