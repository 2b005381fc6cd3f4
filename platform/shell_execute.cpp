// Starting a program or opening a folder on POSIX systems, with the results of the
// Windows shell: above 32 when started, 2 when there is no such file, 5 when it may
// not be run, 31 when nothing is associated with it.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

const intptr_t SHELL_STARTED = 33;
const intptr_t SHELL_FILE_NOT_FOUND = 2;
const intptr_t SHELL_ACCESS_DENIED = 5;
const intptr_t SHELL_BAD_FORMAT = 11;
const intptr_t SHELL_NO_ASSOCIATION = 31;

intptr_t result_of_errno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return SHELL_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return SHELL_ACCESS_DENIED;
    case ENOEXEC:
        return SHELL_BAD_FORMAT;
    default:
        return SHELL_NO_ASSOCIATION;
    }
}

// The parameter text as one argument: the caller encloses a path with blanks in
// double quotes for the Windows shell, which takes them off again.
std::string single_argument(const char *params) {
    std::string argument = params ? params : "";
    if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
        argument = argument.substr(1, argument.size() - 2);
    return argument;
}

// Full path of a program found on PATH, or empty.
std::string find_on_path(const char *program) {
    const char *path = std::getenv("PATH");
    if (!path) return std::string();
    std::string directories = path;
    size_t at = 0;
    while (at <= directories.size()) {
        size_t colon = directories.find(':', at);
        if (colon == std::string::npos) colon = directories.size();
        std::string candidate = directories.substr(at, colon - at);
        if (!candidate.empty()) {
            candidate += "/";
            candidate += program;
            struct stat info;
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        at = colon + 1;
    }
    return std::string();
}

// Starts program with the arguments and does not wait for it. The program runs as
// a grandchild, so that it never stays behind as a zombie of this process; a pipe
// closed on exec tells whether the exec itself succeeded.
intptr_t start_detached(const std::string &program, const std::vector<std::string> &arguments) {
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments) argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (pipe(report) != 0) return SHELL_NO_ASSOCIATION;
    fcntl(report[0], F_SETFD, FD_CLOEXEC);
    fcntl(report[1], F_SETFD, FD_CLOEXEC);
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return SHELL_NO_ASSOCIATION;
    }
    if (child == 0) {
        // Only calls that are safe between fork and exec from here on.
        close(report[0]);
        pid_t grandchild = fork();
        if (grandchild == 0) {
            execv(program.c_str(), argv.data());
            int error = errno;
            ssize_t written = write(report[1], &error, sizeof error);
            (void)written;
            _exit(127);
        }
        if (grandchild < 0) {
            int error = errno;
            ssize_t written = write(report[1], &error, sizeof error);
            (void)written;
        }
        _exit(0);
    }
    close(report[1]);
    int status;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof error)) return result_of_errno(error);
    return SHELL_STARTED;
}

// Hands a file or folder to the desktop's opener when the system has one.
intptr_t open_with_desktop(const char *file) {
    std::string opener = find_on_path("xdg-open");
    if (opener.empty()) return SHELL_NO_ASSOCIATION;
    return start_detached(opener, {file});
}

}  // namespace

intptr_t shell_execute(const char *verb, const char *file, const char *params) {
    if (!file || !*file) return SHELL_FILE_NOT_FOUND;
    struct stat info;
    if (stat(file, &info) != 0) return result_of_errno(errno);
    std::string action = verb ? verb : "open";
    if (action == "explore") {
        if (!S_ISDIR(info.st_mode)) return SHELL_FILE_NOT_FOUND;
        return open_with_desktop(file);
    }
    if (action != "open") return SHELL_NO_ASSOCIATION;
    if (S_ISREG(info.st_mode) && access(file, X_OK) == 0) {
        std::vector<std::string> arguments;
        std::string argument = single_argument(params);
        if (!argument.empty()) arguments.push_back(argument);
        return start_detached(file, arguments);
    }
    // A document or a folder: opened by whatever the desktop associates with it.
    return open_with_desktop(file);
}
