// Existence, deletion and identity of files, and the executable's own path, on POSIX systems.
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/platform.h"

int file_exists(const char *path) {
    struct stat info;
    if (!path || stat(path, &info) != 0) return 0;
    return S_ISREG(info.st_mode) ? 1 : 0;
}

int file_delete(const char *path) {
    if (!file_exists(path)) return 0;
    return unlink(path) == 0 ? 1 : 0;
}

int same_file(const char *path_a, const char *path_b) {
    struct stat a, b;
    if (!path_a || !path_b || stat(path_a, &a) != 0 || stat(path_b, &b) != 0) return 0;
    if (!S_ISREG(a.st_mode) || !S_ISREG(b.st_mode)) return 0;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino ? 1 : 0;
}

std::string executable_path() {
    std::vector<char> buffer(512);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}
