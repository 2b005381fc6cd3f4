// Existence, deletion, identity and replacement of files, full paths, and the
// executable's own path and process, on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

int path_exists(const char *path) {
    struct stat info;
    return path && lstat(path, &info) == 0 ? 1 : 0;
}

int is_directory(const char *path) {
    struct stat info;
    if (!path || stat(path, &info) != 0) return 0;
    return S_ISDIR(info.st_mode) ? 1 : 0;
}

int file_writable(const char *path) {
    if (!file_exists(path)) return 0;
    // Opened without O_TRUNC: the test leaves the file and its times as they are.
    int descriptor = open(path, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return 0;
    close(descriptor);
    return 1;
}

namespace {

// A file system that cannot flush (EINVAL, EROFS) is taken as flushed: the
// rename is still the one step that replaces the file.
int flush_to_disk(int descriptor) {
    if (fsync(descriptor) == 0) return 1;
    return errno == EINVAL || errno == EROFS ? 1 : 0;
}

std::string folder_of(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int file_replace(const char *from, const char *to) {
    if (!from || !to || !file_exists(from)) return 0;
    // The new bytes reach the disk before the name does, so that after a power
    // failure the output is the old file or the whole new one, never a hole.
    int descriptor = open(from, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return 0;
    int flushed = flush_to_disk(descriptor);
    close(descriptor);
    if (!flushed) return 0;
    struct stat old_file;
    if (stat(to, &old_file) == 0 && S_ISREG(old_file.st_mode)) chmod(from, old_file.st_mode & 07777);
    if (rename(from, to) != 0) return 0;
    int folder = open(folder_of(to).c_str(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        flush_to_disk(folder);
        close(folder);
    }
    return 1;
}

std::string full_path(const char *path) {
    if (!path || !*path) return std::string();
    std::string text = path;
    char *resolved = realpath(path, nullptr);
    if (resolved) {
        text = resolved;
        std::free(resolved);
        return text;
    }
    // A file not there yet: its folder resolved, its name as given.
    size_t slash = text.find_last_of('/');
    std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
    resolved = realpath(folder_of(text).c_str(), nullptr);
    if (!resolved) return text;
    std::string folder = resolved;
    std::free(resolved);
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + name;
}

int same_path(const char *path_a, const char *path_b) {
    if (same_file(path_a, path_b)) return 1;
    std::string a = full_path(path_a);
    return !a.empty() && a == full_path(path_b) ? 1 : 0;
}

unsigned long process_id() { return static_cast<unsigned long>(getpid()); }
