#include "FuzzFiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

const std::string& FuzzDir() {
    // Never destroyed, so that the clean-up at exit can still name it.
    static const std::string& dir = *new std::string([] {
        // /dev/shm keeps the many small writes (and the fsyncs of the code under test) cheap.
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string path = std::string(base) + "/tvl-fuzz-" + std::to_string(::getpid());
        if (::mkdir(path.c_str(), 0700) != 0) {
            std::perror("mkdir");
            std::abort();
        }
        // Gone at a normal end; a crash leaves it for a look at the files.
        std::atexit([] {
            const std::string& dir = FuzzDir();
            if (DIR* handle = ::opendir(dir.c_str())) {
                while (const dirent* entry = ::readdir(handle)) {
                    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                        ::unlinkat(::dirfd(handle), entry->d_name, 0);
                }
                ::closedir(handle);
            }
            ::rmdir(dir.c_str());
        });
        return path;
    }());
    return dir;
}

void PutFile(const std::string& path, const std::string& bytes) {
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string GetFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    std::string out;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) std::abort();
        if (n == 0) break;
        out.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

int StrayEntries(const std::string& keep) {
    DIR* dir = ::opendir(FuzzDir().c_str());
    if (!dir) std::abort();
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != keep) ++count;
    }
    ::closedir(dir);
    return count;
}
