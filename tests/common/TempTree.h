#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

// A temporary directory that tests fill with real files and remove afterwards.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    std::string Path(const std::string& relative = {}) const;

    // Writes a file (creating its folders) and, when given, sets its modification
    // time after the last write so that closing cannot bump it.
    void WriteFile(const std::string& relative, const std::string& content);
    void WriteFile(const std::string& relative, const std::string& content,
                   std::filesystem::file_time_type mtime);
    void MakeDir(const std::string& relative);
    std::string ReadFile(const std::string& relative) const;
    bool Exists(const std::string& relative) const;

    // All regular files and links below `relative`, as sorted relative paths.
    std::vector<std::string> ListFiles(const std::string& relative = {}) const;

private:
    std::filesystem::path m_root;
};

void SetMTime(const std::filesystem::path& path, std::filesystem::file_time_type mtime);
std::filesystem::file_time_type MTime(const std::filesystem::path& path);
// A fixed point in time, so tests never depend on the clock.
std::filesystem::file_time_type TimeAt(int year, int month, int day, int hour = 12, int minute = 0,
                                       int second = 0);
std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
