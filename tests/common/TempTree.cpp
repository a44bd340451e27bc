#include "TempTree.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempTree::TempTree() {
#ifdef _WIN32
    // No mkdtemp: a random name, made only where nothing stands yet.
    std::random_device random;
    for (int attempt = 0; m_root.empty(); ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("tvltest-" + std::to_string(random()));
        if (fs::create_directory(candidate)) m_root = candidate;
        else if (attempt == 100) throw std::runtime_error("no temporary folder");
    }
#else
    std::string pattern = (fs::temp_directory_path() / "tvltest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_root = pattern;
#endif
}

TempTree::~TempTree() {
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable so removal succeeds.
    for (auto it = fs::recursive_directory_iterator(m_root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_root, ec);
}

std::string TempTree::Path(const std::string& relative) const {
    return relative.empty() ? m_root.string() : (m_root / relative).string();
}

void TempTree::WriteFile(const std::string& relative, const std::string& content) {
    fs::path p = m_root / relative;
    fs::create_directories(p.parent_path());
    WriteBytes(p, content);
}

void TempTree::WriteFile(const std::string& relative, const std::string& content, fs::file_time_type mtime) {
    WriteFile(relative, content);
    SetMTime(m_root / relative, mtime);
}

void TempTree::MakeDir(const std::string& relative) { fs::create_directories(m_root / relative); }

std::string TempTree::ReadFile(const std::string& relative) const { return ReadBytes(m_root / relative); }

bool TempTree::Exists(const std::string& relative) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(m_root / relative, ec));
}

std::vector<std::string> TempTree::ListFiles(const std::string& relative) const {
    std::vector<std::string> out;
    fs::path base = relative.empty() ? m_root : m_root / relative;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(base, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_directory(ec) || it->is_symlink(ec)) out.push_back(fs::relative(it->path(), base).generic_string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

void SetMTime(const fs::path& path, fs::file_time_type mtime) { fs::last_write_time(path, mtime); }

fs::file_time_type MTime(const fs::path& path) { return fs::last_write_time(path); }

fs::file_time_type TimeAt(int year, int month, int day, int hour, int minute, int second) {
    using namespace std::chrono;
    sys_days d = std::chrono::year{year} / month / day;
    auto sys = d + hours{hour} + minutes{minute} + seconds{second};
    return file_clock::from_sys(sys_time<seconds>(sys));
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
