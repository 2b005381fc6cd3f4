// What the tests share: a temporary folder of their own, whole-file reads and
// writes, and a log port that records lines and boxes in memory.
#pragma once

#include <string>
#include <vector>

#include "log/message_log.h"

// A fresh folder under the system's temporary directory, removed with its files
// when the object goes. path ends with a separator.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string file(const std::string &name) const { return path + name; }
};

std::string read_file_bytes(const std::string &path);
void write_file_bytes(const std::string &path, const std::string &bytes);
// Bytes of a file kept under tests/ (path relative to tests/).
std::string test_data_path(const std::string &relative);

// Records every log line and box while it lives; answers questions with `answer`.
struct CapturedLog {
    struct Box {
        std::string text;
        int kind;
        void *owner;
    };
    std::vector<std::string> lines;
    std::vector<Box> boxes;
    std::vector<std::string> widened;
    int answer = 0;
    CapturedLog();
    ~CapturedLog();
    CapturedLog(const CapturedLog &) = delete;
    CapturedLog &operator=(const CapturedLog &) = delete;
};

// Sets (or with nullptr removes) an environment variable for the life of the object.
struct EnvironmentValue {
    std::string name;
    std::string saved;
    bool had_value;
    EnvironmentValue(const char *variable, const char *value);
    ~EnvironmentValue();
    EnvironmentValue(const EnvironmentValue &) = delete;
    EnvironmentValue &operator=(const EnvironmentValue &) = delete;
    void assign(const char *value);
};

// Points ExeDirectory and SettingsPath at dir for the life of the object, and
// restores the previous values and command flags afterwards.
struct SettingsHome {
    std::string saved_exe_directory;
    std::string saved_settings_path;
    explicit SettingsHome(const std::string &dir);
    ~SettingsHome();
};
