// The desktop trash that file managers share: the item moves into
// `files/` of a trash folder, and `info/<name>.trashinfo` records where it came from, so a
// file manager, `gio trash` or trash-cli can put it back. The info file is created first and
// exclusively: it reserves the name, so two items of one name never overwrite each other.

#include "fileservice/Trash.h"

#include "fileservice/AtomicReplace.h"
#include "fileservice/FileServiceInternal.h"
#include "fileservice/Identity.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fileservice {
namespace {

constexpr int kMaxNames = 10000;

std::string Parent(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The path made absolute and clean ("." and ".." resolved by text, as the user named it);
// a trailing '/' would be stored in the info file and restore wrongly.
std::string CleanAbsolute(const std::string& path) {
    std::error_code error;
    std::string clean = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error) clean = path;
    while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
    return clean;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

// $XDG_DATA_HOME, or ~/.local/share where it is unset or not absolute.
std::string DataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') return CleanAbsolute(data);
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : CleanAbsolute(home + "/.local/share");
}

// Percent-encoded as a URL path (RFC 2396): every byte but the unreserved ones and '/', so
// that "%", blanks and umlauts restore as they were.
std::string EscapedPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : path) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                           byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        }
    }
    return escaped;
}

std::string InfoText(const std::string& storedPath) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char date[32] = "";
    if (::localtime_r(&now, &local)) std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + EscapedPath(storedPath) + "\nDeletionDate=" + date + "\n";
}

// A folder that is ours, made private where it is missing; on a shared volume a real one,
// not a link (which could lead into someone else's folder).
Status PrivateFolder(const std::string& folder, bool followLink) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return Failure{folder, errno};
    struct stat st;
    if ((followLink ? ::stat(folder.c_str(), &st) : ::lstat(folder.c_str(), &st)) != 0) return Failure{folder, errno};
    if (!S_ISDIR(st.st_mode)) return Failure{folder, ENOTDIR};
    if (st.st_uid != ::geteuid()) return Failure{folder, EACCES};
    return {};
}

// Moves `path` into the trash folder `trash`; `storedPath` is what the info file records.
// `home`: the user's own trash, which may be reached through a link.
Result<std::string> TryTrash(const std::string& trash, const std::string& path, const std::string& storedPath,
                             bool home) {
    for (const std::string& folder : {trash, trash + "/files", trash + "/info"})
        if (Status made = PrivateFolder(folder, home); !made) return made.Error();
    const std::string base = BaseName(path);
    const std::string info = InfoText(storedPath);
    for (int n = 1; n < kMaxNames; ++n) {
        const std::string name = n == 1 ? base : base + " " + std::to_string(n);
        const std::string place = trash + "/files/" + name;
        struct stat st;
        if (::lstat(place.c_str(), &st) == 0) continue;
        const std::string infoPath = trash + "/info/" + name + ".trashinfo";
        Result<FileHandle> created = CreateExclusive(infoPath, 0600);
        if (!created) {
            if (created.Error().error == EEXIST) continue;
            return created.Error();
        }
        std::int64_t written = 0;
        Status status = WriteAll(created.Value(), info, written);
        const Status closed = created.Value().Close();
        if (status) status = closed;
        // Never over an item of that name that came meanwhile.
        if (status) status = RenameNoReplace(path, place);
        if (status) return place;
        (void)Remove(infoPath);
        if (status.Error().path != place || status.Error().error != EEXIST) return status.Error();
    }
    return Failure{trash, EEXIST};
}

// The top folder of the volume that holds the folder `folder` (links resolved).
Result<std::string> VolumeTop(const std::string& folder) {
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) return Failure{folder, errno};
    std::string top = real;
    std::free(real);
    for (;;) {
        const Result<bool> isTop = IsFileSystemRoot(top);
        if (!isTop) return isTop.Error();
        if (isTop.Value() || top == "/") return top;
        top = Parent(top);
    }
}

}  // namespace

Result<std::string> MoveToTrash(const std::string& rawPath) {
    if (rawPath.empty()) return Failure{rawPath, ENOENT};
    FoldersMayHaveChanged();
    const std::string path = CleanAbsolute(rawPath);
    struct stat item;
    if (path == "/") return Failure{path, EBUSY};
    if (::lstat(path.c_str(), &item) != 0) return Failure{path, errno};

    // The home trash for an item on the home's volume; its data folder is made first, and
    // where that fails, so does the move: nothing lands in a trash the user does not look in.
    if (const std::string data = DataHome(); !data.empty()) {
        if (Status made = MakeFolders(data, 0700); !made) return made.Error();
        struct stat dataStat;
        if (::stat(data.c_str(), &dataStat) != 0) return Failure{data, errno};
        if (dataStat.st_dev == item.st_dev) {
            Result<std::string> trashed = TryTrash(data + "/Trash", path, path, true);
            // Another mount of the same file system refuses the rename: its own trash then.
            if (trashed || trashed.Error().error != EXDEV) return trashed;
        }
    }

    // Another volume: its own trash at its top, the path relative to that.
    const Result<std::string> top = VolumeTop(Parent(path));
    if (!top) return top.Error();
    char* realParent = ::realpath(Parent(path).c_str(), nullptr);
    if (!realParent) return Failure{path, errno};
    std::string real = std::string(realParent) + "/" + BaseName(path);
    std::free(realParent);
    const std::string& topPath = top.Value();
    const std::string relative = topPath == "/" ? real.substr(1) : real.substr(topPath.size() + 1);
    const std::string uid = std::to_string(::getuid());
    const std::string prefix = topPath == "/" ? std::string() : topPath;
    // An administrator's shared trash counts only as a real, sticky folder (not a link).
    if (IsStickyFolder(prefix + "/.Trash")) {
        Result<std::string> trashed = TryTrash(prefix + "/.Trash/" + uid, real, relative, false);
        if (trashed) return trashed;
    }
    return TryTrash(prefix + "/.Trash-" + uid, real, relative, false);
}

}  // namespace fileservice
